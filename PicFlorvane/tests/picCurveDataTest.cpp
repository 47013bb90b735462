#include "picCurveData.h"
#include "picWavelengthTable.h"

#include "vbEngine.h"
#include "vbException.h"
#include "vbMemoryStream.h"
#include "vbRegEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using MemPtr = vbRefPtr<vbMemoryStream, &IID_vbMemoryStream>;
using Values = std::map<std::string, int32_t>;

MemPtr memoryOf(const Bytes& bytes)
{
    MemPtr s;
    vbMemoryStream::CreateObject(&s);
    if (!bytes.empty())
        s->Write(bytes.data(), DWORD(bytes.size()), true);
    s->Seek(0, vbSeekStart);
    return s;
}

Bytes bytesOf(vbMemoryStream* s)
{
    vbData d;
    s->CopyTo(&d);
    auto* p = static_cast<const unsigned char*>(static_cast<const void*>(d));
    return p ? Bytes(p, p + d.GetLength()) : Bytes{};
}

vbRegKey testKey() { return vbRegKey(vbRegVantUser, "PicFlorvane\\CurveTest"); }

Values valuesOf(vbRegKey& key)
{
    Values values;
    vbRegEnumValue e(key);
    vbString name;
    vbVariant value;
    while (e.Next(&name, &value))
        values[name.c_str()] = value.GetAsLong();
    return values;
}

void putValues(vbRegKey& key, const Values& values)
{
    for (const auto& [name, v] : values) {
        vbVariant value;
        value.SetAsLong(v);
        key.SetValue(name.c_str(), value);
    }
}

// Runs f and expects a library exception with that message; answers its code.
template <class F>
HRESULT thrownCode(F&& f, const char* message)
{
    try {
        f();
    } catch (vbEbase* e) {
        EXPECT_STREQ(e->GetMsg(), message);
        HRESULT hr = e->GetRealHR();
        e->Delete();
        return hr;
    }
    ADD_FAILURE() << "nothing thrown; expected " << message;
    return S_OK;
}

// A curve with every group; the doubles' bit patterns are known halves.
picCurveData fullCurve()
{
    picCurveData c;
    c.hasSizeRef = true;
    c.sizeRefX = 1024; // 0x40900000 00000000
    c.sizeRefY = 768;
    c.hasAxisBounds = true;
    c.minAxisX = 0.1;  // 0x3FB99999 9999999A
    c.maxAxisX = 2;
    c.minAxisY = -2.5; // 0xC0040000 00000000
    c.maxAxisY = 4;
    c.hasImageBounds = true;
    c.minImageX = 5;
    c.maxImageX = 6;
    c.minImageY = 7;
    c.maxImageY = 8;
    c.points = {{10, 20}, {30.5, 40}};
    return c;
}

int32_t high(double v) { return int32_t(std::bit_cast<uint64_t>(v) >> 32); }
int32_t low(double v) { return int32_t(uint32_t(std::bit_cast<uint64_t>(v))); }

// The registry needs the engine centre.
class picCurveStore : public ::testing::Test {
protected:
    void SetUp() override { m_use.StartUse(true); }
    void TearDown() override { m_use.StopUse(); }

private:
    vbUseEngineCenter m_use;
};

} // namespace

TEST(picCurveData, PointsStaySortedWithOneXEach)
{
    picCurveData c;
    EXPECT_EQ(c.AddPoint(50, 1), 1);
    EXPECT_EQ(c.AddPoint(10, 2), 1);
    EXPECT_EQ(c.AddPoint(90, 3), 3);
    EXPECT_EQ(c.AddPoint(50, 9), 2) << "the same x replaces y";
    EXPECT_EQ(c.points, (std::vector<picCurvePoint>{{10, 2}, {50, 9}, {90, 3}}));

    struct Move {
        int from;
        double x, y;
        int to;
        std::vector<picCurvePoint> after;
    };
    const Move moves[] = {
        {2, 60, 5, 2, {{10, 2}, {60, 5}, {90, 3}}},          // in place between its neighbours
        {1, 95, 4, 3, {{60, 5}, {90, 3}, {95, 4}}},          // past the others
        {3, 60, 7, 1, {{60, 7}, {90, 3}}},                   // onto another x: merged, keeps the new y
        {1, 90, 1, 1, {{90, 1}}},                            // merged into the later one
        {1, 90, 8, 1, {{90, 8}}},                            // onto its own x
    };
    for (const Move& m : moves) {
        EXPECT_EQ(c.MovePoint(m.from, m.x, m.y), m.to) << m.from << "->" << m.x;
        EXPECT_EQ(c.points, m.after) << m.from << "->" << m.x;
    }
    EXPECT_FALSE(c.DeletePoint(2));
    EXPECT_TRUE(c.DeletePoint(1));
    EXPECT_TRUE(c.points.empty());
}

