#include "picWavelengthTable.h"


namespace {

int compareKey(const picSpectralPoint* point, int64_t key)
{
    return point->key < key ? -1 : (point->key > key ? 1 : 0);
}

// The points of the built-in bands, or null for another key. "!gray" is flat from the blue band's
// start to the red band's end, with breakpoints at the three band edges.
const std::vector<int64_t>* bandKeys(const vbString& key)
{
    static const std::vector<int64_t> gray{440000, 460000, 540000, 560000, 640000, 660000};
    static const std::vector<int64_t> red{640000, 660000};
    static const std::vector<int64_t> green{540000, 560000};
    static const std::vector<int64_t> blue{440000, 460000};
    if (key == "!gray")
        return &gray;
    if (key == "!red")
        return &red;
    if (key == "!green")
        return &green;
    if (key == "!blue")
        return &blue;
    return nullptr;
}

constexpr int64_t kFullTransmission = 100000;

} // namespace

const picSpectralPoint* picSpectralTable::findPoint(int64_t key, int* pos) const
{
    int at = 1;
    const picSpectralPoint* found = m_points.FindSorted(key, compareKey, &at);
    if (pos)
        *pos = at;
    return found;
}

int picSpectralTable::putPoint(const picSpectralPoint& point)
{
    int pos = 1;
    if (findPoint(point.key, &pos)) {
        m_points[pos] = point;
        return pos;
    }
    m_points.Insert(pos, point);
    return pos;
}

int picSpectralTable::addKey(int64_t key)
{
    int pos = 1;
    if (!findPoint(key, &pos))
        m_points.Insert(pos, picSpectralPoint{key, 0, 0});
    return pos;
}

int64_t picSpectralTable::valueAt(int64_t key) const
{
    const int n = GetCount();
    if (n == 0)
        return 0;
    int pos = 1;
    if (const picSpectralPoint* p = findPoint(key, &pos))
        return p->value;
    if (pos == 1 || pos > n)
        return 0;
    const picSpectralPoint& lo = m_points[pos - 1];
    const picSpectralPoint& hi = m_points[pos];
    return lo.value + ((hi.value - lo.value) * (key - lo.key)) / (hi.key - lo.key);
}

int64_t picSpectralTable::segmentArea(int64_t a, int64_t b) const
{
    const int64_t ya = valueAt(a);
    const int64_t yb = valueAt(b);
    return (ya + (yb - ya) / 2) * (b - a);
}

bool picIsBandKey(const vbString& key)
{
    return bandKeys(key) != nullptr;
}

bool completeTable(picSpectralTable& table, sIpicFilterSource& filter)
{
    if (table.GetCount() == 0 || filter.GetKey().IsEmpty())
        return false;
    table.area = table.keyAtMin = table.minValue = table.keyAtMax = table.maxValue = 0;
    // Built only when a point lacks its value: most tables arrive complete.
    picSpectralTable source;
    bool sourceFilled = false;
    for (int i = 1; i <= table.GetCount(); ++i) {
        picSpectralPoint& p = table.m_points[i];
        if (!p.completed) {
            if (!sourceFilled) {
                fillFilterTable(source, filter);
                sourceFilled = true;
            }
            p.value = source.valueAt(p.key);
            p.completed = 1;
        }
        if (i == 1) {
            table.minValue = table.maxValue = p.value;
            table.keyAtMin = table.keyAtMax = p.key;
            continue;
        }
        const picSpectralPoint& prev = table.m_points[i - 1];
        const int64_t segment = (p.key - prev.key) * (prev.value + (p.value - prev.value) / 2);
        table.area += segment < 0 ? -segment : segment;
        if (p.value > table.maxValue) {
            table.maxValue = p.value;
            table.keyAtMax = p.key;
        }
        if (p.value < table.minValue) {
            table.minValue = p.value;
            table.keyAtMin = p.key;
        }
    }
    return table.area != 0;
}

