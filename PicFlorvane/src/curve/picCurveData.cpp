#include "picCurveData.h"

#include "nodes/picRegValues.h"

#include "vbException.h"
#include "vbString.h"

#include <algorithm>
#include <map>
#include <string>

namespace {

constexpr uint32_t kStreamPointBytes = 16;

// --- registry ---

vbString valueName(const char* format, int index)
{
    vbString name;
    name.Format(format, index);
    return name;
}

int32_t countOf(const vbVariant& v)
{
    switch (v.GetDeRefType()) {
    case VT_UI4:
    case VT_UINT:
        return static_cast<int32_t>(v.GetAsUlong());
    default:
        return v.GetAsLong();
    }
}

constexpr const char* kAxisNames[4] = {"curve-MinAxisX", "curve-MaxAxisX", "curve-MinAxisY", "curve-MaxAxisY"};
constexpr const char* kImageNames[4] = {"curve-MinImageX", "curve-MaxImageX", "curve-MinImageY", "curve-MaxImageY"};
constexpr const char* kPointX = "curve-Pt%03dX";
constexpr const char* kPointY = "curve-Pt%03dY";
constexpr const char* kPointCount = "curve-PtCount";

// The values of a curve's key, read in one pass over the key: a crafted count then costs look-ups
// in memory, not registry reads. A name the key lacks reads as an empty value, as from the key.
class CurveValues {
public:
    explicit CurveValues(vbRegKey& key)
    {
        vbRegEnumValue values(key);
        vbString name;
        vbVariant value;
        while (values.Next(&name, &value))
            m_values[folded(name)] = value;
    }

    bool Has(const vbString& name) const { return m_values.count(folded(name)) != 0; }

    vbVariant Get(const vbString& name) const
    {
        auto at = m_values.find(folded(name));
        return at == m_values.end() ? vbVariant() : at->second;
    }

    double Double(const vbString& name) const { return picDoubleOf(Get(name + "L"), Get(name + "H")); }

    // Points 0, 1, ... as far as all four halves of each are there.
    int32_t StoredPoints() const
    {
        int32_t stored = 0;
        while (hasDouble(valueName(kPointX, stored)) && hasDouble(valueName(kPointY, stored)))
            ++stored;
        return stored;
    }

private:
    // Registry names compare without regard to the case of ASCII letters.
    static std::string folded(const vbString& name)
    {
        std::string s = name.c_str();
        for (char& c : s) {
            if (c >= 'a' && c <= 'z')
                c = char(c - 'a' + 'A');
        }
        return s;
    }

    bool hasDouble(const vbString& name) const { return Has(name + "L") && Has(name + "H"); }

    std::map<std::string, vbVariant> m_values;
};

// --- stream ---

// A count the rest of the stream cannot hold ends the read at once, with the error of a
// truncated stream (the stream's own).
[[noreturn]] void failAsTruncated(IvbInputStream* in)
{
    const void* face = nullptr;
    if (in->GetInterface(IID_IvbSeekStream, &face))
        const_cast<IvbSeekStream*>(static_cast<const IvbSeekStream*>(face))->Seek(0, vbSeekEnd);
    for (;;)
        in->ReadUchar();
}

bool streamHolds(IvbInputStream* in, int64_t bytes)
{
    const void* face = nullptr;
    if (!in->GetInterface(IID_IvbSeekStream, &face))
        return true;
    auto* seek = const_cast<IvbSeekStream*>(static_cast<const IvbSeekStream*>(face));
    return int64_t(seek->GetLength()) - int64_t(seek->GetPosition()) >= bytes;
}

} // namespace

// --- points ---

int picCurveData::FindX(double x, int* insertAt) const
{
    auto at = std::lower_bound(points.begin(), points.end(), x,
        [](const picCurvePoint& p, double key) { return p.x < key; });
    int position = int(at - points.begin()) + 1;
    if (insertAt)
        *insertAt = position;
    return at != points.end() && at->x == x ? position : 0;
}

