#pragma once

#include "picSpectralTable.h"

#include <optional>
#include <utility>
#include <vector>

namespace pictest {

// A filter slot: a key, and for a user key the curve of the light filter it names, if any.
class Slot : public sIpicFilterSource {
public:
    Slot(const char* key = "") : m_key(key) { }
    Slot(const char* key, picCurveRange range, std::vector<picCurvePoint> points)
        : m_key(key), m_range(range), m_points(std::move(points))
    {
    }
    vbString GetKey() override { return m_key; }
    bool fillFromCurve(picSpectralTable& table, bool* converted) override
    {
        if (!m_points)
            return false;
        *converted = curveToTable(m_range, &*m_points, table);
        return true;
    }

private:
    vbString m_key;
    picCurveRange m_range;
    std::optional<std::vector<picCurvePoint>> m_points;
};

// A user filter drawn over 400..700 nm and 0..100 %.
inline Slot curve(std::vector<picCurvePoint> points) { return Slot("user", {400, 700, 0, 100}, std::move(points)); }

} // namespace pictest
