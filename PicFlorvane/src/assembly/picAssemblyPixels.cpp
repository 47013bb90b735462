#include "assembly/picAssemblyPixels.h"

#include <algorithm>

namespace {

using int128 = __int128;

// The divisions of the band pixel truncate toward zero in both widths; the narrow one is faster.
int128 divide(int128 num, int128 den)
{
    if (num >= INT64_MIN && num <= INT64_MAX && den >= INT64_MIN && den <= INT64_MAX)
        return static_cast<int64_t>(num) / static_cast<int64_t>(den);
    return num / den;
}

int slotCount(const picPixelSource& s) { return s.mono ? 1 : 3; }
int channelCount(const picPixelOutput& o) { return o.mono ? 1 : 3; }

// The number of values a slot's byte index takes: B + G + R for a monochrome source, one channel
// byte for a colour one.
int indexRange(const picPixelSource& s) { return s.mono ? 766 : 256; }

// The channel value of a slot for its byte index.
int64_t slotValue(const picPixelSource& s, int slot, int index)
{
    return s.mono ? (index * s.factors[0]) / 300 : (index * s.factors[slot]) / 100;
}

// The byte indexes of one pixel's slots: C1 takes red, C2 green, C3 blue.
void pixelIndexes(const picPixelSource& s, const uint8_t* px, int* out)
{
    if (s.grey) {
        out[0] = s.mono ? 3 * px[0] : px[0];
        out[1] = out[2] = px[0];
        return;
    }
    if (s.mono) {
        out[0] = px[0] + px[1] + px[2];
        return;
    }
    out[0] = px[2];
    out[1] = px[1];
    out[2] = px[0];
}

int pixelStride(const picPixelSource& s) { return s.grey ? 1 : 3; }

// The bytes of one result pixel, byteOf(c) giving channel c: a monochrome project writes red into
// all three, a colour one red, green, blue into bytes 2, 1, 0.
template <class ByteOf>
void putPixel(bool mono, uint8_t* out, const ByteOf& byteOf)
{
    if (mono) {
        out[0] = out[1] = out[2] = byteOf(0);
        return;
    }
    out[2] = byteOf(0);
    out[1] = byteOf(1);
    out[0] = byteOf(2);
}

void writePixel(const picPixelOutput& output, const double* a, uint8_t* out)
{
    putPixel(output.mono, out, [&](int c) { return picChannelByte(a[c], output.factors[c]); });
}

// Reads one row of every source, pixel by pixel, into byte indexes.
class RowReader {
public:
    RowReader(const std::vector<picPixelSource>& sources, const uint8_t* const* rows)
        : m_sources(sources), m_rows(rows), m_indexes(sources.size() * 3)
    {
    }
    // Indexes of pixel x, three per source.
    const int* read(int x)
    {
        for (size_t s = 0; s < m_sources.size(); ++s)
            pixelIndexes(m_sources[s], m_rows[s] + static_cast<size_t>(x) * pixelStride(m_sources[s]), &m_indexes[s * 3]);
        return m_indexes.data();
    }

private:
    const std::vector<picPixelSource>& m_sources;
    const uint8_t* const* m_rows;
    std::vector<int> m_indexes;
};

class BandKernel : public picPixelKernel {
public:
    BandKernel(const picPixelOutput& output, const std::vector<picPixelSource>& sources)
        : m_output(output), m_sources(sources)
    {
        for (int c = 0; c < channelCount(output); ++c)
            prepareChannel(c, *output.tables[c]);
        for (Segment& seg : m_segments)
            for (Term& t : seg.terms)
                t.values = m_termPool.data() + t.offset;
        m_bytesOnly = true;
        for (int c = 0; c < channelCount(output); ++c)
            m_bytesOnly = tabulateChannel(c) && m_bytesOnly;
        m_lanes = m_bytesOnly && prepareLanes();
    }

    void computeRow(const uint8_t* const* sourceRows, uint8_t* resultRow, int width) const override
    {
        if (m_lanes) {
            computeLanes(sourceRows, resultRow, width);
            return;
        }
        RowReader reader(m_sources, sourceRows);
        if (m_bytesOnly) {
            for (int x = 0; x < width; ++x) {
                const int* indexes = reader.read(x);
                putPixel(m_output.mono, resultRow + static_cast<size_t>(x) * 3,
                    [&](int c) { return m_channelTables[c].byteAt(indexes); });
            }
            return;
        }
        double a[3] = {};
        for (int x = 0; x < width; ++x) {
            const int* indexes = reader.read(x);
            for (int c = 0; c < channelCount(m_output); ++c) {
                const ChannelTable& table = m_channelTables[c];
                if (table.values.empty())
                    a[c] = channelValue(c, indexes);
                else
                    a[c] = table.values.size() == 1 ? table.values[0] : table.values[size_t(indexes[table.index])];
            }
            writePixel(m_output, a, resultRow + static_cast<size_t>(x) * 3);
        }
    }

private:
    // A result byte read from one byte of one source through a table of 256: the byte a
    // tabulated channel gives for every value of that source byte.
    struct Lane {
        size_t source = 0;
        int offset = 0;
        int stride = 1;
        uint8_t bytes[256] = {};
    };