TEST_F(picCurveStore, RegistryNamesAndHalvesOfEveryGroup)
{
    vbRegKey key = testKey();
    fullCurve().SaveToRegKey(key);
    Values expected = {
        {"curve-sizeRefXH", 0x40900000}, {"curve-sizeRefXL", 0},
        {"curve-MinAxisXH", 0x3FB99999}, {"curve-MinAxisXL", int32_t(0x9999999A)},
        {"curve-MinAxisYH", int32_t(0xC0040000)}, {"curve-MinAxisYL", 0},
        {"curve-PtCount", 2},
        {"curve-Pt000XH", high(10)}, {"curve-Pt000XL", 0},
        {"curve-Pt001XH", high(30.5)}, {"curve-Pt001YH", high(40)},
    };
    Values stored = valuesOf(key);
    for (const auto& [name, v] : expected) {
        ASSERT_TRUE(stored.count(name)) << name;
        EXPECT_EQ(stored[name], v) << name;
    }
    for (const char* n : {"sizeRefY", "MaxAxisX", "MaxAxisY", "MinImageX", "MaxImageX", "MinImageY", "MaxImageY",
             "Pt000Y", "Pt001X"})
        EXPECT_TRUE(stored.count(std::string("curve-") + n + "H") && stored.count(std::string("curve-") + n + "L")) << n;
    EXPECT_EQ(stored.size(), 2u * (2 + 4 + 4 + 4) + 1);

    picCurveData back;
    back.LoadFromRegKey(key);
    EXPECT_EQ(back, fullCurve());
}

TEST_F(picCurveStore, ThePointAfterNineHundredNinetyNineHasFourDigits)
{
    picCurveData c;
    c.hasSizeRef = true;
    c.sizeRefX = c.sizeRefY = 400;
    for (int i = 0; i <= 1000; ++i)
        c.points.push_back({i * 0.1, 50});
    vbRegKey key = testKey();
    c.SaveToRegKey(key);
    Values stored = valuesOf(key);
    EXPECT_EQ(stored["curve-Pt999XL"], low(99.9));
    EXPECT_EQ(stored["curve-Pt1000XH"], high(100.0));
    EXPECT_EQ(stored["curve-Pt1000YH"], high(50.0));
    picCurveData back;
    back.LoadFromRegKey(key);
    EXPECT_EQ(back, c);
}

TEST(picCurveData, StreamBlockRoundTripsAndLeadsWithItsFlags)
{
    picCurveData c = fullCurve();
    MemPtr s = memoryOf({});
    c.WriteToStream(s.Get());
    Bytes bytes = bytesOf(s.Get());
    ASSERT_EQ(bytes.size(), 4u + 10 * 8 + 4 + 2 * 16);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 4), (Bytes{15, 0, 0, 0}));
    EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.begin() + 12), (Bytes{0, 0, 0, 0, 0, 0, 0x90, 0x40})) << "1024, little-endian";
    EXPECT_EQ(Bytes(bytes.begin() + 84, bytes.begin() + 88), (Bytes{2, 0, 0, 0})) << "the point count";

    picCurveData back;
    back.ReadFromStream(memoryOf(bytes).Get());
    EXPECT_EQ(back, c);
}

