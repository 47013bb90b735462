#include "assembly/picAssemblyPixels.h"
#include "assembly/picAssemblyTables.h"
#include "assembly/picRowRunner.h"

#include "picAssemblyReference.h"

#include "vbEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace pictest;

// ---- Running a set-up ----

struct Run {
    std::unique_ptr<picAssemblyTables> tables;
    bool curves = false;
    std::vector<std::vector<uint8_t>> sourcePixels; // one row per source
    int width = 0;
};

std::unique_ptr<picPixelKernel> kernelFor(const Scene& s, const picAssemblyTables& t, bool curves)
{
    picPixelOutput out;
    out.mono = s.mono;
    std::vector<picPixelSource> sources;
    for (int c = 0; c < 3; ++c) {
        out.factors[c] = s.factors[c];
        out.tables[c] = t.output(c);
    }
    for (size_t i = 0; i < s.sources.size(); ++i) {
        picPixelSource p;
        p.mono = s.sources[i].mono;
        p.grey = s.sources[i].grey;
        for (int n = 0; n < 3; ++n) {
            p.factors[n] = static_cast<int64_t>(s.sources[i].factors[n] * 1000);
            p.tables[n] = t.source(static_cast<int>(i), n);
        }
        sources.push_back(p);
    }
    return curves ? picMakeCurveKernel(out, sources) : picMakeBandKernel(out, sources);
}

