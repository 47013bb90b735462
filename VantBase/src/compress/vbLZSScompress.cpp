#include "vbCompressLZSS.h"

#include "compress/vbLZSSformat.h"
#include "compress/vbLZSSmatch.h"

#include "vbException.h"
#include "vbRegEngine.h"

#include <algorithm>
#include <cstring>

using namespace vbLZSSformat;

namespace {

[[noreturn]] void fail(const vbString& msg, const vbString& where)
{
    throw new vbEcompress(msg, where);
}

[[noreturn]] void failTooLarge(const char* where)
{
    fail("QVLZSS compression : compressed output is larger than buffer", where);
}

struct LevelSetting {
    int level;
    int stored;
    int chainLimit;
    bool lazy;
};

constexpr LevelSetting kLevels[] = {
    {0, 0, 1, false}, {1, 1, 4, true}, {2, 2, 8, true}, {3, 3, 16, true}, {4, 4, 32, true},
    {5, 5, 64, true}, {6, 6, 128, true}, {7, 7, 256, true}, {8, 8, 512, true}, {9, 9, 1024, true},
    {-4, 0, 1, false}, {-3, 4, 32, true}, {-2, 9, 1024, true}, {-1, 7, 256, true},
};

// Common prefix of a and b, at most max bytes.
size_t commonLength(const unsigned char* a, const unsigned char* b, size_t max)
{
    size_t n = 0;
    while (n + 8 <= max) {
        uint64_t x, y;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (uint64_t d = x ^ y)
            return n + size_t(__builtin_ctzll(d) >> 3);
        n += 8;
    }
    while (n < max && a[n] == b[n])
        ++n;
    return n;
}

// Packs bits most significant first into big-endian 16-bit words.
class BitWriter {
public:
    BitWriter(unsigned char* begin, unsigned char* end) : m_begin(begin), m_p(begin), m_end(end) {}

    void Put(uint32_t bits, int count)
    {
        m_acc = (m_acc << count) | bits;
        m_pending += count;
        m_total += uint64_t(count);
        if (m_pending >= 16) {
            m_pending -= 16;
            store(static_cast<uint16_t>(m_acc >> m_pending), "vbLZSScompressPush::compDataWriteBits()");
        }
    }

    // Ends the block on its word boundary: in 16-bit framing on the first after the last bit (at
    // least one word); in 32-bit framing with one word more than the writer's 32-bit accumulator
    // leaves once 32 bits have passed (two at least), padded to whole 4-byte units.
    size_t Finish(bool framing16)
    {
        uint64_t words;
        if (framing16)
            words = std::max<uint64_t>(1, (m_total + 15) / 16);
        else
            words = ((m_total >= 32 ? (m_total - 16) / 16 : 0) + 2 + 1) & ~uint64_t(1);
        if (m_pending > 0)
            store(static_cast<uint16_t>(m_acc << (16 - m_pending)), "vbLZSScompressPush::compDataWriteBitsFlush()");
        while (uint64_t(m_p - m_begin) < words * 2)
            store(0, "vbLZSScompressPush::compDataWriteBitsFlush(2)");
        return size_t(m_p - m_begin);
    }

private:
    void store(uint16_t word, const char* where)
    {
        if (m_end - m_p < 2)
            failTooLarge(where);
        m_p[0] = static_cast<unsigned char>(word >> 8);
        m_p[1] = static_cast<unsigned char>(word);
        m_p += 2;
    }

    unsigned char* m_begin;
    unsigned char* m_p;
    unsigned char* m_end;
    uint64_t m_acc = 0;
    int m_pending = 0;
    uint64_t m_total = 0;
};

struct Match {
    size_t length = 0;
    uint64_t distance = 0;
};

} // namespace

// The coding of one block: the match search over the window and the tokens.
class vbLZSScompress::BlockCoder {
public:
    BlockCoder(vbLZSScompress& c, BitWriter& w)
        : m_c(c), m_w(w), m_in(c.m_in.data()), m_start(c.m_blockStart), m_end(c.m_inPos), m_finder(*c.m_finder),
          m_literal(c.m_models->literal), m_offset(c.m_models->offset)
    {
    }

