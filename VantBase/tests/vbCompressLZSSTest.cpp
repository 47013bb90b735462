#include "vbCompressLZSS.h"

#include "compress/vbHuffman.h"
#include "compress/vbLZSSformat.h"

#include "vbObjTestUtil.h"
#include "vbStreamTestUtil.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

using namespace vbstreamtest;
using namespace vbLZSSformat;

namespace {

constexpr HRESULT kHrStream = static_cast<HRESULT>(0x8003001Du);
const char* const kRefused = "QVLZSS compression : compressed output is larger than buffer";

using Thrown = vbtest::Caught;

template <class F>
Thrown thrownBy(F&& f)
{
    return vbtest::catchVb(std::forward<F>(f));
}

void expectCompressError(const Thrown& t, HRESULT hr, const std::string& msg, const std::string& ctx = {})
{
    ASSERT_TRUE(t.thrown) << msg;
    EXPECT_EQ(t.cls, "vbEcompress");
    EXPECT_EQ(uint32_t(t.hr), uint32_t(hr));
    EXPECT_EQ(t.msg, msg);
    if (!ctx.empty()) {
        EXPECT_EQ(t.ctx, ctx);
    }
}

Bytes randomBytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<unsigned char>(gen());
    return b;
}

// Words drawn from a small vocabulary, with punctuation and line ends: compresses like prose.
Bytes generatedText(size_t n, unsigned seed = 7)
{
    static const char* const words[] = {"the", "light", "filter", "image", "source", "colour", "result", "of",
        "and", "picture", "assembles", "through", "each", "seen", "a", "program", "desktop", "bits", "red",
        "green", "blue", "channel", "project", "window", "with", "from", "into", "layer"};
    std::mt19937 gen(seed);
    Bytes b;
    b.reserve(n + 16);
    while (b.size() < n) {
        const char* w = words[gen() % std::size(words)];
        b.insert(b.end(), w, w + std::char_traits<char>::length(w));
        unsigned r = gen() % 16;
        b.push_back(r == 0 ? '\n' : r == 1 ? ',' : ' ');
    }
    b.resize(n);
    return b;
}

Bytes pattern(size_t n)
{
    static const unsigned char seven[] = {'p', 'a', 't', 't', 'e', 'r', 'n'};
    Bytes b(n);
    for (size_t i = 0; i < n; ++i)
        b[i] = seven[i % 7];
    return b;
}

using Setup = std::function<void(IvbCompressPush*)>;

void writePieces(IvbOutputStream* s, const Bytes& in, size_t piece)
{
    if (piece == 0 || in.empty()) {
        s->Write(in.data(), DWORD(in.size()), true);
        return;
    }
    for (size_t at = 0; at < in.size(); at += piece)
        s->Write(in.data() + at, DWORD(std::min(piece, in.size() - at)), true);
}

Bytes compress(const Bytes& in, int level = 7, LONG block = 16384, const Setup& setup = {})
{
    MemPtr out = newMemory();
    vbCompressPushPtr c;
    vbLZSScompressPush::CreateObject(&c);
    c->SetCompressLevel(level);
    c->SetCompressBlock(block);
    c->New(out.Get());
    if (setup)
        setup(c);
    writePieces(c, in, 0);
    c->Close(true);
    return bytesOf(out);
}

vbDecompressPushPtr newDecompressor(IvbOutputStream* out)
{
    vbDecompressPushPtr d;
    vbLZSSdecompressPush::CreateObject(&d);
    d->SetOutputStream(out);
    return d;
}

Bytes decompress(const Bytes& coded, size_t piece = 0)
{
    MemPtr out = newMemory();
    vbDecompressPushPtr d = newDecompressor(out.Get());
    writePieces(d, coded, piece);
    d->Close(true);
    return bytesOf(out);
}

// An independent walk over a stream's framing and tokens, which reports the lengths and distances
// the coder used and checks each block's real size and the end markers.
struct Tokens {
    size_t maxLength = 0;
    size_t minDistance = SIZE_MAX;
    size_t maxDistance = 0;
    uint64_t decoded = 0;
    int shortBlocks = 0;
    int oddBlocks32 = 0; // 32-bit-framed blocks whose data ends 2 bytes past a 4-byte unit before padding
};

