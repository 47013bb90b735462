#include "picWavelengthTable.h"

#include "picTestSlot.h"

#include "vbObjects.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <utility>

namespace {

using pictest::Slot;

picSpectralTable tableOf(std::initializer_list<std::pair<int64_t, int64_t>> points)
{
    picSpectralTable t;
    for (auto [k, v] : points)
        t.putPoint(picSpectralPoint{k, v, 1});
    return t;
}

picSpectralTable completed(std::initializer_list<std::pair<int64_t, int64_t>> points)
{
    picSpectralTable t = tableOf(points);
    Slot f("user");
    completeTable(t, f);
    return t;
}

std::vector<std::pair<int64_t, int64_t>> pointsOf(const picSpectralTable& t)
{
    std::vector<std::pair<int64_t, int64_t>> out;
    for (int i = 1; i <= t.GetCount(); ++i)
        out.emplace_back(t[i].key, t[i].value);
    return out;
}

TEST(picSpectralTable, ValueAtInterpolatesInsideAndIsZeroOutside)
{
    const picSpectralTable single = tableOf({{500000, 7000}});
    const picSpectralTable ramp = tableOf({{400000, 0}, {500000, 100000}, {600000, -100000}});
    struct Case {
        const picSpectralTable* table;
        int64_t key;
        int64_t value;
    } cases[] = {
        {&single, 500000, 7000},
        {&single, 499999, 0},
        {&single, 500001, 0},
        {&ramp, 400000, 0},       // exact first key
        {&ramp, 600000, -100000}, // exact last key
        {&ramp, 399999, 0},       // one unit outside
        {&ramp, 600001, 0},
        {&ramp, 450000, 50000},
        {&ramp, 400001, 1},       // product first: 100000 * 1 / 100000
        {&ramp, 500003, 99994},   // 100000 + (-200000 * 3) / 100000 truncates toward zero
        {&ramp, 599999, -99998},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.table->valueAt(c.key), c.value) << "key " << c.key;
    EXPECT_EQ(picSpectralTable().valueAt(0), 0);
}

TEST(picSpectralTable, PointsStaySortedAndPutReplaces)
{
    picSpectralTable t;
    EXPECT_EQ(t.putPoint({500, 1, 1}), 1);
    EXPECT_EQ(t.putPoint({300, 2, 1}), 1);
    EXPECT_EQ(t.putPoint({400, 3, 1}), 2);
    EXPECT_EQ(t.putPoint({400, 9, 0}), 2);
    EXPECT_EQ(t.GetCount(), 3);
    EXPECT_EQ(t[2].value, 9);
    EXPECT_EQ(t[2].completed, 0);
    EXPECT_EQ(t.addKey(400), 2);
    EXPECT_EQ(t[2].value, 9);
    EXPECT_EQ(t.addKey(600), 4);
    EXPECT_EQ(t[4].completed, 0);

    int pos = 0;
    EXPECT_EQ(t.findPoint(450, &pos), nullptr);
    EXPECT_EQ(pos, 3);
    EXPECT_EQ(picSpectralTable().findPoint(1, &pos), nullptr);
    EXPECT_EQ(pos, 1);
}

TEST(picSpectralTable, SegmentAreaHalvesTowardZero)
{
    const picSpectralTable t = tableOf({{0, 3}, {10, 0}, {20, -3}});
    EXPECT_EQ(t.segmentArea(0, 10), 20);   // (3 + -3 / 2) * 10
    EXPECT_EQ(t.segmentArea(10, 20), -10); // (0 + -3 / 2) * 10
    EXPECT_EQ(t.segmentArea(-10, 0), 10);  // 0 outside the keys
}

TEST(picSpectralTable, CompletionStatistics)
{
    // Negative values still add area; tied maxima and minima keep the lowest key.
    const picSpectralTable t = completed({{0, 10}, {10, -30}, {20, 10}, {30, -30}});
    EXPECT_EQ(t.area, 300); // three segments of -100
    EXPECT_EQ(t.maxValue, 10);
    EXPECT_EQ(t.keyAtMax, 0);
    EXPECT_EQ(t.minValue, -30);
    EXPECT_EQ(t.keyAtMin, 10);

    const picSpectralTable neg = completed({{0, -100}, {10, -100}});
    EXPECT_EQ(neg.area, 1000);

    picSpectralTable empty;
    Slot f("!gray");
    EXPECT_FALSE(completeTable(empty, f));
    picSpectralTable noKey = tableOf({{0, 1}, {1, 1}});
    Slot none("");
    EXPECT_FALSE(completeTable(noKey, none));
    EXPECT_EQ(noKey.area, 0);
}

TEST(picSpectralTable, CompletionFillsMissingValuesFromTheFilterOnce)
{
    picSpectralTable t;
    t.addKey(430000);
    t.addKey(450000);
    t.addKey(455000);
    t.putPoint({460000, 5, 1});
    Slot blue("!blue");
    EXPECT_TRUE(completeTable(t, blue));
    EXPECT_EQ(pointsOf(t), (std::vector<std::pair<int64_t, int64_t>>{
                               {430000, 0}, {450000, 100000}, {455000, 100000}, {460000, 5}}));
    for (int i = 1; i <= t.GetCount(); ++i)
        EXPECT_EQ(t[i].completed, 1);

    picSpectralTable u;
    u.addKey(1);
    u.addKey(2);
    Slot user("user");
    completeTable(u, user);
    EXPECT_EQ(user.lookups, 1);
}

TEST(picSpectralTable, MergeKeysNeverExtends)
{
    picSpectralTable dst = tableOf({{100, 1}, {200, 1}});
    const picSpectralTable src = tableOf({{50, 0}, {100, 0}, {150, 0}, {200, 0}, {250, 0}});
    EXPECT_TRUE(mergeKeys(dst, src));
    ASSERT_EQ(dst.GetCount(), 3);
    EXPECT_EQ(dst[2].key, 150);
    EXPECT_EQ(dst[2].completed, 0);

    picSpectralTable empty;
    EXPECT_FALSE(mergeKeys(empty, src));
    EXPECT_FALSE(mergeKeys(dst, empty));
    EXPECT_EQ(empty.GetCount(), 0);
}

TEST(picSpectralTable, BuiltInBandsAndUserFilters)
{
    struct Case {
        const char* key;
        bool filled;
        std::vector<int64_t> keys;
        bool curveFilled;
    } cases[] = {
        {"!gray", true, {440000, 460000, 540000, 560000, 640000, 660000}, false},
        {"!red", true, {640000, 660000}, false},
        {"!green", true, {540000, 560000}, false},
        {"!blue", true, {440000, 460000}, false},
        {"!hidden", false, {}, true},
        {"", false, {}, true},
        {"!Red", false, {}, true}, // keys compare exactly: a user key that names nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        picSpectralTable t;
        Slot f(c.key);
        EXPECT_EQ(fillFilterTable(t, f), c.filled);
        ASSERT_EQ(t.GetCount(), static_cast<int>(c.keys.size()));
        for (int i = 1; i <= t.GetCount(); ++i) {
            EXPECT_EQ(t[i].key, c.keys[static_cast<size_t>(i - 1)]);
            EXPECT_EQ(t[i].value, 100000);
            EXPECT_EQ(t[i].completed, 1);
        }
        picSpectralTable curve;
        EXPECT_EQ(fillCurveTable(curve, f), c.curveFilled);
        EXPECT_EQ(curve.GetCount(), 0);
    }

    Slot user("flt", pictest::curveOf(400, 750, 0, 100, {{0, 50}, {100, 50}}));
    picSpectralTable a;
    picSpectralTable b;
    EXPECT_TRUE(fillFilterTable(a, user));
    EXPECT_TRUE(fillCurveTable(b, user));
    EXPECT_EQ(pointsOf(a), pointsOf(b));
    EXPECT_EQ(a.GetCount(), 2);

    Slot missing("flt"); // found nowhere
    picSpectralTable c;
    EXPECT_FALSE(fillFilterTable(c, missing));
    EXPECT_TRUE(fillCurveTable(c, missing));
    EXPECT_EQ(c.GetCount(), 0);
}

TEST(picSpectralTable, CurveToTableScalesAndTruncates)
{
    picCurve curve;
    curve.Edit([](picCurveData& d) {
        d = pictest::curveOf(400, 750, 0, 100, {{32.8, 33.3333}, {69.1, 100}});
    });
    picSpectralTable t;
    EXPECT_TRUE(curveToTable(curve, t));
    // In double, 400 + 350 * 32.8 * 0.01 falls just below 514.8 nm, and 350 * 69.1 * 0.01 just
    // below 241.85 (taking x * 0.01 first would round up to 641850).
    EXPECT_EQ(pointsOf(t), (std::vector<std::pair<int64_t, int64_t>>{{514799, 33333}, {641849, 100000}}));
    EXPECT_FALSE(curveToTable(picCurveData(), t));
}

TEST(picClusterSet, ToleranceBoundsAndFirstClusterWins)
{
    picClusterSet set;
    set.add(500000, 1);
    set.add(495000, 0); // both ends inclusive
    set.add(505000, 0);
    set.add(505001, 1); // beyond: a cluster of its own
    set.add(503000, 2); // near both centres: the first one takes it
    ASSERT_EQ(set.GetCount(), 2);
    EXPECT_EQ(set[1].count, 4);
    EXPECT_EQ(set[1].weightSum, 3);
    EXPECT_EQ(set[1].centre, 502000); // (500000 + 503000 * 2) / 3
    EXPECT_EQ(set[2].centre, 505001);
    set.clear();
    EXPECT_EQ(set.GetCount(), 0);
}

TEST(picClusterSet, CancellingWeightsKeepTheCentre)
{
    picClusterSet set;
    set.add(500000, -50000);
    set.add(500000, 50000);
    ASSERT_EQ(set.GetCount(), 1);
    EXPECT_EQ(set[1].weightSum, 0);
    EXPECT_EQ(set[1].centre, 500000);
    set.add(502000, 10);
    EXPECT_EQ(set[1].centre, 502000);
}

TEST(picSpectralTable, InverseLookupSegmentCases)
{
    const picSpectralTable red = completed({{640000, 100000}, {660000, 100000}});
    const picSpectralTable peak = completed({{400000, 0}, {500000, 100000}, {600000, 100000}, {700000, 20000}});
    struct Case {
        const picSpectralTable* table;
        int64_t value;
        std::vector<int64_t> keys;
    } cases[] = {
        {&red, 100001, {640000}}, // above the maximum: the key of the first maximum
        {&red, 100000, {660000}}, // flat segment
        {&red, 99999, {640000}},  // below the minimum
        {&peak, 50000, {450000, 662500}},
        {&peak, 100000, {500000, 600000, 600000}}, // inner points count once per segment
        {&peak, 60000, {460000, 650000}},
        {&peak, 20000, {420000, 700000}},
        {&peak, -1, {400000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        picClusterSet set(0);
        inverseLookup(*c.table, c.value, 7, set);
        std::vector<int64_t> keys;
        for (int i = 1; i <= set.GetCount(); ++i)
            for (int n = 0; n < set[i].count; ++n)
                keys.push_back(set[i].centre);
        EXPECT_EQ(keys, c.keys);
    }
    picClusterSet set;
    inverseLookup(red, 5, 0, set);
    inverseLookup(picSpectralTable(), 5, 1, set);
    EXPECT_EQ(set.GetCount(), 0);
}

TEST(picSpectralTable, DistributePixelSharesByTotal)
{
    const picSpectralTable ramp = completed({{400000, 0}, {500000, 100000}});
    const picSpectralTable* tables[] = {&ramp, &ramp};
    picClusterSet set;
    const int64_t values[] = {30000, 10000};
    distributePixel(values, tables, 2, set);
    ASSERT_EQ(set.GetCount(), 2);
    EXPECT_EQ(set[1].centre, 475000); // w = 30000 * 100000 / 40000
    EXPECT_EQ(set[1].weightSum, 30000);
    EXPECT_EQ(set[2].centre, 425000);

    const int64_t none[] = {5, -5};
    set.clear();
    distributePixel(none, tables, 2, set);
    EXPECT_EQ(set.GetCount(), 0);
}

} // namespace
