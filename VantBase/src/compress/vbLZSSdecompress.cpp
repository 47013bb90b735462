#include "vbCompressLZSS.h"

#include "compress/vbLZSSformat.h"

#include "vbException.h"

#include <cstring>

using namespace vbLZSSformat;

namespace {

[[noreturn]] void fail(const char* msg, const char* where)
{
    throw new vbEcompress(msg, vbString(where));
}

// Reads a block's coded bytes most significant bit first. Bits past the end read as zero, but
// consuming one of them is an error.
class BitReader {
public:
    BitReader(const unsigned char* data, size_t length) : m_p(data), m_end(data + length), m_left(uint64_t(length) * 8)
    {
        refill();
    }

    // Makes at least 57 bits available to Peek.
    void refill()
    {
        if (m_end - m_p >= 8 && m_count <= 56) {
            uint64_t v;
            std::memcpy(&v, m_p, 8);
            v = __builtin_bswap64(v);
            // The bytes that do not fit whole leave their first bits below the count; the next
            // refill ORs the same bits again.
            m_buffer |= v >> m_count;
            int take = (63 - m_count) >> 3;
            m_p += take;
            m_count += take * 8;
            return;
        }
        while (m_count <= 56) {
            uint64_t byte = m_p < m_end ? *m_p++ : 0;
            m_buffer |= byte << (56 - m_count);
            m_count += 8;
        }
    }
    uint32_t Peek(int n) const { return uint32_t(m_buffer >> (64 - n)); }
    void Consume(int n)
    {
        if (uint64_t(n) > m_left)
            fail("QVLZSS decompression : compressed stream invalid", "vbLZSSdecompress::tmpDataReadBits()");
        m_left -= uint64_t(n);
        m_buffer <<= n;
        m_count -= n;
    }
    uint32_t Take(int n)
    {
        if (n == 0)
            return 0;
        uint32_t v = Peek(n);
        Consume(n);
        return v;
    }

private:
    const unsigned char* m_p;
    const unsigned char* m_end;
    uint64_t m_left;
    uint64_t m_buffer = 0;
    int m_count = 0;
};

} // namespace

class vbLZSSdecompress::BlockDecoder {
public:
    BlockDecoder(vbLZSSdecompress& d, const unsigned char* coded, size_t length)
        : m_d(d), m_bits(coded, length), m_literal(d.m_models->literal), m_offset(d.m_models->offset)
    {
    }

    void Run(size_t start, size_t end)
    {
        unsigned char* ring = m_d.m_ring.data();
        size_t q = start;
        while (q < end) {
            m_bits.refill();
            int s = symbol(m_literal);
            m_literal.Count(s);
            if (s < 256) {
                ring[q++] = static_cast<unsigned char>(s);
                continue;
            }
            size_t length = lengthBase(s) + m_bits.Take(lengthExtraBits(s)) + kMinMatch;
            m_bits.refill();
            int ds = symbol(m_offset);
            size_t distance = distanceBase(ds) + m_bits.Take(distanceExtraBits(ds)) + kMinMatch;
            m_offset.Count(ds);
            if (length > end - q)
                fail("QVLZSS decompression : compressed output is larger than buffer",
                    "vbLZSSdecompress::decompressBlock() : invalid copy, bad len");
            copy(ring, q, length, distance);
            q += length;
        }
    }

private:
    int symbol(const vbHuffmanModel& model)
    {
        const vbHuffmanModel::Entry& e = model.Lookup(m_bits.Peek(vbHuffmanModel::kTableBits));
        if (e.leaf) {
            m_bits.Consume(e.length);
            return e.node;
        }
        m_bits.Consume(vbHuffmanModel::kTableBits);
        int node = e.node;
        while (node >= model.Symbols()) {
            const vbHuffmanNode& x = model.Node(node);
            node = m_bits.Take(1) ? x.child1 : x.child0;
        }
        return node;
    }

    // Copies byte by byte, so that a copy may overlap the bytes it produces. A source before q in
    // the ring lies in this lap; one further back lies in the previous lap, whose bytes from q on
    // are still intact, and continues at the ring's start past that lap's end.
    void copy(unsigned char* ring, size_t q, size_t length, size_t distance)
    {
        if (distance <= q) {
            const unsigned char* src = ring + q - distance;
            unsigned char* dst = ring + q;
            if (distance >= length) {
                std::memcpy(dst, src, length);
            } else {
                for (size_t i = 0; i < length; ++i)
                    dst[i] = src[i];
            }
            return;
        }
        size_t lapEnd = m_d.m_prevLapEnd;
        size_t back = distance - q;
        if (back > lapEnd || lapEnd - back < q)
            fail("QVLZSS decompression : compressed stream is invalid",
                "vbLZSSdecompress::decompressBlock() : invalid copy, bad offset");
        size_t src = lapEnd - back;
        for (size_t i = 0; i < length; ++i) {
            ring[q + i] = ring[src++];
            if (src == lapEnd)
                src = 0;
        }
    }

    vbLZSSdecompress& m_d;
    BitReader m_bits;
    vbHuffmanModel& m_literal;
    vbHuffmanModel& m_offset;
};

vbLZSSdecompress::vbLZSSdecompress() : vbLZSS(true) {}

vbLZSSdecompress::~vbLZSSdecompress() = default;

vbString vbLZSSdecompress::GetCompressLabel(bool) const
{
    return vbString("QVLZSS decompression");
}

uint64_t vbLZSSdecompress::GetMemoryUsage() const
{
    return vbLZSS::GetMemoryUsage() + m_ring.capacity();
}

void vbLZSSdecompress::resetMemory()
{
    vbLZSS::resetMemory();
    m_ring = {};
}

void vbLZSSdecompress::startRing(uint64_t ringSize)
{
    allocate(m_ring, ringSize);
    m_prevLapEnd = 0;
    m_nextBlock = 0;
}

const unsigned char* vbLZSSdecompress::decodeBlock(const unsigned char* coded, size_t codedLength, size_t realSize)
{
    size_t start = m_nextBlock;
    size_t end = start + realSize;
    BlockDecoder(*this, coded, codedLength).Run(start, end);
    if (m_blockCount < 2 || end + m_block > m_ring.size()) {
        m_prevLapEnd = end;
        m_nextBlock = 0;
    } else {
        m_nextBlock = end;
    }
    return m_ring.data() + start;
}