Tokens walkTokens(const Bytes& s)
{
    Tokens t;
    DWORD flags = readLE32(&s[4]);
    uint64_t block = readLE32(&s[8]);
    bool w16 = flags & kFlag16bit;
    bool files = flags & kFlagFiles;
    vbLZSSmodels models(false);
    models.Init();
    size_t pos = kHeaderSize;
    int zeros = 0;
    for (;;) {
        DWORD v = w16 ? readLE16(&s[pos]) : readLE32(&s[pos]);
        pos += w16 ? 2 : 4;
        if (v == 0) {
            if (!files || ++zeros == 2)
                break;
            continue;
        }
        zeros = 0;
        DWORD realBit = w16 ? 0x8000u : 0x80000000u;
        uint64_t real = block;
        if (v & realBit) {
            real = w16 ? readLE16(&s[pos]) : readLE32(&s[pos]);
            pos += w16 ? 2 : 4;
            EXPECT_GE(real, 1u);
            EXPECT_LT(real, block);
            ++t.shortBlocks;
        }
        size_t length = size_t(v & ~realBit) * (w16 ? 2 : 4);
        EXPECT_LE(pos + length, s.size());
        uint64_t bit = 0;
        bool beyond = false;
        auto take = [&](int n) {
            uint32_t r = 0;
            for (int i = 0; i < n; ++i, ++bit) {
                beyond |= bit / 8 >= length;
                r = (r << 1) | (beyond ? 0 : (s[pos + bit / 8] >> (7 - bit % 8)) & 1);
            }
            return r;
        };
        auto symbol = [&](vbHuffmanModel& m) {
            int node = 2 * m.Symbols() - 2;
            while (node >= m.Symbols())
                node = take(1) ? m.Node(node).child1 : m.Node(node).child0;
            m.Count(node);
            return node;
        };
        for (uint64_t done = 0; done < real;) {
            int sym = symbol(models.literal);
            if (sym < 256) {
                ++done;
                continue;
            }
            size_t len = lengthBase(sym) + take(lengthExtraBits(sym)) + 3;
            int ds = symbol(models.offset);
            size_t dist = distanceBase(ds) + take(distanceExtraBits(ds)) + 3;
            t.maxLength = std::max(t.maxLength, len);
            t.minDistance = std::min(t.minDistance, dist);
            t.maxDistance = std::max(t.maxDistance, dist);
            done += len;
            EXPECT_LE(done, real);
        }
        EXPECT_FALSE(beyond);
        // The writer's words before padding: its 32-bit accumulator leaves one word more once 32
        // bits have passed, two at least.
        if (!w16 && ((bit >= 32 ? (bit - 16) / 16 : 0) + 2) % 2 == 1)
            ++t.oddBlocks32;
        t.decoded += real;
        pos += length;
    }
    EXPECT_EQ(pos, s.size());
    return t;
}

std::string codes(const vbHuffmanOutput* c, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) {
        if (i)
            out += ' ';
        for (int b = int(c[i].length) - 1; b >= 0; --b)
            out += char('0' + ((c[i].bits >> b) & 1));
    }
    return out;
}

std::string generate(std::vector<uint32_t> weights, bool rebuild = false, std::vector<uint32_t>* after = nullptr)
{
    int n = int(weights.size());
    std::vector<vbHuffmanNode> nodes(static_cast<size_t>(2 * n - 1));
    std::vector<vbHuffmanOutput> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        nodes[size_t(i)].weight = weights[size_t(i)];
    vbHuffmanGenerate(nodes.data(), n, out.data(), rebuild);
    if (after) {
        after->clear();
        for (int i = 0; i < n; ++i)
            after->push_back(nodes[size_t(i)].weight);
    }
    return codes(out.data(), n);
}

bool prefixFree(const std::string& all)
{
    std::vector<std::string> list;
    size_t start = 0;
    for (size_t sp; (sp = all.find(' ', start)) != std::string::npos; start = sp + 1)
        list.push_back(all.substr(start, sp - start));
    list.push_back(all.substr(start));
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].size() > 16)
            return false;
        for (size_t j = 0; j < list.size(); ++j)
            if (i != j && list[j].compare(0, list[i].size(), list[i]) == 0)
                return false;
    }
    return true;
}

} // namespace