    // Every result byte has its lane unless a channel reads the sum of a colour pixel's bytes.
    bool prepareLanes()
    {
        for (int b = 0; b < 3; ++b) {
            // Byte 2 is red (C1), byte 1 green, byte 0 blue; a monochrome project writes C1 thrice.
            const int c = m_output.mono ? 0 : 2 - b;
            const ChannelTable& table = m_channelTables[c];
            Lane& lane = m_laneOf[b];
            const size_t s = size_t(table.index / 3);
            const picPixelSource& src = m_sources[s];
            if (table.bytes.size() > 1 && src.mono && !src.grey)
                return false;
            const int slot = table.index % 3;
            lane.source = s;
            lane.stride = pixelStride(src);
            lane.offset = src.grey ? 0 : 2 - slot;
            for (int v = 0; v < 256; ++v) {
                const uint8_t px[3] = {uint8_t(v), uint8_t(v), uint8_t(v)};
                int indexes[3] = {};
                pixelIndexes(src, px, indexes);
                lane.bytes[v] = table.bytes.size() == 1 ? table.bytes[0] : table.bytes[size_t(indexes[slot])];
            }
        }
        return true;
    }

    void computeLanes(const uint8_t* const* sourceRows, uint8_t* out, int width) const
    {
        const Lane& l0 = m_laneOf[0];
        const Lane& l1 = m_laneOf[1];
        const Lane& l2 = m_laneOf[2];
        const uint8_t* p0 = sourceRows[l0.source] + l0.offset;
        const uint8_t* p1 = sourceRows[l1.source] + l1.offset;
        const uint8_t* p2 = sourceRows[l2.source] + l2.offset;
        for (int x = 0; x < width; ++x, out += 3) {
            out[0] = l0.bytes[p0[size_t(x) * l0.stride]];
            out[1] = l1.bytes[p1[size_t(x) * l1.stride]];
            out[2] = l2.bytes[p2[size_t(x) * l2.stride]];
        }
    }

    // A channel whose terms all read one byte index takes its value from a table of that index;
    // one without terms has a single value. Beside each value, the byte the output makes of it.
    struct ChannelTable {
        int index = 0;
        std::vector<double> values;
        std::vector<uint8_t> bytes;

        uint8_t byteAt(const int* indexes) const { return bytes.size() == 1 ? bytes[0] : bytes[size_t(indexes[index])]; }
    };

    double channelValue(int c, const int* indexes) const
    {
        int128 acc = 0;
        for (size_t k = m_channelStart[c]; k < m_channelStart[c + 1]; ++k) {
            const Segment& seg = m_segments[k];
            int128 num = 0;
            for (const Term& t : seg.terms)
                num += t.values[indexes[t.index]];
            acc += divide(num, seg.den);
        }
        return static_cast<double>(acc);
    }

    // The values come from channelValue itself, and the bytes from picChannelByte, so that a
    // tabulated channel gives the same bits. False for a channel that reads several indexes.
    bool tabulateChannel(int c)
    {
        int index = -1;
        for (size_t k = m_channelStart[c]; k < m_channelStart[c + 1]; ++k)
            for (const Term& t : m_segments[k].terms) {
                if (index >= 0 && t.index != index)
                    return false;
                index = t.index;
            }
        ChannelTable& table = m_channelTables[c];
        table.index = std::max(index, 0);
        const int range = index < 0 ? 1 : indexRange(m_sources[size_t(index / 3)]);
        std::vector<int> indexes(m_sources.size() * 3 + 1, 0);
        for (int v = 0; v < range; ++v) {
            indexes[size_t(table.index)] = v;
            table.values.push_back(channelValue(c, indexes.data()));
            table.bytes.push_back(picChannelByte(table.values.back(), m_output.factors[c]));
        }
        return true;
    }

    // One source slot's share of a segment: ((v * Aout) * 10000) / A for each byte index.
    struct Term {
        int index = 0; // into the pixel's indexes
        size_t offset = 0;
        const int128* values = nullptr;
    };
    struct Segment {
        int128 den = 0;
        std::vector<Term> terms;
    };