bool mergeKeys(picSpectralTable& dst, const picSpectralTable& src)
{
    if (dst.GetCount() == 0 || src.GetCount() == 0)
        return false;
    for (int i = 1; i <= src.GetCount(); ++i) {
        const int64_t key = src[i].key;
        int pos = 1;
        if (!dst.findPoint(key, &pos) && pos > 1 && pos <= dst.GetCount())
            dst.addKey(key);
    }
    return true;
}

bool fillFilterTable(picSpectralTable& table, sIpicFilterSource& filter)
{
    const vbString key = filter.GetKey();
    if (key.IsEmpty() || key == "!hidden")
        return false;
    if (const std::vector<int64_t>* keys = bandKeys(key)) {
        for (int64_t k : *keys)
            table.putPoint(picSpectralPoint{k, kFullTransmission, 1});
        return true;
    }
    bool converted = false;
    return filter.fillFromCurve(table, &converted) && converted;
}

bool fillCurveTable(picSpectralTable& table, sIpicFilterSource& filter)
{
    const vbString key = filter.GetKey();
    if (key.IsEmpty() || key == "!hidden")
        return true;
    if (picIsBandKey(key))
        return false;
    bool converted = false;
    filter.fillFromCurve(table, &converted);
    return true;
}

bool curveToTable(const picCurveData& curve, picSpectralTable& table)
{
    if (curve.points.empty())
        return false;
    for (const picCurvePoint& pt : curve.points) {
        const double x = curve.xmin + (curve.xmax - curve.xmin) * pt.x * 0.01;
        const double y = curve.ymin + (curve.ymax - curve.ymin) * pt.y * 0.01;
        table.putPoint(picSpectralPoint{static_cast<int64_t>(x * 1000), static_cast<int64_t>(y * 1000), 1});
    }
    return true;
}

bool curveToTable(const picCurve& curve, picSpectralTable& table)
{
    return curve.Read([&](const picCurveData& data) { return curveToTable(data, table); });
}

void picClusterSet::add(int64_t key, int64_t weight)
{
    for (picWavelengthCluster& c : m_clusters) {
        if (c.centre - m_tolerance <= key && key <= c.centre + m_tolerance) {
            c.keySum += key * weight;
            c.weightSum += weight;
            ++c.count;
            // Weights of opposite signs may cancel; the centre then stays where it was.
            if (c.weightSum != 0)
                c.centre = c.keySum / c.weightSum;
            return;
        }
    }
    m_clusters.push_back(picWavelengthCluster{key, key * weight, weight, 1});
}

void inverseLookup(const picSpectralTable& table, int64_t value, int64_t weight, picClusterSet& clusters)
{
    if (weight == 0 || table.GetCount() == 0)
        return;
    if (value > table.maxValue) {
        clusters.add(table.keyAtMax, weight);
        return;
    }
    if (value < table.minValue) {
        clusters.add(table.keyAtMin, weight);
        return;
    }
    for (int i = 1; i < table.GetCount(); ++i) {
        const picSpectralPoint& p0 = table[i];
        const picSpectralPoint& p1 = table[i + 1];
        const int64_t x0 = p0.key, y0 = p0.value, x1 = p1.key, y1 = p1.value;
        if (y0 < y1 && y0 <= value && value <= y1)
            clusters.add(x0 + ((x1 - x0) * (value - y0)) / (y1 - y0), weight);
        else if (y0 == y1 && value == y1)
            clusters.add(x1, weight);
        else if (y0 > y1 && y1 <= value && value <= y0)
            clusters.add(x0 + ((x1 - x0) * (y0 - value)) / (y0 - y1), weight);
    }
}

void distributePixel(const int64_t* values, const picSpectralTable* const* tables, int count, picClusterSet& clusters)
{
    int64_t total = 0;
    for (int i = 0; i < count; ++i)
        total += values[i];
    if (total <= 0)
        return;
    for (int i = 0; i < count; ++i)
        inverseLookup(*tables[i], (values[i] * 100000) / total, values[i], clusters);
}