// Trees worked out by hand from the selection rule: a node is taken whenever its weight does not
// exceed a held weight, and the node taken last goes to branch 0.
TEST(vbHuffman, CodesFollowTheSelectionRule)
{
    EXPECT_EQ(generate({1, 1, 1, 1}), "01 00 11 10");
    // Node 2 ties with node 0 at 5 and is taken over it, being newer.
    EXPECT_EQ(generate({5, 3, 5}), "1 01 00");
    EXPECT_EQ(generate({100, 1, 1, 1}), "1 01 001 000");
}

TEST(vbHuffman, DeepTreesQuarterTheWeightsAndRebuildsHalveThem)
{
    std::vector<uint32_t> fib{1, 1};
    while (fib.size() < 25)
        fib.push_back(fib[fib.size() - 1] + fib[fib.size() - 2]);
    std::vector<uint32_t> after;
    std::string c = generate(fib, false, &after);
    EXPECT_TRUE(prefixFree(c)) << c;
    // One restart: each weight w became (w >> 2) | 1.
    EXPECT_EQ(after, (std::vector<uint32_t>{1, 1, 1, 1, 1, 3, 3, 5, 9, 13, 23, 37, 59, 95, 153, 247, 399, 647, 1045,
                         1691, 2737, 4427, 7165, 11593, 18757}));

    generate({4, 7, 1, 2}, true, &after);
    EXPECT_EQ(after, (std::vector<uint32_t>{3, 3, 1, 1}));
    generate({4, 7, 1, 2}, false, &after);
    EXPECT_EQ(after, (std::vector<uint32_t>{4, 7, 1, 2}));
}

TEST(vbHuffman, ModelRebuildsAfterItsOwnSymbolsOnly)
{
    vbHuffmanModel m(kLiteralSymbols, kLiteralStep, false);
    m.Init();
    for (int i = 0; i < 455; ++i)
        m.Count(65);
    EXPECT_EQ(m.Weights()[65], 456u);
    m.Count(65); // the 456th symbol: rebuild, weights halved
    EXPECT_EQ(m.Weights()[65], (457u >> 1) | 1);
    EXPECT_EQ(m.Weights()[66], 1u);
    EXPECT_LT(m.Code(65).length, m.Code(66).length);
}

TEST(vbLZSSformat, LengthAndDistanceCodes)
{
    struct Case {
        bool length;
        uint32_t value;
        int symbol;
        int extraBits;
        uint32_t extra;
    };
    const Case cases[] = {
        {true, 0, 256, 0, 0}, {true, 7, 263, 0, 0}, {true, 8, 264, 1, 0}, {true, 9, 264, 1, 1},
        {true, 10, 265, 1, 0}, {true, 16, 268, 2, 0}, {true, 8191, 303, 10, 1023},
        {false, 0, 0, 0, 0}, {false, 3, 3, 0, 0}, {false, 4, 4, 1, 0}, {false, 6, 5, 1, 0},
        {false, 8, 6, 2, 0}, {false, 65535, 31, 14, 16383}, {false, 65534, 31, 14, 16382},
    };
    for (const Case& c : cases) {
        Code code = c.length ? lengthCode(c.value) : distanceCode(c.value);
        EXPECT_EQ(code.symbol, c.symbol) << c.value;
        EXPECT_EQ(code.extraBits, c.extraBits) << c.value;
        EXPECT_EQ(code.extra, c.extra) << c.value;
        if (c.length) {
            EXPECT_EQ(lengthExtraBits(c.symbol), c.extraBits);
            EXPECT_EQ(lengthBase(c.symbol) + c.extra, c.value);
        } else {
            EXPECT_EQ(distanceExtraBits(c.symbol), c.extraBits);
            EXPECT_EQ(distanceBase(c.symbol) + c.extra, c.value);
        }
    }
    for (uint32_t l = 0; l < 8192; ++l) {
        Code code = lengthCode(l);
        ASSERT_EQ(lengthBase(code.symbol) + code.extra, l);
    }
    for (uint32_t d = 0; d < 65536; ++d) {
        Code code = distanceCode(d);
        ASSERT_EQ(distanceBase(code.symbol) + code.extra, d);
    }
}