    void Run()
    {
        size_t p = m_start;
        while (p + 4 < m_end) {
            size_t advance = 1;
            Match m1 = search(p, 0);
            if (m1.length >= size_t(kMinMatch)) {
                Match m2;
                if (m_c.m_lazy && p + 5 < m_end)
                    m2 = search(p + 1, m1.length);
                if (m2.length > m1.length + 1) {
                    literal(m_in[p]);
                    match(m2);
                    advance = m2.length + 1;
                } else {
                    match(m1);
                    advance = m1.length;
                }
            } else {
                literal(m_in[p]);
            }
            for (size_t q = p; q < p + advance && q + 4 <= m_end; ++q)
                m_finder.Insert(vbLZSSmatchFinder::Hash(m_in + q), abs(q), uint32_t(q), uint32_t(m_c.m_chainLimit));
            p += advance;
            m_finder.PeriodicPrune(abs(p), m_c.reach(abs(p), m_end));
        }
        while (p < m_end)
            literal(m_in[p++]);
    }

private:
    uint64_t abs(size_t q) const { return m_c.m_absBlock + (q - m_start); }

    // Where a candidate's bytes continue at the ring's start: at the wrap point for a candidate of
    // the previous lap; nowhere for one of this lap.
    size_t wrapOf(uint64_t distance, uint64_t a) const
    {
        return m_c.m_wrapped && distance > a - m_c.m_absWrap ? m_c.m_wrapPoint : SIZE_MAX;
    }

    static size_t ring(size_t i, size_t wrapAt) { return i >= wrapAt ? i - wrapAt : i; }

    size_t compare(size_t candidate, size_t p, size_t max, size_t wrapAt) const
    {
        if (candidate + max > wrapAt) {
            size_t first = wrapAt - candidate;
            size_t n = commonLength(m_in + candidate, m_in + p, first);
            if (n < first)
                return n;
            return first + commonLength(m_in, m_in + p + first, max - first);
        }
        return commonLength(m_in + candidate, m_in + p, max);
    }

    Match search(size_t p, size_t minimum) const
    {
        uint64_t a = abs(p);
        uint64_t reach = m_c.reach(a, m_end);
        uint32_t a32 = uint32_t(a);
        size_t max = std::min<size_t>(kMaxMatch, m_end - p);
        size_t best = minimum;
        uint64_t bestDistance = 0;
        for (int32_t e = m_finder.Head(vbLZSSmatchFinder::Hash(m_in + p)); e >= 0;) {
            const vbLZSSmatchFinder::Link& x = m_finder.At(e);
            int32_t entry = e;
            e = x.next;
            uint64_t distance = uint32_t(a32 - x.pos);
            if (best >= size_t(kMaxMatch) || distance >= reach)
                break;
            if (distance < uint64_t(kMinMatch))
                continue;
            size_t wrapAt = wrapOf(distance, a);
            size_t ptr = m_finder.Ptr(entry);
            if (best > 0) {
                if (distance < best + kMinMatch)
                    continue;
                if (p + best >= m_end)
                    break;
                if (m_in[ring(ptr + best - 1, wrapAt)] != m_in[p + best - 1])
                    continue;
            }
            size_t n = compare(ptr, p, max, wrapAt);
            if (n > best) {
                best = n;
                bestDistance = distance;
            }
        }
        if (bestDistance == 0 || best < size_t(kMinMatch))
            return {};
        return {best, bestDistance};
    }

    void put(const vbHuffmanOutput& code) { m_w.Put(code.bits, int(code.length)); }

    void literal(unsigned char b)
    {
        put(m_literal.Code(b));
        m_literal.Count(b);
    }

    void match(const Match& m)
    {
        Code l = lengthCode(uint32_t(m.length - kMinMatch));
        put(m_literal.Code(l.symbol));
        m_w.Put(l.extra, l.extraBits);
        m_literal.Count(l.symbol);
        Code d = distanceCode(uint32_t(m.distance - kMinMatch));
        put(m_offset.Code(d.symbol));
        m_w.Put(d.extra, d.extraBits);
        m_offset.Count(d.symbol);
    }

    vbLZSScompress& m_c;
    BitWriter& m_w;
    const unsigned char* m_in;
    size_t m_start;
    size_t m_end;
    vbLZSSmatchFinder& m_finder;
    vbHuffmanModel& m_literal;
    vbHuffmanModel& m_offset;
};

vbLZSScompress::vbLZSScompress() : vbLZSS(false) {}

vbLZSScompress::~vbLZSScompress() = default;

// --- settings ---

vbString vbLZSScompress::GetCompressLabel(bool shortLabel) const
{
    vbString label("QVLZSS compression");
    if (!shortLabel)
        label += " (level: " + vbString(m_level) + ")";
    return label;
}

bool vbLZSScompress::LevelRange(int* minimum, int* maximum, int* byDefault)
{
    if (minimum)
        *minimum = 0;
    if (maximum)
        *maximum = 9;
    if (byDefault)
        *byDefault = kDefaultLevel;
    return true;
}