int picCurveData::AddPoint(double x, double y)
{
    int position = 0;
    if (int found = FindX(x, &position)) {
        points[found - 1].y = y;
        return found;
    }
    points.insert(points.begin() + (position - 1), picCurvePoint{x, y});
    return position;
}

int picCurveData::MovePoint(int i, double x, double y)
{
    if (i < 1 || i > int(points.size()))
        return i;
    int position = 0;
    int found = FindX(x, &position);
    if (found == i || (!found && (position == i || position == i + 1))) {
        points[i - 1] = {x, y};
        return i;
    }
    points.erase(points.begin() + (i - 1));
    if (found) {
        int merged = found > i ? found - 1 : found;
        points[merged - 1].y = y;
        return merged;
    }
    if (position > i)
        --position;
    points.insert(points.begin() + (position - 1), picCurvePoint{x, y});
    return position;
}

bool picCurveData::DeletePoint(int i)
{
    if (i < 1 || i > int(points.size()))
        return false;
    points.erase(points.begin() + (i - 1));
    return true;
}

// --- stored forms ---

void picCurveData::CopyCurve(const picCurveData& other)
{
    double keep[4] = {xmin, xmax, ymin, ymax};
    *this = other;
    xmin = keep[0];
    xmax = keep[1];
    ymin = keep[2];
    ymax = keep[3];
}

void picCurveData::SaveToRegKey(vbRegKey& key) const
{
    if (!hasSizeRef)
        return;
    picWriteDouble(key, "curve-sizeRefX", sizeRefX);
    picWriteDouble(key, "curve-sizeRefY", sizeRefY);
    if (hasAxisBounds) {
        const double values[4] = {minAxisX, maxAxisX, minAxisY, maxAxisY};
        for (int i = 0; i < 4; ++i)
            picWriteDouble(key, kAxisNames[i], values[i]);
    }
    if (hasImageBounds) {
        const double values[4] = {minImageX, maxImageX, minImageY, maxImageY};
        for (int i = 0; i < 4; ++i)
            picWriteDouble(key, kImageNames[i], values[i]);
    }
    if (points.empty())
        return;
    vbVariant count;
    count.SetAsLong(LONG(points.size()));
    key.SetValue(kPointCount, count);
    for (size_t i = 0; i < points.size(); ++i) {
        picWriteDouble(key, valueName(kPointX, int(i)), points[i].x);
        picWriteDouble(key, valueName(kPointY, int(i)), points[i].y);
    }
}

void picCurveData::LoadFromRegKey(vbRegKey& key)
{
    const CurveValues values(key);
    picCurveData loaded;
    if (values.Has("curve-sizeRefXH")) {
        loaded.sizeRefX = values.Double("curve-sizeRefX");
        loaded.sizeRefY = values.Double("curve-sizeRefY");
        loaded.hasSizeRef = isValidSizeRef(loaded.sizeRefX, loaded.sizeRefY);
    }
    if (values.Has("curve-MinAxisXH")) {
        double* fields[4] = {&loaded.minAxisX, &loaded.maxAxisX, &loaded.minAxisY, &loaded.maxAxisY};
        for (int i = 0; i < 4; ++i)
            *fields[i] = values.Double(kAxisNames[i]);
        loaded.hasAxisBounds = true;
    }
    if (values.Has("curve-MinImageXH")) {
        double* fields[4] = {&loaded.minImageX, &loaded.maxImageX, &loaded.minImageY, &loaded.maxImageY};
        for (int i = 0; i < 4; ++i)
            *fields[i] = values.Double(kImageNames[i]);
        loaded.hasImageBounds = true;
    }
    if (values.Has(kPointCount)) {
        // A count the key does not back with stored points is damaged or crafted.
        int32_t count = countOf(values.Get(kPointCount));
        if (count > kMaxPoints || count > values.StoredPoints())
            throw new vbEsys(E_OUTOFMEMORY, "vbArray.SetLength() failure");
        loaded.points.resize(size_t(std::max(count, 0)));
        for (int32_t i = 0; i < count; ++i) {
            loaded.points[size_t(i)].x = values.Double(valueName(kPointX, i));
            loaded.points[size_t(i)].y = values.Double(valueName(kPointY, i));
        }
    }
    CopyCurve(loaded);
}