// Random rows of W x H pixels for every source (fixed seed), assembled on the given threads and
// compared byte for byte with the reference.
void checkAgainstReference(Scene& s, int threads, bool expectCurves)
{
    SCOPED_TRACE(std::string(s.name) + ", threads " + std::to_string(threads));
    bool curves = false;
    auto tables = prepare(s, &curves);
    ASSERT_TRUE(tables);
    EXPECT_EQ(curves, expectCurves);
    ASSERT_EQ(tables->GetSourceCount(), static_cast<int>(s.sources.size()));
    auto kernel = kernelFor(s, *tables, curves);

    const int W = 37, H = 41;
    std::mt19937 rng(20261210);
    std::vector<std::vector<uint8_t>> pixels;
    for (const SourceScene& src : s.sources) {
        std::vector<uint8_t> p(static_cast<size_t>(W * H * (src.grey ? 1 : 3)));
        for (uint8_t& b : p)
            b = static_cast<uint8_t>(rng() & 0xFF);
        pixels.push_back(std::move(p));
    }
    std::vector<uint8_t> result(static_cast<size_t>(W * H * 3), 0xAA);
    auto rowOf = [&](size_t i, int y) { return pixels[i].data() + static_cast<size_t>(y * W * (s.sources[i].grey ? 1 : 3)); };
    picRunRows(H, threads, [&](int first, int end) {
        for (int y = first; y < end; ++y) {
            std::vector<const uint8_t*> rows;
            for (size_t i = 0; i < pixels.size(); ++i)
                rows.push_back(rowOf(i, y));
            kernel->computeRow(rows.data(), result.data() + static_cast<size_t>(y * W * 3), W);
        }
    }, [](int) { });

    int mismatches = 0;
    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            std::vector<const uint8_t*> px;
            for (size_t i = 0; i < pixels.size(); ++i)
                px.push_back(rowOf(i, y) + x * (s.sources[i].grey ? 1 : 3));
            const std::array<int, 3> bytes = refPixel(s, *tables, curves, px);
            const uint8_t* got = &result[static_cast<size_t>((y * W + x) * 3)];
            if (got[2] != bytes[0] || got[1] != bytes[1] || got[0] != bytes[2])
                ++mismatches;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

std::vector<std::pair<Scene, bool>> setups()
{
    Slot flat = curve({{0, 60}, {100, 60}});
    Slot peakR = curve({{60, 0}, {80, 90}, {100, 10}});
    Slot peakG = curve({{30, 5}, {50, 80}, {70, 0}});
    Slot peakB = curve({{0, 70}, {20, 40}, {40, 0}});
    std::vector<std::pair<Scene, bool>> v;
    v.push_back({Scene{"band identity", false, {Slot("!red"), Slot("!green"), Slot("!blue")}, {100, 100, 100},
        {colour(Slot("!red"), Slot("!green"), Slot("!blue"))}}, false});
    v.push_back({Scene{"three mono sources into RGB", false, {Slot("!red"), Slot("!green"), Slot("!blue")}, {100, 120, 80},
        {mono(Slot("!red")), mono(Slot("!green"), 150, true), mono(Slot("!blue"), 90)}}, false});
    v.push_back({Scene{"mono project", true, {Slot("!gray"), Slot("!red"), Slot("!red")}, {110, 100, 100},
        {colour(Slot("!gray"), Slot("!gray"), Slot("!gray")), mono(Slot("!red"), 70, true)}}, false});
    v.push_back({Scene{"mono project of one band", true, {Slot("!green"), Slot("!red"), Slot("!red")}, {120, 100, 100},
        {mono(Slot("!green"), 90, true)}}, false});
    v.push_back({Scene{"channels that no source lights", false, {Slot("!red"), Slot("!green"), Slot("!blue")}, {100, 100, 100},
        {mono(Slot("!blue"), 100, true)}}, false});
    v.push_back({Scene{"user curves", false, {peakR, peakG, peakB}, {100, 100, 100},
        {mono(peakR), mono(peakG, 130, true), colour(flat, peakG, peakB, 80, 100, 120)}}, true});
    v.push_back({Scene{"mixed", false, {peakR, Slot("!green"), peakB}, {100, 100, 100},
        {mono(peakR), colour(Slot("!gray"), peakG, flat, 100, 90, 110), mono(flat, 100, true)}}, false});
    v.push_back({Scene{"negative factors", false, {flat, peakG, peakB}, {100, 100, 100},
        {colour(flat, flat, flat, -100, 100, 100), mono(peakG, -50)}}, true});
    v.push_back({Scene{"negative factors in bands", false, {Slot("!gray"), peakG, Slot("!blue")}, {-20, 100, 100},
        {colour(Slot("!gray"), Slot("!gray"), Slot("!gray"), -100, 100, 999), mono(peakG, -50)}}, false});
    v.push_back({Scene{"factors up to 999", false, {Slot("!gray"), Slot("!gray"), peakB}, {999, 999, 100},
        {colour(Slot("!gray"), Slot("!gray"), Slot("!gray"), 999, 999, 999), mono(peakB, 999)}}, false});
    v.push_back({Scene{"curve factors up to 999", false, {peakR, peakG, peakB}, {999, 999, 100},
        {colour(flat, peakG, peakB, 999, 999, 999), mono(peakB, 999)}}, true});
    return v;
}

class picAssemblyPixelsTest : public ::testing::Test {
protected:
    vbUseEngineCenter use{&g_vbEngineCenter, false};
};

TEST_F(picAssemblyPixelsTest, BothWorkersMatchTheReferenceOnOneThreadAndOnAllCores)
{
    for (auto& [setup, curves] : setups()) {
        checkAgainstReference(setup, 1, curves);
        checkAgainstReference(setup, picDefaultRowThreads() + 1, curves);
    }
}

// Runs one row of explicit pixels (one colour source) through the routed worker.
std::vector<uint8_t> assembleRow(Scene& s, const std::vector<uint8_t>& bgr)
{
    bool curves = false;
    auto tables = prepare(s, &curves);
    auto kernel = kernelFor(s, *tables, curves);
    std::vector<uint8_t> out(bgr.size());
    const uint8_t* rows[] = {bgr.data()};
    kernel->computeRow(rows, out.data(), static_cast<int>(bgr.size() / 3));
    return out;
}

TEST_F(picAssemblyPixelsTest, BandIdentityGivesBackEveryChannelByte)
{
    Scene s{"identity", false, {Slot("!red"), Slot("!green"), Slot("!blue")}, {100, 100, 100},
        {colour(Slot("!red"), Slot("!green"), Slot("!blue"))}};
    std::vector<uint8_t> bgr;
    for (int i = 0; i < 256; ++i)
        bgr.insert(bgr.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)});
    EXPECT_EQ(assembleRow(s, bgr), bgr);
}

// The band sums pass 2^63 for ordinary pixels of a "!gray" output: every grey level must come out
// as the exact arithmetic says, with no wrapped value.
TEST_F(picAssemblyPixelsTest, GrayBandsStayExactForEveryLevel)
{
    for (double factor : {100.0, 999.0}) {
        SCOPED_TRACE(factor);
        Scene s{"gray", false, {Slot("!gray"), Slot("!gray"), Slot("!gray")}, {100, 100, 100},
            {colour(Slot("!gray"), Slot("!gray"), Slot("!gray"), factor, factor, factor)}};
        std::vector<uint8_t> bgr;
        for (int i = 0; i < 256; ++i)
            bgr.insert(bgr.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(i), static_cast<uint8_t>(i)});
        const std::vector<uint8_t> out = assembleRow(s, bgr);
        bool curves = false;
        auto tables = prepare(s, &curves);
        for (int i = 0; i < 256; ++i) {
            const uint8_t* px = &bgr[static_cast<size_t>(i * 3)];
            PixelInputs in = refValues(s, *tables, {px});
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(out[static_cast<size_t>(i * 3 + 2 - c)], refByte(refBand(*tables->output(c), in), 100)) << "level " << i;
        }
        // Every channel is lit: a level above 0 never comes out black.
        EXPECT_GT(out[3 * 255], 0);
    }
}

