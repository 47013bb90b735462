#pragma once

// The per-pixel work of the result-image assembly, on plain inputs: completed tables, factors and
// rows of bytes. A kernel is prepared once per run and then computes rows on any thread.

#include "picWavelengthTable.h"

#include <cstdint>
#include <memory>
#include <vector>

// One source image as the pixels see it.
struct picPixelSource {
    bool mono = false;
    // One byte per pixel, taken as B = G = R; otherwise B, G, R.
    bool grey = false;
    // trunc(factor * 1000) of the slots C1, C2, C3.
    int64_t factors[3] = {100000, 100000, 100000};
    // S1, S2, S3; a monochrome source uses S1 only.
    const picSpectralTable* tables[3] = {};
};

// The project's output: C1 gives red, C2 green, C3 blue; a monochrome project uses C1 only.
struct picPixelOutput {
    bool mono = false;
    double factors[3] = {100, 100, 100};
    const picSpectralTable* tables[3] = {};
};

class picPixelKernel {
public:
    virtual ~picPixelKernel() = default;
    // One result row (B, G, R) from the sources' rows, in source order.
    virtual void computeRow(const uint8_t* const* sourceRows, uint8_t* resultRow, int width) const = 0;
};

// The light of each segment of the output tables, shared out by the sources' areas.
std::unique_ptr<picPixelKernel> picMakeBandKernel(const picPixelOutput& output, const std::vector<picPixelSource>& sources);
// The wavelengths each pixel's values stand for, clustered and seen through the output curves.
std::unique_ptr<picPixelKernel> picMakeCurveKernel(const picPixelOutput& output, const std::vector<picPixelSource>& sources);

// A channel value A as a byte: trunc(A * factor * 0.00001) in double, clamped to 0..255.
uint8_t picChannelByte(double a, double factor);