TEST_F(picCurveStore, WithoutSizeReferenceNothingIsKept)
{
    picCurveData c = fullCurve();
    c.hasSizeRef = false;
    vbRegKey key = testKey();
    c.SaveToRegKey(key);
    EXPECT_TRUE(valuesOf(key).empty());

    MemPtr s = memoryOf({});
    c.WriteToStream(s.Get());
    EXPECT_EQ(bytesOf(s.Get()), (Bytes{0, 0, 0, 0}));

    picCurveData fromStream = fullCurve();
    fromStream.ReadFromStream(memoryOf({0, 0, 0, 0}).Get());
    EXPECT_TRUE(fromStream.points.empty());
    EXPECT_FALSE(fromStream.hasSizeRef || fromStream.hasAxisBounds || fromStream.hasImageBounds);
    picCurveData fromKey = fullCurve();
    fromKey.LoadFromRegKey(key);
    EXPECT_EQ(fromKey, picCurveData());
}

TEST_F(picCurveStore, LoadRules)
{
    // A size reference of 10 x 500 is kept but not valid.
    vbRegKey key = testKey();
    picCurveData c;
    c.hasSizeRef = true;
    c.sizeRefX = 10;
    c.sizeRefY = 500;
    c.SaveToRegKey(key);
    picCurveData back;
    back.LoadFromRegKey(key);
    EXPECT_FALSE(back.hasSizeRef);
    EXPECT_EQ(back.sizeRefX, 10);
    EXPECT_EQ(back.sizeRefY, 500);

    // "curve-PtCount" 0 empties the points.
    putValues(key, {{"curve-PtCount", 0}});
    picCurveData emptied = fullCurve();
    emptied.LoadFromRegKey(key);
    EXPECT_TRUE(emptied.points.empty());

    // Flags 9: size reference and points, both bound groups cleared; the high flag bits are ignored.
    picCurveData withPoints;
    withPoints.hasSizeRef = true;
    withPoints.sizeRefX = withPoints.sizeRefY = 200;
    withPoints.points = {{1, 2}};
    MemPtr s = memoryOf({});
    withPoints.WriteToStream(s.Get());
    Bytes bytes = bytesOf(s.Get());
    ASSERT_EQ(bytes[0], 9);
    bytes[1] = 0xFF;
    picCurveData read = fullCurve();
    read.ReadFromStream(memoryOf(bytes).Get());
    EXPECT_FALSE(read.hasAxisBounds);
    EXPECT_FALSE(read.hasImageBounds);
    EXPECT_EQ(read.points, withPoints.points);

    // The axes' ranges belong to the editor, not to the stored curve.
    picCurveData ranged;
    ranged.xmin = 400;
    ranged.xmax = 750;
    ranged.ReadFromStream(memoryOf(bytesOf(s.Get())).Get());
    EXPECT_EQ(ranged.xmin, 400);
    EXPECT_EQ(ranged.xmax, 750);
}

TEST(picCurveData, CopyTakesEverythingButTheRanges)
{
    picCurve target;
    target.Edit([](picCurveData& d) {
        d = fullCurve();
        d.xmax = 750;
    });
    picCurve empty;
    target.CopyCurve(empty);
    picCurveData copied = target.Snapshot();
    EXPECT_TRUE(copied.points.empty());
    EXPECT_FALSE(copied.hasSizeRef || copied.hasAxisBounds || copied.hasImageBounds);
    EXPECT_EQ(copied.xmax, 750);

    picCurve full;
    full.Edit([](picCurveData& d) { d = fullCurve(); });
    target.CopyCurve(full);
    copied = target.Snapshot();
    copied.xmax = 100;
    EXPECT_EQ(copied, fullCurve());
}

