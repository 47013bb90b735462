#pragma once

#include "picWavelengthTable.h"

#include <optional>
#include <utility>
#include <vector>

namespace pictest {

// A filter slot: a key, and for a user key the curve of the light filter it names, if any.
class Slot : public sIpicFilterSource {
public:
    Slot(const char* key = "") : m_key(key) { }
    Slot(const char* key, const picCurveData& curve) : m_key(key), m_curve(curve) { }
    vbString GetKey() override { return m_key; }
    bool fillFromCurve(picSpectralTable& table, bool* converted) override
    {
        ++lookups;
        if (!m_curve)
            return false;
        *converted = curveToTable(*m_curve, table);
        return true;
    }

    int lookups = 0;

private:
    vbString m_key;
    std::optional<picCurveData> m_curve;
};

// A curve over the axes xmin..xmax nm and ymin..ymax %.
inline picCurveData curveOf(double xmin, double xmax, double ymin, double ymax, std::vector<picCurvePoint> points)
{
    picCurveData c;
    c.xmin = xmin;
    c.xmax = xmax;
    c.ymin = ymin;
    c.ymax = ymax;
    c.points = std::move(points);
    return c;
}

// A user filter drawn over 400..700 nm and 0..100 %.
inline Slot curve(std::vector<picCurvePoint> points) { return Slot("user", curveOf(400, 700, 0, 100, std::move(points))); }

} // namespace pictest