    // The segments of one channel whose output area and sources' ratios are not 0; every divisor
    // is fixed for the run.
    void prepareChannel(int c, const picSpectralTable& out)
    {
        m_channelStart[c] = m_segments.size();
        for (int k = 1; k < out.GetCount(); ++k) {
            const int64_t a = out[k].key;
            const int64_t b = out[k + 1].key;
            const int64_t aOut = out.segmentArea(a, b);
            if (aOut == 0)
                continue;
            Segment seg;
            for (size_t s = 0; s < m_sources.size(); ++s) {
                const picPixelSource& src = m_sources[s];
                for (int slot = 0; slot < slotCount(src); ++slot) {
                    const picSpectralTable& table = *src.tables[slot];
                    const int64_t area = table.segmentArea(a, b);
                    if (area == 0)
                        continue;
                    int128 ratio = (int128{table.area} * 10000) / area;
                    seg.den += ratio == 0 ? 1 : ratio;
                    seg.terms.push_back(Term{static_cast<int>(s * 3) + slot, m_termPool.size(), nullptr});
                    for (int i = 0; i < indexRange(src); ++i)
                        m_termPool.push_back((int128{slotValue(src, slot, i)} * aOut * 10000) / area);
                }
            }
            if (seg.den != 0)
                m_segments.push_back(std::move(seg));
        }
        m_channelStart[c + 1] = m_segments.size();
    }

    picPixelOutput m_output;
    std::vector<picPixelSource> m_sources;
    std::vector<Segment> m_segments;
    size_t m_channelStart[4] = {};
    std::vector<int128> m_termPool;
    ChannelTable m_channelTables[3];
    // Every channel the project uses is tabulated: the pixels are bytes looked up.
    bool m_bytesOnly = false;
    // ... and each from one byte of one source: the rows are three table lookups a pixel.
    bool m_lanes = false;
    Lane m_laneOf[3];
};

class CurveKernel : public picPixelKernel {
public:
    CurveKernel(const picPixelOutput& output, const std::vector<picPixelSource>& sources)
        : m_output(output), m_sources(sources)
    {
        for (const picPixelSource& s : sources)
            for (int slot = 0; slot < slotCount(s); ++slot)
                m_tables.push_back(s.tables[slot]);
    }

    void computeRow(const uint8_t* const* sourceRows, uint8_t* resultRow, int width) const override
    {
        RowReader reader(m_sources, sourceRows);
        picClusterSet clusters;
        std::vector<int64_t> values(m_tables.size());
        double a[3] = {};
        for (int x = 0; x < width; ++x) {
            const int* indexes = reader.read(x);
            size_t n = 0;
            for (size_t s = 0; s < m_sources.size(); ++s)
                for (int slot = 0; slot < slotCount(m_sources[s]); ++slot)
                    values[n++] = slotValue(m_sources[s], slot, indexes[s * 3 + slot]);
            clusters.clear();
            distributePixel(values.data(), m_tables.data(), static_cast<int>(n), clusters);
            for (int c = 0; c < channelCount(m_output); ++c)
                a[c] = static_cast<double>(channelValue(*m_output.tables[c], clusters));
            writePixel(m_output, a, resultRow + static_cast<size_t>(x) * 3);
        }
    }

private:
    static int64_t channelValue(const picSpectralTable& out, const picClusterSet& clusters)
    {
        int64_t sum = 0;
        int64_t count = 0;
        for (int i = 1; i <= clusters.GetCount(); ++i) {
            const picWavelengthCluster& cl = clusters[i];
            const int64_t t = out.valueAt(cl.centre);
            const int64_t r = (cl.weightSum * 3) / cl.count;
            if (t != 0) {
                sum += ((r * ((t * 255) / 100)) / 255000) * cl.count;
                count += cl.count;
            }
        }
        return count != 0 ? sum / count : 0;
    }

    picPixelOutput m_output;
    std::vector<picPixelSource> m_sources;
    std::vector<const picSpectralTable*> m_tables;
};

} // namespace

uint8_t picChannelByte(double a, double factor)
{
    const double value = a * factor * 0.00001;
    if (!(value < 255.0))
        return 255;
    if (value <= 0.0)
        return 0;
    return static_cast<uint8_t>(static_cast<int64_t>(value));
}

std::unique_ptr<picPixelKernel> picMakeBandKernel(const picPixelOutput& output, const std::vector<picPixelSource>& sources)
{
    return std::make_unique<BandKernel>(output, sources);
}

std::unique_ptr<picPixelKernel> picMakeCurveKernel(const picPixelOutput& output, const std::vector<picPixelSource>& sources)
{
    return std::make_unique<CurveKernel>(output, sources);
}