TEST(vbLZSScompress, LevelAliasesAndRefusedSettings)
{
    Bytes in = generatedText(100000);
    EXPECT_EQ(compress(in, -3), compress(in, 4));
    EXPECT_EQ(compress(in, -2), compress(in, 9));
    EXPECT_EQ(compress(in, -1), compress(in, 7));
    EXPECT_EQ(compress(in, -4), compress(in, 0));

    vbCompressPushPtr c;
    vbLZSScompressPush::CreateObject(&c);
    expectCompressError(thrownBy([&] { c->SetCompressLevel(-5); }), E_FAIL, "QVLZSS compression: Bad compression level",
        "vbLZSScompressPush::SetCompressionLevel(-5)");
    expectCompressError(thrownBy([&] { c->SetCompressLevel(10); }), E_FAIL, "QVLZSS compression: Bad compression level");
    expectCompressError(thrownBy([&] { c->SetCompressBlock(1023); }), E_FAIL,
        "QVLZSS compression: Bad compression block size", "vbLZSScompressPush::SetCompressionLevel(1020)");
    // A block size whose history ring the reader would refuse.
    expectCompressError(thrownBy([&] { c->SetCompressBlock(0x7FFFFFF0); }), E_FAIL,
        "QVLZSS compression: Bad compression block size");
    c->SetCompressBlock(1025);
    EXPECT_EQ(c->GetCompressBlock(), 1024);
    c->SetCompressBlock(-3);
    EXPECT_EQ(c->GetCompressBlock(), 64512);

    MemPtr out = newMemory();
    c->New(out.Get());
    c->Write("x", 1, true);
    expectCompressError(thrownBy([&] { c->SetCompressLevel(3); }), E_FAIL,
        "QVLZSS compression: can't change compression level after compression is started",
        "vbLZSScompressPush::SetCompressLevel(3)");
    expectCompressError(thrownBy([&] { c->SetCompressBlock(4096); }), E_FAIL,
        "QVLZSS compression: can't change compression block size after compression is started");
    expectCompressError(thrownBy([&] { c->WriteStringW(u"x", 1, false, nullptr); }), E_FAIL,
        "QVLZSS compression: WriteStringW not supported", "vbLZSScompressPush::WriteStringW()");
}

TEST(vbLZSScompress, FlagsWord)
{
    struct Case {
        LONG block;
        bool headerParam;
        bool file;
        DWORD flags;
    };
    const Case cases[] = {
        {65536, false, false, 0x00000002},
        {65532, false, false, 0x00000012},
        {16384, true, false, 0x80000012},
        {16384, false, true, 0x40000012},
    };
    for (const Case& c : cases) {
        Bytes s = compress(text("data"), 7, c.block, [&](IvbCompressPush* p) {
            if (c.headerParam)
                p->AddHeaderParam("name", "value", 65001, true);
            if (c.file)
                p->NewFile("a", 4, 65001, true);
        });
        ASSERT_GE(s.size(), 12u);
        EXPECT_EQ(readLE32(&s[4]), c.flags) << c.block;
        EXPECT_EQ(readLE32(&s[8]), DWORD(c.block));
        EXPECT_EQ(std::string(s.begin(), s.begin() + 4), "QVLZ");
    }
}

TEST(vbLZSScompress, ShortestStreamsAndNothingWhenNeverStarted)
{
    // Closed before anything was written: nothing at all.
    MemPtr out = newMemory();
    vbCompressPushPtr c;
    vbLZSScompressPush::CreateObject(&c);
    c->New(out.Get());
    c->Close(true);
    EXPECT_TRUE(bytesOf(out).empty());

    // A zero-length write starts the stream: header and one end marker.
    Bytes empty16 = compress({});
    EXPECT_EQ(empty16.size(), 14u);
    EXPECT_EQ(empty16[12], 0);
    EXPECT_EQ(empty16[13], 0);
    EXPECT_EQ(compress({}, 7, 65536).size(), 16u);
    EXPECT_TRUE(decompress(empty16).empty());
}

