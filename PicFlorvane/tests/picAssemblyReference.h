#pragma once

// The assembly's per-pixel arithmetic written out one pixel at a time with exact sums, for the
// tests to compare the program's results with: a project's set-up, the tables the workers build
// for it, and each output channel's byte of a pixel.

#include "assembly/picAssemblyTables.h"

#include "picTestSlot.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace pictest {

struct SourceScene {
    bool mono;
    bool grey;
    Slot slots[3];
    double factors[3];
};

struct Scene {
    const char* name;
    bool mono;
    Slot slots[3];
    double factors[3];
    std::vector<SourceScene> sources;
};

inline SourceScene colour(Slot a, Slot b, Slot c, double fa = 100, double fb = 100, double fc = 100)
{
    return SourceScene{false, false, {a, b, c}, {fa, fb, fc}};
}
inline SourceScene mono(Slot a, double f = 100, bool grey = false) { return SourceScene{true, grey, {a, Slot(), Slot()}, {f, 100, 100}}; }

using refInt128 = __int128;

struct RefCluster {
    int64_t centre, keySum, weightSum, count;
};

inline void refAdd(std::vector<RefCluster>& cl, int64_t key, int64_t weight)
{
    for (RefCluster& c : cl) {
        if (c.centre - 5000 <= key && key <= c.centre + 5000) {
            c.keySum += key * weight;
            c.weightSum += weight;
            c.count += 1;
            if (c.weightSum != 0)
                c.centre = c.keySum / c.weightSum;
            return;
        }
    }
    cl.push_back({key, key * weight, weight, 1});
}

inline void refInverse(const picSpectralTable& t, int64_t value, int64_t weight, std::vector<RefCluster>& cl)
{
    if (weight == 0 || t.GetCount() == 0)
        return;
    if (value > t.maxValue)
        return refAdd(cl, t.keyAtMax, weight);
    if (value < t.minValue)
        return refAdd(cl, t.keyAtMin, weight);
    for (int i = 1; i < t.GetCount(); ++i) {
        int64_t x0 = t[i].key, y0 = t[i].value, x1 = t[i + 1].key, y1 = t[i + 1].value;
        if (y0 < y1 && y0 <= value && value <= y1)
            refAdd(cl, x0 + ((x1 - x0) * (value - y0)) / (y1 - y0), weight);
        else if (y0 == y1 && value == y1)
            refAdd(cl, x1, weight);
        else if (y0 > y1 && y1 <= value && value <= y0)
            refAdd(cl, x0 + ((x1 - x0) * (y0 - value)) / (y0 - y1), weight);
    }
}

inline int refByte(double a, double p)
{
    double d = a * p * 0.00001;
    if (d >= 255)
        return 255;
    if (d <= 0)
        return 0;
    return static_cast<int>(static_cast<int64_t>(d));
}

struct PixelInputs {
    std::vector<int64_t> values;
    std::vector<const picSpectralTable*> tables;
};

// px: each source's pixel, B, G, R or one grey byte.
inline PixelInputs refValues(const Scene& s, const picAssemblyTables& tables, const std::vector<const uint8_t*>& px)
{
    PixelInputs in;
    for (size_t i = 0; i < s.sources.size(); ++i) {
        const SourceScene& src = s.sources[i];
        int B = px[i][0], G = src.grey ? B : px[i][1], R = src.grey ? B : px[i][2];
        if (src.mono) {
            in.values.push_back(((B + G + R) * static_cast<int64_t>(src.factors[0] * 1000)) / 300);
            in.tables.push_back(tables.source(static_cast<int>(i), 0));
        } else {
            int bytes[3] = {R, G, B};
            for (int n = 0; n < 3; ++n) {
                in.values.push_back((bytes[n] * static_cast<int64_t>(src.factors[n] * 1000)) / 100);
                in.tables.push_back(tables.source(static_cast<int>(i), n));
            }
        }
    }
    return in;
}

inline double refBand(const picSpectralTable& T, const PixelInputs& in)
{
    refInt128 acc = 0;
    for (int k = 1; k < T.GetCount(); ++k) {
        int64_t a = T[k].key, b = T[k + 1].key;
        int64_t aOut = T.segmentArea(a, b);
        if (aOut == 0)
            continue;
        refInt128 num = 0, den = 0;
        for (size_t j = 0; j < in.values.size(); ++j) {
            const picSpectralTable& S = *in.tables[j];
            int64_t A = S.segmentArea(a, b);
            if (A == 0)
                continue;
            refInt128 ratio = (refInt128{S.area} * 10000) / A;
            num += ((refInt128{in.values[j]} * aOut) * 10000) / A;
            den += ratio == 0 ? 1 : ratio;
        }
        if (den != 0)
            acc += num / den;
    }
    return static_cast<double>(acc);
}

inline double refCurve(const picSpectralTable& T, const PixelInputs& in)
{
    std::vector<RefCluster> cl;
    int64_t total = 0;
    for (int64_t v : in.values)
        total += v;
    if (total > 0)
        for (size_t j = 0; j < in.values.size(); ++j)
            refInverse(*in.tables[j], (in.values[j] * 100000) / total, in.values[j], cl);
    int64_t sum = 0, count = 0;
    for (const RefCluster& c : cl) {
        int64_t t = T.valueAt(c.centre);
        int64_t r = (c.weightSum * 3) / c.count;
        if (t != 0) {
            sum += ((r * ((t * 255) / 100)) / 255000) * c.count;
            count += c.count;
        }
    }
    return count != 0 ? static_cast<double>(sum / count) : 0.0;
}

// The tables of the set-up: curve mode unless a used slot holds a band key, as the workers route.
// Null when neither mode takes it.
inline std::unique_ptr<picAssemblyTables> prepare(Scene& s, bool* curves)
{
    for (auto mode : {picAssemblyTables::curves, picAssemblyTables::bands}) {
        auto t = std::make_unique<picAssemblyTables>(mode, s.mono);
        sIpicFilterSource* out[3] = {&s.slots[0], &s.slots[1], &s.slots[2]};
        bool ok = t->setOutput(out);
        for (SourceScene& src : s.sources) {
            sIpicFilterSource* sl[3] = {&src.slots[0], &src.slots[1], &src.slots[2]};
            ok = ok && t->addSource(src.mono, sl) != picAssemblyTables::needBands;
        }
        if (ok) {
            t->complete();
            *curves = mode == picAssemblyTables::curves;
            return t;
        }
    }
    return nullptr;
}

// The red, green and blue bytes of one result pixel.
inline std::array<int, 3> refPixel(const Scene& s, const picAssemblyTables& tables, bool curves,
    const std::vector<const uint8_t*>& px)
{
    const PixelInputs in = refValues(s, tables, px);
    std::array<int, 3> bytes{};
    for (int c = 0; c < (s.mono ? 1 : 3); ++c) {
        const double a = curves ? refCurve(*tables.output(c), in) : refBand(*tables.output(c), in);
        bytes[static_cast<size_t>(c)] = refByte(a, s.factors[c]);
    }
    if (s.mono)
        bytes[1] = bytes[2] = bytes[0];
    return bytes;
}

} // namespace pictest
