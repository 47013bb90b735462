#pragma once

// Spectral tables: a light filter, or the light of one pixel, as sorted points of wavelength
// (keys in 1/1000 nm) and value (transmission in 1/1000 %). All arithmetic is signed 64-bit with
// products formed before the truncating divisions, so that every build gives the same results.

#include "picCurveData.h"

#include "vbArray.h"
#include "vbString.h"

#include <cstdint>
#include <vector>

class sIpicFilterSource;

struct picSpectralPoint {
    int64_t key = 0;
    int64_t value = 0;
    // 1: the value is known; 0: only the key is, the value is computed on completion.
    int32_t completed = 0;
};

class picSpectralTable {
public:
    int GetCount() const { return m_points.GetLength(); }
    // Point i, from 1.
    const picSpectralPoint& operator[](int i) const { return m_points[i]; }

    // The point of that key or null; pos is its position, or the position the key belongs at.
    const picSpectralPoint* findPoint(int64_t key, int* pos) const;
    // Inserts the point, or overwrites the point of its key; answers its position.
    int putPoint(const picSpectralPoint& point);
    // Inserts an uncompleted point (value 0) unless the key is there; answers the key's position.
    int addKey(int64_t key);
    // Linear interpolation between the neighbours; 0 outside the keys and for an empty table.
    int64_t valueAt(int64_t key) const;
    // Trapezoid between the values at a and b.
    int64_t segmentArea(int64_t a, int64_t b) const;

    // Valid after completion.
    int64_t area = 0;
    int64_t keyAtMin = 0;
    int64_t minValue = 0;
    int64_t keyAtMax = 0;
    int64_t maxValue = 0;

private:
    friend bool completeTable(picSpectralTable& table, sIpicFilterSource& filter);
    vbArray<picSpectralPoint> m_points;
};

// A filter slot as the tables see it: its key, and the curve of the light filter a key that is
// not a built-in one names.
class sIpicFilterSource {
public:
    virtual ~sIpicFilterSource() = default;
    virtual vbString GetKey() = 0;
    // Looks the light filter up; when found, converts its curve into the table and tells whether
    // that worked. Answers whether it was found.
    virtual bool fillFromCurve(picSpectralTable& table, bool* converted) = 0;
};

// The built-in band keys: "!gray" and its three 20 nm bands.
bool picIsBandKey(const vbString& key);

// Fills the missing values from the filter and computes area, minimum and maximum; answers
// whether the area is not 0. Nothing happens for an empty key or table.
bool completeTable(picSpectralTable& table, sIpicFilterSource& filter);
// Adds the source's keys that lie strictly inside the destination's range.
bool mergeKeys(picSpectralTable& dst, const picSpectralTable& src);
// Band keys give their built-in points; other keys their light filter's curve.
bool fillFilterTable(picSpectralTable& table, sIpicFilterSource& filter);
// As fillFilterTable for curves; false for a band key, so that the band assembly takes over.
bool fillCurveTable(picSpectralTable& table, sIpicFilterSource& filter);
// The points of a curve as completed table points, in the units of its axes; false when the curve
// has no points.
bool curveToTable(const picCurveData& curve, picSpectralTable& table);
// The same under the curve's lock, which its editor takes for every change.
bool curveToTable(const picCurve& curve, picSpectralTable& table);

struct picWavelengthCluster {
    int64_t centre = 0;
    int64_t keySum = 0; // weighted
    int64_t weightSum = 0;
    int32_t count = 0;
};

// Wavelengths gathered around the centres of the keys they received, in creation order.
class picClusterSet {
public:
    explicit picClusterSet(int64_t tolerance = 5000) : m_tolerance(tolerance) { }

    void add(int64_t key, int64_t weight);
    // Keeps the storage, so that a pixel loop does not allocate.
    void clear() { m_clusters.clear(); }

    int GetCount() const { return static_cast<int>(m_clusters.size()); }
    // Cluster i, from 1.
    const picWavelengthCluster& operator[](int i) const { return m_clusters[static_cast<size_t>(i - 1)]; }

private:
    int64_t m_tolerance;
    std::vector<picWavelengthCluster> m_clusters;
};

// The keys at which a completed table takes the value, added with the weight.
void inverseLookup(const picSpectralTable& table, int64_t value, int64_t weight, picClusterSet& clusters);
// Each value's share of the total, looked up in its table, weighted by the value.
void distributePixel(const int64_t* values, const picSpectralTable* const* tables, int count, picClusterSet& clusters);