TEST(vbLZSS, RoundTrips)
{
    struct Input {
        const char* name;
        Bytes bytes;
    };
    const Input inputs[] = {
        {"empty", {}},
        {"one byte", {42}},
        {"four bytes", {1, 2, 3, 4}},
        {"pattern", pattern(65539)},
        {"text", generatedText(300 * 1024 + 3)},
        {"random", randomBytes(256 * 1024 + 1, 1)},
    };
    const int levels[] = {1, 5, 8, -2};
    const LONG blocks[] = {2048, 4096, 64512, 0x100000};
    int oddBlocks32 = 0;
    for (const Input& in : inputs) {
        for (size_t i = 0; i < std::size(blocks); ++i) {
            LONG block = blocks[i];
            if (block == 64512 && std::string(in.name) == "random")
                continue; // random bytes at this size have a check of their own
            int level = levels[(i + in.bytes.size()) % std::size(levels)];
            SCOPED_TRACE(std::string(in.name) + " level " + std::to_string(level) + " block " + std::to_string(block));
            Bytes coded = compress(in.bytes, level, block);
            EXPECT_EQ(decompress(coded), in.bytes);
            EXPECT_EQ(decompress(coded, 7), in.bytes);
            Tokens t = walkTokens(coded);
            EXPECT_EQ(t.decoded, in.bytes.size());
            EXPECT_LE(t.maxLength, 8194u);
            if (t.maxDistance) {
                EXPECT_GE(t.minDistance, 3u);
                EXPECT_LE(t.maxDistance, 65537u);
            }
            oddBlocks32 += t.oddBlocks32;
        }
    }
    // Some 32-bit-framed blocks needed the padding to a whole 4-byte unit.
    EXPECT_GT(oddBlocks32, 0);
}

TEST(vbLZSS, RunsAndFlushesRoundTrip)
{
    // A run of one byte: matches whose distance is shorter than their length; flushed blocks in
    // between give short blocks with a real size.
    Bytes run(70000, 'z');
    MemPtr out = newMemory();
    vbCompressPushPtr c;
    vbLZSScompressPush::CreateObject(&c);
    c->New(out.Get());
    Bytes all;
    for (int i = 0; i < 40; ++i) {
        Bytes part = i % 2 ? run : generatedText(5000 + size_t(i) * 977, unsigned(i));
        c->Write(part.data(), DWORD(part.size()), true);
        all.insert(all.end(), part.begin(), part.end());
        c->CompressFlush();
    }
    c->Close(true);
    Bytes coded = bytesOf(out);
    Tokens t = walkTokens(coded);
    EXPECT_GE(t.shortBlocks, 40);
    EXPECT_EQ(t.minDistance, 3u);
    EXPECT_EQ(decompress(coded), all);
    EXPECT_EQ(decompress(coded, 1), all);
}