// Weights of opposite signs on one key cancel to a weight sum of 0.
TEST_F(picAssemblyPixelsTest, CancellingWeightsCompleteThePixel)
{
    Slot flat = curve({{0, 60}, {100, 60}});
    Scene s{"cancel", false, {flat, flat, flat}, {100, 100, 100}, {colour(flat, flat, flat, -100, 100, 100)}};
    const std::vector<uint8_t> bgr{10, 50, 50};
    const std::vector<uint8_t> out = assembleRow(s, bgr);
    bool curves = false;
    auto tables = prepare(s, &curves);
    ASSERT_TRUE(curves);
    PixelInputs in = refValues(s, *tables, {bgr.data()});
    EXPECT_EQ(out[2], refByte(refCurve(*tables->output(0), in), 100));
    EXPECT_EQ(out[0], refByte(refCurve(*tables->output(2), in), 100));
}

TEST_F(picAssemblyPixelsTest, ChannelBytesTruncateAndClamp)
{
    struct Case {
        double a, p;
        int byte;
    } cases[] = {{100000, 100, 100}, {25599999, 1, 255}, {25500000, 100, 255}, {-1, 100, 0},
        {99999, 100, 99}, {1e30, 999, 255}, {-1e30, 100, 0}, {12345, -100, 0}};
    for (const Case& c : cases)
        EXPECT_EQ(picChannelByte(c.a, c.p), c.byte) << c.a << " x " << c.p;
}

TEST_F(picAssemblyPixelsTest, UnusedSlotsAndHiddenKeepTheCurveWorker)
{
    Slot flat = curve({{0, 60}, {100, 60}});
    struct Case {
        const char* name;
        Scene setup;
        bool curves;
    } cases[] = {
        {"band key in the project", Scene{"", false, {flat, Slot("!red"), flat}, {100, 100, 100}, {mono(flat)}}, false},
        {"band key in an image", Scene{"", false, {flat, flat, flat}, {100, 100, 100}, {colour(flat, flat, Slot("!blue"))}}, false},
        {"hidden", Scene{"", false, {flat, Slot("!hidden"), flat}, {100, 100, 100}, {colour(flat, Slot("!hidden"), flat)}}, true},
        {"unused project slot", Scene{"", true, {flat, Slot("!red"), Slot("!gray")}, {100, 100, 100}, {mono(flat)}}, true},
        {"unused image slot", Scene{"", false, {flat, flat, flat}, {100, 100, 100}, {mono(flat), SourceScene{true, false, {flat, Slot("!gray"), Slot("!red")}, {100, 100, 100}}}}, true},
    };
    for (Case& c : cases) {
        bool curves = false;
        EXPECT_TRUE(prepare(c.setup, &curves)) << c.name;
        EXPECT_EQ(curves, c.curves) << c.name;
    }
}

TEST_F(picAssemblyPixelsTest, RowsReportRisingPositionsAndStopOnAFailure)
{
    for (int threads : {1, 4}) {
        SCOPED_TRACE(threads);
        std::vector<int> reported;
        std::vector<std::atomic<int>> done(500);
        picRunRows(500, threads, [&](int first, int end) {
            for (int y = first; y < end; ++y)
                ++done[static_cast<size_t>(y)];
        }, [&](int row) { reported.push_back(row); });
        for (auto& d : done)
            EXPECT_EQ(d.load(), 1);
        ASSERT_FALSE(reported.empty());
        EXPECT_EQ(reported.front(), 0);
        EXPECT_EQ(reported.back(), 499);
        EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end()));
        EXPECT_EQ(std::adjacent_find(reported.begin(), reported.end()), reported.end());

        std::atomic<int> computed{0};
        int calls = 0;
        EXPECT_THROW(picRunRows(500, threads,
                         [&](int first, int end) {
                             std::this_thread::sleep_for(std::chrono::microseconds(200));
                             computed += end - first;
                         },
                         [&](int) {
                             if (++calls == 2)
                                 throw std::runtime_error("stop");
                         }),
            std::runtime_error);
        // The helpers are gone: nothing runs once the failure has left.
        const int after = computed.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(computed.load(), after);
    }
}

} // namespace
