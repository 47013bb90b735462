#pragma once

// The transmission curve of a light filter, as a plain value, and the object that keeps one
// under a lock.
//
// Points are in per cent of the plot box (x from its left edge, y from its bottom edge), sorted by
// ascending x, never two with one x. The reference groups say where the work area, the plot box
// and the background image stand, in reference units; each is valid only with its flag. The axes'
// value ranges turn per cent into wavelengths and transmissions.
//
// Two stored forms carry the flagged groups and the points: named values under a registry key
// ("curve-..."; a double N is N + "H" and N + "L", the halves of its bit pattern as 32-bit
// integers) and a block in a binary stream (32-bit flags 1 size reference, 2 axis bounds,
// 4 image bounds, 8 points; then the doubles and a 32-bit point count). A read fills a new value
// and replaces the old one only when it succeeded, so a failed read changes nothing.

#include "vbRegKey.h"
#include "vbStreamIntf.h"

#include <cstdint>
#include <mutex>
#include <vector>

struct picCurvePoint {
    double x = 0;
    double y = 0;

    bool operator==(const picCurvePoint&) const = default;
};

struct picCurveData {
    // Refused when read: a larger count can only come from damaged or crafted data.
    static constexpr int32_t kMaxPoints = 100000;

    // Flag bits of the stream block.
    static constexpr uint32_t kHasSizeRef = 1;
    static constexpr uint32_t kHasAxisBounds = 2;
    static constexpr uint32_t kHasImageBounds = 4;
    static constexpr uint32_t kHasPoints = 8;

    // Value ranges of the axes (for a filter: nanometres, per cent).
    double xmin = 0;
    double xmax = 100;
    double ymin = 0;
    double ymax = 100;

    bool hasSizeRef = false;
    double sizeRefX = 0;
    double sizeRefY = 0;

    bool hasAxisBounds = false;
    double minAxisX = 0;
    double maxAxisX = 0;
    double minAxisY = 0;
    double maxAxisY = 0;

    bool hasImageBounds = false;
    double minImageX = 0;
    double maxImageX = 0;
    double minImageY = 0;
    double maxImageY = 0;

    std::vector<picCurvePoint> points;

    bool operator==(const picCurveData&) const = default;

    // A size reference stands only when both sides are above 10.
    static bool isValidSizeRef(double x, double y) { return x > 10 && y > 10; }

    // --- points (1-based positions) ---
    // Inserts in x order, or gives the point with exactly that x the new y; its position.
    int AddPoint(double x, double y);
    // Moves point i; landing on another point's exact x merges into that point. The moved point's
    // new position.
    int MovePoint(int i, double x, double y);
    // False when i is not a point's position.
    bool DeletePoint(int i);
    // Position of the point with exactly that x, or 0; insertAt gets the position a point with
    // that x has or would take.
    int FindX(double x, int* insertAt) const;

    // --- stored forms ---
    // Takes the flags, the three reference groups and the points; the axes' ranges stay.
    void CopyCurve(const picCurveData& other);
    void SaveToRegKey(vbRegKey& key) const;
    void LoadFromRegKey(vbRegKey& key);
    uint32_t StreamFlags() const;
    void WriteToStream(IvbOutputStream* out) const;
    void ReadFromStream(IvbInputStream* in);
};

// The curve of one editor. The editor changes it on the GUI thread while the assembly converts it
// on a download worker; every access goes through the lock, so a reader always sees a whole state.
class picCurve {
public:
    picCurve() = default;
    picCurve(const picCurve&) = delete;
    picCurve& operator=(const picCurve&) = delete;

    picCurveData Snapshot() const
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_data;
    }
    template <class F>
    auto Read(F&& f) const
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return f(static_cast<const picCurveData&>(m_data));
    }
    template <class F>
    auto Edit(F&& f)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return f(m_data);
    }

    // The stored forms, under the lock; reads fill a copy first and keep the ranges.
    void SaveToRegKey(vbRegKey& key) const;
    void LoadFromRegKey(vbRegKey& key);
    void WriteToStream(IvbOutputStream* out) const;
    void ReadFromStream(IvbInputStream* in);
    void CopyCurve(const picCurve& other);

private:
    mutable std::mutex m_lock;
    picCurveData m_data;
};