// Random blocks near the largest 16-bit-framed size may code to more than a 16-bit length field
// holds: such a block is refused and nothing of it is written; every other stream decodes exactly.
TEST(vbLZSS, OversizeBlocksAreRefused)
{
    int refused = 0, decoded = 0;
    for (unsigned seed = 1; seed <= 12; ++seed) {
        LONG block = seed % 2 ? 64512 : 65532;
        Bytes in = randomBytes(size_t(block) * 2 + seed * 100, seed);
        MemPtr out = newMemory();
        vbCompressPushPtr c;
        vbLZSScompressPush::CreateObject(&c);
        c->SetCompressBlock(block);
        c->SetCompressLevel(int(seed % 10));
        c->New(out.Get());
        Thrown t = thrownBy([&] {
            c->Write(in.data(), DWORD(in.size()), true);
            c->Close(true);
        });
        if (t.thrown) {
            expectCompressError(t, E_FAIL, kRefused, "vbLZSScompressPush::tmpDataCompress()");
            ++refused;
            c->Close(true);
            // What was written holds only whole blocks, each with a sound header.
            Bytes partial = bytesOf(out);
            Thrown r = thrownBy([&] { decompress(partial); });
            EXPECT_TRUE(r.thrown);
        } else {
            Bytes coded = bytesOf(out);
            EXPECT_EQ(decompress(coded), in);
            EXPECT_EQ(walkTokens(coded).decoded, in.size());
            ++decoded;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(decoded, 0);
}

TEST(vbLZSSdecompress, ReaderErrors)
{
    Bytes good = compress(generatedText(5000));
    auto header = [](const char* magic, DWORD flags, DWORD block) {
        Bytes h(magic, magic + 4);
        h.resize(12);
        writeLE32(&h[4], flags);
        writeLE32(&h[8], block);
        return h;
    };
    Bytes realIsB = header("QVLZ", 0x12, 4096);
    realIsB.insert(realIsB.end(), {0x01, 0x80, 0x00, 0x10, 0, 0}); // H: 1 word, real size 4096 = B
    Bytes cut = good;
    cut.resize(good.size() - 5);
    Bytes zeroLength = header("QVLZ", 0x12, 4096);
    zeroLength.insert(zeroLength.end(), {0x00, 0x80});
    Bytes tooLong = header("QVLZ", 0x12, 4096);
    tooLong.insert(tooLong.end(), {0xFF, 0x7F});
    struct Case {
        const char* name;
        Bytes stream;
        HRESULT hr;
        const char* msg;
    };
    const Case cases[] = {
        {"magic", header("QVLX", 0x12, 16384), kHrStream, "QVLZSS decompression: stream header invalid (algid)"},
        {"11 bytes", Bytes(good.begin(), good.begin() + 11), kHrStream,
            "QVLZSS decompression: stream header invalid (size)"},
        {"mode", header("QVLZ", 0x32, 16384), kHrStream, "QVLZSS decompression: stream header invalid (mode)"},
        {"block 1023", header("QVLZ", 0x12, 1023), kHrStream,
            "QVLZSS decompression: stream header invalid (block size)"},
        // 16 blocks of 0x7FFFFFF0 bytes: refused before anything is allocated.
        {"huge ring", header("QVLZ", 0x0F, 0x7FFFFFF0), kHrStream,
            "QVLZSS decompression: stream header invalid (block size)"},
        {"real size B", realIsB, kHrStream, "QVLZSS decompression: stream block invalid (block size)"},
        {"zero length", zeroLength, kHrStream, "QVLZSS decompression: stream block invalid (block size)"},
        {"above bound", tooLong, kHrStream, "QVLZSS decompression: stream block invalid (block size)"},
        {"no end marker", header("QVLZ", 0x12, 4096), kHrStream,
            "QVLZSS decompression: stream block invalid (header size)"},
        {"cut in block", Bytes(good.begin(), good.begin() + 20), kHrStream,
            "QVLZSS decompression: unexpected end of stream reading block data"},
        {"cut at end", cut, kHrStream, "QVLZSS decompression: unexpected end of stream reading block data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        expectCompressError(thrownBy([&] { decompress(c.stream); }), c.hr, c.msg);
    }

    // Errors for input that ends early wait for Close.
    MemPtr out = newMemory();
    vbDecompressPushPtr d = newDecompressor(out.Get());
    d->Write(good.data(), 20, true);
    d->DecompressFlush();
    expectCompressError(thrownBy([&] { d->Close(true); }), kHrStream,
        "QVLZSS decompression: unexpected end of stream reading block data");
    EXPECT_FALSE(d->IsDecompressStarted());

    // Damaged block data: the bit stream's own errors.
    int bitErrors = 0;
    for (size_t i = 14; i < good.size() - 2; i += 3) {
        Bytes bad = good;
        bad[i] ^= 0x5A;
        Thrown t = thrownBy([&] { decompress(bad); });
        if (t.thrown) {
            EXPECT_EQ(t.cls, "vbEcompress");
            bitErrors += uint32_t(t.hr) == 0x80004005u;
        }
    }
    EXPECT_GT(bitErrors, 0);
}

namespace {

// Records the decompressor's notifications with the output's length at each.
class Events : public vbObject, public IvbDecompressNotif {
public:
    VB_OBJECT_FACE(vbObject)
    explicit Events(vbMemoryStream* out) : m_out(out) {}
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDecompressNotif) {
            *ppv = static_cast<IvbDecompressNotif*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    void OnDecompressFlush(IvbDecompressPush*, bool, bool) override {}
    void OnDecompressClose(IvbDecompressPush*) override { log("close"); }
    void OnDecompressStart(IvbDecompressPush* d) override
    {
        log("start(" + std::to_string(d->EnumHeaderParam(1, nullptr, nullptr, 65001)) + ")");
    }
    void OnDecompressFileEnd(IvbDecompressPush*, bool end) override { log(end ? "end(true)" : "end(false)"); }
    void OnDecompressNewFile(IvbDecompressPush*, DWORD, const char* name, DWORD size) override
    {
        log(std::string("new(") + name + "," + std::to_string(size) + ")");
    }
    std::vector<std::string> events;

private:
    void log(const std::string& e) { events.push_back(e + "@" + std::to_string(m_out->GetLength())); }
    vbMemoryStream* m_out;
};

} // namespace

TEST(vbLZSS, FilesAndParameters)
{
    Bytes a = text("alpha bytes"), b = generatedText(40000);
    Bytes coded = compress({}, 7, 4096, [&](IvbCompressPush* c) {
        c->AddHeaderParam("", "", 65001, true);
        c->AddHeaderParam("author", "someone", 65001, true);
        c->NewFile("a", DWORD(a.size()), 65001, true);
        c->AddFileParam("kind", "text", 65001, true);
        expectCompressError(thrownBy([&] { c->NewFile("a", 1, 65001, true); }), E_FAIL,
            "QVLZSS compression: file 'a' is already in list", "vbLZSS::addFile()");
        c->Write(a.data(), DWORD(a.size()), true);
        expectCompressError(thrownBy([&] { c->AddHeaderParam("late", "x", 65001, false); }), E_FAIL,
            "QVLZSS compression: file parameters not allowed here", "vbLZSScompressPush::AddFileParam()");
        EXPECT_EQ(c->GetCaps(), vbCompressCapFiles);
        c->NewFile("b", 0xFFFFFFFF, 65001, true);
        c->Write(b.data(), DWORD(b.size()), true);
    });
    EXPECT_EQ(readLE32(&coded[4]) & 0xC0000000u, 0xC0000000u);
    EXPECT_EQ(walkTokens(coded).decoded, a.size() + b.size() + 4 + 4 + 2 * 8 + 6 + 7 + 16 + 1 + 8 + 4 + 4 + 16 + 1);

    for (size_t piece : {size_t(0), size_t(1), size_t(7)}) {
        MemPtr out = newMemory();
        vbDecompressPushPtr d = newDecompressor(out.Get());
        auto* events = new Events(out.Get());
        d->SetNotifCb(events);
        writePieces(d, coded, piece);
        EXPECT_EQ(d->GetFileCount(), 2);
        vbString value;
        EXPECT_TRUE(d->GetHeaderParam("author", &value, 65001, true));
        EXPECT_STREQ(value, "someone");
        EXPECT_TRUE(d->GetHeaderParam("", &value, 65001, true));
        EXPECT_TRUE(value.IsEmpty());
        EXPECT_EQ(d->GetCaps(), vbCompressCapHeaderParams | vbCompressCapFiles);
        d->Close(true);
        Bytes all = a;
        all.insert(all.end(), b.begin(), b.end());
        EXPECT_EQ(bytesOf(out), all);
        std::string as = std::to_string(a.size()), ab = std::to_string(all.size());
        EXPECT_EQ(events->events, (std::vector<std::string>{"start(1)@0", "new(a," + as + ")@0", "end(false)@" + as,
                                      "new(b,4294967295)@" + as, "end(false)@" + ab, "end(true)@" + ab,
                                      "close@" + ab}));
        events->vbObject::Release();
    }

    // The file's own parameters, read back through the current file.
    MemPtr out = newMemory();
    vbDecompressPushPtr d = newDecompressor(out.Get());
    d->Write(coded.data(), DWORD(coded.size()), true);
    vbString name;
    DWORD size = 0;
    EXPECT_TRUE(d->EnumFile(1, &name, &size, 65001));
    EXPECT_STREQ(name, "a");
    EXPECT_EQ(size, a.size());
    EXPECT_FALSE(d->EnumFile(3, &name, &size, 65001));
    EXPECT_FALSE(d->GetFileParam("kind", nullptr, 65001, false)); // b is current and has none
    expectCompressError(thrownBy([&] { d->GetFileParam("kind", nullptr, 65001, true); }), E_FAIL,
        "QVLZSS compression: file parameter 'kind' doesn't exist", "vbLZSS::GetFileParam()");
    d->Close(true);
}

TEST(vbLZSS, HeaderParametersComeBeforeUserBytes)
{
    Bytes data = generatedText(3000);
    Bytes coded = compress(data, 7, 16384, [](IvbCompressPush* c) { c->AddHeaderParam("k", "v", 65001, true); });
    MemPtr out = newMemory();
    vbDecompressPushPtr d = newDecompressor(out.Get());
    auto* events = new Events(out.Get());
    d->SetNotifCb(events);
    d->Write(coded.data(), DWORD(coded.size()), true);
    d->Close(true);
    EXPECT_EQ(events->events,
        (std::vector<std::string>{"start(1)@0", "end(true)@3000", "close@3000"}));
    EXPECT_EQ(bytesOf(out), data);
    events->vbObject::Release();
}

TEST(vbLZSSplug, TypeDetectionAndModes)
{
    vbCompressPlugPtr plug;
    vbLZSSplug::CreateObject(&plug);
    EXPECT_TRUE(plug->CanWorkWithType("QVLZSS", nullptr));
    EXPECT_TRUE(plug->CanWorkWithType("qvlz", nullptr));
    EXPECT_FALSE(plug->CanWorkWithType("zip", nullptr));
    expectCompressError(thrownBy([&] { plug->CanWorkWithType(nullptr, nullptr); }), E_FAIL,
        "QVLZSS compression : invalid argument for type detection", "vbLZSSplug::CanWorkWithType()");

    Bytes stream = compress(text("some data"));
    stream.resize(12);
    Bytes garbage = randomBytes(50, 3);
    Bytes withGarbage = garbage;
    withGarbage.insert(withGarbage.end(), stream.begin(), stream.end());
    withGarbage.insert(withGarbage.end(), garbage.begin(), garbage.end());
    MemPtr s = newMemory(withGarbage);
    s->Seek(50, vbSeekStart);
    EXPECT_TRUE(plug->CanWorkWithType(nullptr, s.Get()));
    EXPECT_EQ(s->GetPosition(), 50u);
    EXPECT_TRUE(plug->CanWorkWithType("zip", s.Get())); // the bytes decide
    s->Seek(0, vbSeekStart);
    EXPECT_FALSE(plug->CanWorkWithType("qvlz", s.Get()));
    MemPtr eleven = newMemory(Bytes(stream.begin(), stream.begin() + 11));
    EXPECT_FALSE(plug->CanWorkWithType(nullptr, eleven.Get()));
    EXPECT_EQ(eleven->GetPosition(), 0u);

    vbDecompressPullPtr pull;
    EXPECT_FALSE(plug->Decompress(static_cast<IvbInputStream*>(s.Get()), 0, &pull, false));
    expectCompressError(thrownBy([&] { plug->Decompress(static_cast<IvbInputStream*>(s.Get()), 0, &pull, true); }),
        E_NOTIMPL, "QVLZSS compression : decompression in pull mode not supported", "vbLZSSplug::Decompress(pull)");
    vbCompressPushPtr push;
    expectCompressError(thrownBy([&] { plug->Compress(static_cast<IvbOutputStream*>(s.Get()), 1, &push, true); }),
        E_NOTIMPL, "QVLZSS compression : invalid mode for compression", "vbLZSSplug::Compress(push)");
    EXPECT_EQ(plug->GetCaps(), 0xBC000000u);

    // A compressor and a decompressor from the plug object, end to end.
    MemPtr coded = newMemory();
    ASSERT_TRUE(plug->Compress(static_cast<IvbOutputStream*>(coded.Get()), 0, &push, true));
    Bytes data = generatedText(20000);
    push->Write(data.data(), DWORD(data.size()), true);
    push->Close(true);
    MemPtr decoded = newMemory();
    vbDecompressPushPtr dec;
    ASSERT_TRUE(plug->Decompress(static_cast<IvbOutputStream*>(decoded.Get()), 0, &dec, true));
    coded->Seek(0, vbSeekStart);
    dec->WriteStream(static_cast<IvbInputStream*>(coded.Get()));
    dec->Close(true);
    EXPECT_EQ(bytesOf(decoded), data);

    plug->askClose();
    Thrown t = thrownBy([&] { plug->CanWorkWithType("qvlz", nullptr); });
    EXPECT_EQ(t.cls, "vbEhotPlug");
    EXPECT_EQ(t.msg, "QVLZSS compression : type detection aborted, plugin in destruction");
}