bool vbLZSScompress::BlockRange(LONG* minimum, LONG* maximum, LONG* byDefault)
{
    if (minimum)
        *minimum = kMinBlock;
    if (maximum)
        *maximum = kMaxBlock;
    if (byDefault)
        *byDefault = kDefaultBlock;
    return true;
}

bool vbLZSScompress::GetCompressLevelRange(int* minimum, int* maximum, int* byDefault) const
{
    return LevelRange(minimum, maximum, byDefault);
}

bool vbLZSScompress::GetCompressBlockRange(LONG* minimum, LONG* maximum, LONG* byDefault) const
{
    return BlockRange(minimum, maximum, byDefault);
}

bool vbLZSScompress::EnumCompressSetting(int, vbString*, vbString*) const
{
    return false;
}

void vbLZSScompress::SetCompressLevel(int level)
{
    if (m_started)
        fail("QVLZSS compression: can't change compression level after compression is started",
            "vbLZSScompressPush::SetCompressLevel(" + vbString(level) + ")");
    for (const LevelSetting& s : kLevels) {
        if (s.level == level) {
            m_level = s.stored;
            m_chainLimit = s.chainLimit;
            m_lazy = s.lazy;
            return;
        }
    }
    fail("QVLZSS compression: Bad compression level", "vbLZSScompressPush::SetCompressionLevel(" + vbString(level) + ")");
}

int vbLZSScompress::GetCompressLevel() const
{
    return m_level;
}

void vbLZSScompress::SetCompressBlock(LONG size)
{
    if (m_started)
        fail("QVLZSS compression: can't change compression block size after compression is started",
            "vbLZSScompressPush::SetCompressBlock(" + vbString(size) + ")");
    switch (size) {
    case -4: size = 1024; break;
    case -3: size = 64512; break;
    case -2: size = 0x100000; break;
    case -1: size = kDefaultBlock; break;
    default:
        size = size / 4 * 4;
        // The reader refuses a history ring above kMaxRing, so no stream may ask for one.
        if (size < kMinBlock || size > kMaxBlock || uint64_t(size) * uint64_t(m_blockCount) > kMaxRing)
            fail("QVLZSS compression: Bad compression block size",
                "vbLZSScompressPush::SetCompressionLevel(" + vbString(size) + ")");
    }
    m_blockSize = size;
    m_outSize = 0;
}

LONG vbLZSScompress::GetCompressBlock() const
{
    return m_blockSize;
}

bool vbLZSScompress::SetCompressSetting(const char* name, LONG, bool bThrow)
{
    if (bThrow)
        throw new vbEcompress(E_NOTIMPL, "QVLZSS compression: setting " + vbString(name) + " unknown",
            vbString("vbLZSScompressPush::SetCompressSetting()"));
    return false;
}

LONG vbLZSScompress::GetCompressSetting(const char* name, bool* found) const
{
    if (!found)
        throw new vbEcompress(E_NOTIMPL, "QVLZSS compression: setting " + vbString(name) + " unknown",
            vbString("vbLZSScompressPush::GetCompressSetting()"));
    *found = false;
    return -1;
}

void vbLZSScompress::ResetCompressSettings(int level)
{
    if (m_started)
        fail("QVLZSS compression: can't reset settings after compression is started",
            "vbLZSScompressPush::ResetCompressSettings(" + vbString(level) + ")");
    m_blockSize = kDefaultBlock;
    m_outSize = 0;
    SetCompressLevel(level);
}

void vbLZSScompress::SetCodePage(DWORD codePage)
{
    if (m_started)
        fail("QVLZSS compression: can't change code page after compression is started",
            "vbLZSScompressPush::SetCodePage(" + vbString(codePage) + ")");
    m_codePage = g_vbRegEngine.GetRealCP(codePage, true);
}

uint64_t vbLZSScompress::GetMemoryUsage() const
{
    return vbLZSS::GetMemoryUsage() + m_in.capacity() + m_out.capacity() + (m_finder ? m_finder->MemoryUsage() : 0);
}

void vbLZSScompress::resetMemory()
{
    vbLZSS::resetMemory();
    m_in = {};
    m_out = {};
    m_finder.reset();
}

// --- coding ---