// A crafted count must fail before anything is allocated, and leave the curve as it was.
TEST_F(picCurveStore, HugeCountsFailAtOnceAndChangeNothing)
{
    picCurve curve;
    curve.Edit([](picCurveData& d) { d = fullCurve(); });

    Bytes block = {9, 0, 0, 0};
    for (double v : {200.0, 200.0}) {
        auto bits = std::bit_cast<uint64_t>(v);
        for (int i = 0; i < 8; ++i)
            block.push_back((unsigned char)(bits >> (8 * i)));
    }
    for (unsigned char b : {0xFF, 0xFF, 0xFF, 0x7F})
        block.push_back(b);
    block.resize(block.size() + 20, 0);
    MemPtr s = memoryOf(block);
    HRESULT hr = thrownCode([&] { curve.ReadFromStream(s.Get()); }, "Read failed, EOF reached");
    EXPECT_NE(hr, S_OK);
    EXPECT_EQ(curve.Snapshot(), fullCurve());

    // A count that fits what is left is read.
    Bytes fits(block.begin(), block.begin() + 20);
    for (unsigned char b : {1, 0, 0, 0})
        fits.push_back(b);
    fits.resize(fits.size() + 16, 0);
    curve.ReadFromStream(memoryOf(fits).Get());
    EXPECT_EQ(curve.Snapshot().points, (std::vector<picCurvePoint>{{0, 0}}));

    curve.Edit([](picCurveData& d) { d = fullCurve(); });
    vbRegKey key = testKey();
    fullCurve().SaveToRegKey(key);
    putValues(key, {{"curve-PtCount", 2000000000}});
    hr = thrownCode([&] { curve.LoadFromRegKey(key); }, "vbArray.SetLength() failure");
    EXPECT_EQ(uint32_t(hr), uint32_t(E_OUTOFMEMORY));
    EXPECT_EQ(curve.Snapshot(), fullCurve());
}

// The registry form's count must be backed by stored points: a crafted one fails before any point
// is read, instead of reading four absent values per counted point.
TEST_F(picCurveStore, ACountBeyondTheStoredPointsIsRefused)
{
    picCurve curve;
    curve.Edit([](picCurveData& d) { d = fullCurve(); });
    vbRegKey key = testKey();
    fullCurve().SaveToRegKey(key);
    for (int32_t count : {3, 99999}) {
        putValues(key, {{"curve-PtCount", count}});
        HRESULT hr = thrownCode([&] { curve.LoadFromRegKey(key); }, "vbArray.SetLength() failure");
        EXPECT_EQ(uint32_t(hr), uint32_t(E_OUTOFMEMORY)) << count;
        EXPECT_EQ(curve.Snapshot(), fullCurve()) << count;
    }

    // A point with a half missing is not stored, and neither is any after it.
    key.DeleteValue("curve-Pt000YL");
    putValues(key, {{"curve-PtCount", 1}});
    thrownCode([&] { curve.LoadFromRegKey(key); }, "vbArray.SetLength() failure");
    putValues(key, {{"curve-PtCount", 0}});
    curve.LoadFromRegKey(key);
    EXPECT_TRUE(curve.Snapshot().points.empty());
    EXPECT_TRUE(curve.Snapshot().hasImageBounds);
}

// The assembly converts the curve on a worker while the GUI thread edits it.
TEST(picCurveData, ConversionsSeeWholeCurvesWhileTheCurveIsEdited)
{
    picCurve curve;
    curve.Edit([](picCurveData& d) {
        d.xmin = 400;
        d.xmax = 750;
    });
    std::atomic<bool> done = false;
    std::thread editor([&] {
        for (int round = 0; round < 2000; ++round) {
            curve.Edit([&](picCurveData& d) {
                for (int i = 0; i < 20; ++i)
                    d.AddPoint((round * 7 + i * 13) % 100, i);
            });
            curve.Edit([&](picCurveData& d) {
                while (d.points.size() > 5)
                    d.DeletePoint(1);
            });
        }
        done = true;
    });
    int checked = 0;
    while (!done || checked == 0) {
        picSpectralTable table;
        curveToTable(curve, table);
        ASSERT_TRUE(table.GetCount() <= 5 || table.GetCount() >= 20) << "a whole edit, never half of one";
        for (int i = 2; i <= table.GetCount(); ++i)
            ASSERT_LT(table[i - 1].key, table[i].key);
        ++checked;
    }
    editor.join();
}