uint32_t picCurveData::StreamFlags() const
{
    if (!hasSizeRef)
        return 0;
    return kHasSizeRef | (hasAxisBounds ? kHasAxisBounds : 0) | (hasImageBounds ? kHasImageBounds : 0)
        | (points.empty() ? 0 : kHasPoints);
}

void picCurveData::WriteToStream(IvbOutputStream* out) const
{
    uint32_t flags = StreamFlags();
    out->WriteUlong(flags);
    if (!flags)
        return;
    out->WriteDouble(sizeRefX);
    out->WriteDouble(sizeRefY);
    if (flags & kHasAxisBounds) {
        for (double v : {minAxisX, maxAxisX, minAxisY, maxAxisY})
            out->WriteDouble(v);
    }
    if (flags & kHasImageBounds) {
        for (double v : {minImageX, maxImageX, minImageY, maxImageY})
            out->WriteDouble(v);
    }
    if (flags & kHasPoints) {
        out->WriteLong(LONG(points.size()));
        for (const picCurvePoint& p : points) {
            out->WriteDouble(p.x);
            out->WriteDouble(p.y);
        }
    }
}

void picCurveData::ReadFromStream(IvbInputStream* in)
{
    picCurveData loaded;
    uint32_t flags = in->ReadUlong() & 0xFF;
    if (flags & kHasSizeRef) {
        loaded.sizeRefX = in->ReadDouble();
        loaded.sizeRefY = in->ReadDouble();
        loaded.hasSizeRef = isValidSizeRef(loaded.sizeRefX, loaded.sizeRefY);
    }
    if (flags & kHasAxisBounds) {
        for (double* v : {&loaded.minAxisX, &loaded.maxAxisX, &loaded.minAxisY, &loaded.maxAxisY})
            *v = in->ReadDouble();
        loaded.hasAxisBounds = true;
    }
    if (flags & kHasImageBounds) {
        for (double* v : {&loaded.minImageX, &loaded.maxImageX, &loaded.minImageY, &loaded.maxImageY})
            *v = in->ReadDouble();
        loaded.hasImageBounds = true;
    }
    if (flags & kHasPoints) {
        int32_t count = in->ReadLong();
        if (count > kMaxPoints || !streamHolds(in, int64_t(std::max(count, 0)) * kStreamPointBytes))
            failAsTruncated(in);
        loaded.points.resize(size_t(std::max(count, 0)));
        for (picCurvePoint& p : loaded.points) {
            p.x = in->ReadDouble();
            p.y = in->ReadDouble();
        }
    }
    CopyCurve(loaded);
}

// --- the locked curve ---

void picCurve::SaveToRegKey(vbRegKey& key) const
{
    Snapshot().SaveToRegKey(key);
}

void picCurve::LoadFromRegKey(vbRegKey& key)
{
    picCurveData loaded;
    loaded.LoadFromRegKey(key);
    Edit([&](picCurveData& d) { d.CopyCurve(loaded); });
}

void picCurve::WriteToStream(IvbOutputStream* out) const
{
    Snapshot().WriteToStream(out);
}

void picCurve::ReadFromStream(IvbInputStream* in)
{
    picCurveData loaded;
    loaded.ReadFromStream(in);
    Edit([&](picCurveData& d) { d.CopyCurve(loaded); });
}

void picCurve::CopyCurve(const picCurve& other)
{
    if (&other == this)
        return;
    picCurveData source = other.Snapshot();
    Edit([&](picCurveData& d) { d.CopyCurve(source); });
}