void vbLZSScompress::startBuffers(DWORD flags)
{
    uint64_t block = uint64_t(m_blockSize);
    if (m_outSize == 0)
        m_outSize = blockBound(block);
    allocate(m_in, block * uint64_t(m_blockCount));
    allocate(m_out, m_outSize);
    m_blockStart = m_inPos = 0;
    m_absBlock = 0;
    m_wrapped = false;
    m_wrapPoint = m_in.size();
    m_absWrap = 0;
    m_refused = false;
    m_rawBytes = m_codedBytes = 0;
    if (m_finder)
        m_finder->Clear(); // kept from an earlier stream: its entries name bytes of that one
    std::memcpy(m_out.data(), kMagic, 4);
    writeLE32(m_out.data() + 4, flags);
    writeLE32(m_out.data() + 8, DWORD(m_blockSize));
    m_outPos = kHeaderSize;
    m_codedBytes = kHeaderSize;
    m_models->Init();
}

uint64_t vbLZSScompress::reach(uint64_t a, size_t dataEnd) const
{
    // The low bound: positions at or below it are out of the window.
    uint64_t far = a >= kMaxDistance + 1 ? a - (kMaxDistance + 1) : 0;
    uint64_t lo;
    if (!m_wrapped)
        lo = a >= kMaxDistance + 1 ? far : m_absBlock;
    else
        lo = std::max(m_absWrap + dataEnd - m_wrapPoint, far);
    return a > lo ? a - lo : 0;
}

void vbLZSScompress::appendInput(const unsigned char* data, uint64_t count)
{
    size_t blockEnd = m_blockStart + size_t(m_blockSize);
    while (count > 0) {
        size_t n = size_t(std::min<uint64_t>(count, blockEnd - m_inPos));
        std::memcpy(m_in.data() + m_inPos, data, n);
        m_inPos += n;
        data += n;
        count -= n;
        if (m_inPos == blockEnd) {
            codeBlock();
            onCompDataFlush(false, false);
            blockEnd = m_blockStart + size_t(m_blockSize);
        }
    }
}

void vbLZSScompress::codeBlock()
{
    if (m_refused)
        failTooLarge("vbLZSScompressPush::tmpDataCompress()");
    size_t length = m_inPos - m_blockStart;
    if (length == 0)
        return;
    size_t block = size_t(m_blockSize);
    if (!m_finder || m_blockCount < 2) {
        if (!m_finder) {
            uint64_t history = uint64_t(m_blockCount - 1) * block;
            if (history == 0)
                history = block;
            m_finder = std::make_unique<vbLZSSmatchFinder>(size_t(2 * std::min<uint64_t>(history, 65536)));
        }
        m_finder->Clear();
    } else {
        m_finder->Prune(m_absBlock, reach(m_absBlock, m_inPos));
    }

    bool shortBlock = length < block;
    size_t headerSize = m_16bit ? (shortBlock ? 4 : 2) : (shortBlock ? 8 : 4);
    if (m_out.size() - m_outPos < (m_16bit ? 4u : 8u))
        failTooLarge("vbLZSScompressPush::tmpDataCompress()");
    unsigned char* header = m_out.data() + m_outPos;
    size_t dataBytes;
    try {
        BitWriter w(header + headerSize, m_out.data() + m_out.size());
        BlockCoder(*this, w).Run();
        dataBytes = w.Finish(m_16bit);
        // A 16-bit length field holds at most 32767 words: a larger block is refused, not written.
        if (m_16bit && dataBytes / 2 > kMax16bitWords)
            failTooLarge("vbLZSScompressPush::tmpDataCompress()");
    } catch (...) {
        // The models have counted the refused block, so the stream cannot go on.
        m_refused = true;
        throw;
    }
    if (m_16bit) {
        DWORD h = DWORD(dataBytes / 2) | (shortBlock ? 0x8000u : 0);
        header[0] = static_cast<unsigned char>(h);
        header[1] = static_cast<unsigned char>(h >> 8);
        if (shortBlock) {
            header[2] = static_cast<unsigned char>(length);
            header[3] = static_cast<unsigned char>(length >> 8);
        }
    } else {
        writeLE32(header, DWORD(dataBytes / 4) | (shortBlock ? 0x80000000u : 0));
        if (shortBlock)
            writeLE32(header + 4, DWORD(length));
    }
    m_outPos += headerSize + dataBytes;
    m_rawBytes += length;
    m_codedBytes += headerSize + dataBytes;
    m_absBlock += length;
    placeNextBlock();
    onBlockCoded();
}

void vbLZSScompress::placeNextBlock()
{
    size_t end = m_inPos;
    if (m_blockCount < 2) {
        m_blockStart = 0;
    } else if (end + size_t(m_blockSize) > m_in.size()) {
        m_wrapped = true;
        m_wrapPoint = end;
        m_absWrap = m_absBlock;
        m_blockStart = 0;
    } else {
        m_blockStart = end;
    }
    m_inPos = m_blockStart;
}
