#include "jpegCompressor.h"
#include "jpegTestFiles.h"
#include "picTestUtil.h"

#include <atomic>
#include <cstring>
#include <thread>

using namespace jpegtest;
using pictest::expectThrown;

namespace {

picCompressorPtr newCompressor(vbHotPlugFactory* factory = &testFactory())
{
    auto* object = new jpegCompressor(factory);
    object->Create();
    picCompressorPtr c(object);
    object->Release();
    return c;
}

// Samples of the pattern (or noise), packed rows of cx * bytesPerPixel.
Bytes samplesFor(int cx, int cy, int bytesPerPixel, bool noise = false)
{
    Bytes samples(size_t(cx) * cy * bytesPerPixel);
    uint32_t seed = 99;
    for (size_t i = 0; i < samples.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        samples[i] = noise ? uint8_t(seed >> 16) : uint8_t(i * 3 + i / 97);
    }
    return samples;
}

// An image whose bitmap 1 holds these packed rows.
picImagePtr imageOf(int cx, int cy, picBmpColorType type, int bits, const Bytes& samples,
    const picMetricSize& metric = picMetricSize())
{
    picImagePtr image;
    picCreateImage(&image, "t", "l", picReqThrow);
    picBmpInfo info;
    info.size = picSize(cx, cy);
    info.bmpType = type;
    info.bitsPerPixel = bits;
    info.metricSize = metric;
    picBitmapPtr bitmap;
    image->CreateBitmap(-1, &info, &bitmap);
    const size_t rowLength = size_t(cx) * bits / 8;
    for (int y = 0; y < cy && !samples.empty(); ++y) {
        void* row = nullptr;
        bitmap->GetBitmapRow(nullptr, y, &row, 1, 0);
        std::memcpy(row, samples.data() + y * rowLength, rowLength);
    }
    return image;
}

Bytes readAll(IpicCompressor* c, size_t block)
{
    Bytes out;
    Bytes buffer(block);
    for (;;) {
        const DWORD n = c->Read(buffer.data(), DWORD(block), false);
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
        if (n < block)
            return out;
    }
}

Bytes compress(IpicImage* image, int level = 25)
{
    picCompressorPtr c = newCompressor();
    c->SetCompressLevel(level);
    c->SetInputImage(image);
    return readAll(c, 16384);
}

// The plain library's file of the same rows, B, G, R, at this quality.
Bytes rawEncode(int cx, int cy, const Bytes& samples, int quality)
{
    vnt::test::JpegLayout layout;
    layout.width = cx;
    layout.height = cy;
    layout.inColorSpace = JCS_EXT_BGR;
    layout.quality = quality;
    layout.sample = [&](int x, int y, int k) { return samples[(size_t(y) * cx + x) * 3 + k]; };
    return vnt::test::jpegFile(layout);
}

struct RawRead {
    int width = 0;
    int height = 0;
    int warnings = 0;
    Bytes firstRow;
};

// The plain library's decoding, into RGB order when asked.
RawRead rawRead(const Bytes& file, bool rgb = false)
{
    jpeg_decompress_struct d{};
    jpeg_error_mgr err{};
    d.err = jpeg_std_error(&err);
    jpeg_create_decompress(&d);
    jpeg_mem_src(&d, file.data(), file.size());
    jpeg_read_header(&d, TRUE);
    if (rgb)
        d.out_color_space = JCS_RGB;
    jpeg_start_decompress(&d);
    Bytes row(size_t(d.output_width) * d.output_components);
    RawRead out;
    while (d.output_scanline < d.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&d, &r, 1);
        if (out.firstRow.empty())
            out.firstRow = row;
    }
    out.width = int(d.output_width);
    out.height = int(d.output_height);
    jpeg_finish_decompress(&d);
    out.warnings = int(err.num_warnings);
    jpeg_destroy_decompress(&d);
    return out;
}

} // namespace

TEST(jpegCompressor, ReadingInBlocksGivesTheWholeFile)
{
    const Bytes samples = samplesFor(2400, 1600, 3, true);
    picImagePtr image = imageOf(2400, 1600, picBmpRGB, 24, samples);
    const Bytes whole = compress(image);
    const uint8_t head[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'};
    ASSERT_GT(whole.size(), sizeof head);
    EXPECT_EQ(std::memcmp(whole.data(), head, sizeof head), 0);
    EXPECT_EQ(whole[whole.size() - 2], 0xFF);
    EXPECT_EQ(whole[whole.size() - 1], 0xD9);
    const RawRead raw = rawRead(whole);
    EXPECT_EQ(raw.warnings, 0);
    EXPECT_EQ(raw.width, 2400);
    EXPECT_EQ(raw.height, 1600);
    EXPECT_EQ(whole, rawEncode(2400, 1600, samples, 75));

    for (size_t block : {size_t(1), size_t(4096)}) {
        picCompressorPtr c = newCompressor();
        c->SetInputImage(image);
        EXPECT_EQ(readAll(c, block), whole) << block;
        uint8_t byte = 0;
        EXPECT_EQ(c->Read(&byte, 1, false), 0u);
    }

    picCompressorPtr c = newCompressor();
    c->SetInputImage(image);
    Bytes all(whole.size() + 10, 0xEE);
    EXPECT_EQ(c->Read(all.data(), DWORD(all.size()), false), whole.size());
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), all.begin()));

    c->SetInputImage(image);
    std::fill(all.begin(), all.end(), 0xEE);
    expectThrown([&] { c->Read(all.data(), DWORD(all.size()), true); }, STG_E_READFAULT,
        "Read failed, JPEG End of image reached", "jpegCompressor::Read()");
    EXPECT_TRUE(std::equal(whole.begin(), whole.end(), all.begin()));
}

TEST(jpegCompressor, LevelsGiveTheFirstLuminanceQuantiser)
{
    picImagePtr image = imageOf(16, 16, picBmpRGB, 24, samplesFor(16, 16, 3));
    const struct {
        int given;
        int stored;
        uint8_t quantiser;
    } cases[] = {{25, 25, 0x08}, {-4, 0, 0x01}, {-1, 75, 0x20}, {-3, 50, 0x10}, {-2, 100, 0xFF}};
    EXPECT_EQ(newCompressor()->GetCompressLevel(), 25);
    for (const auto& c : cases) {
        picCompressorPtr compressor = newCompressor();
        compressor->SetCompressLevel(c.given);
        EXPECT_EQ(compressor->GetCompressLevel(), c.stored);
        compressor->SetInputImage(image);
        const Bytes file = readAll(compressor, 4096);
        const uint8_t dqt[] = {0xFF, 0xDB, 0x00, 0x43, 0x00};
        ASSERT_EQ(std::memcmp(file.data() + 20, dqt, sizeof dqt), 0) << c.given;
        EXPECT_EQ(file[25], c.quantiser) << c.given;
    }
}

TEST(jpegCompressor, LevelErrors)
{
    picCompressorPtr c = newCompressor();
    expectThrown([&] { c->SetCompressLevel(101); }, E_FAIL,
        "JPEG compression: Bad compression level (must be between 0 and 100)", "jpegCompressor::SetCompressionLevel(101)");
    picImagePtr image = imageOf(8, 8, picBmpGrey, 8, samplesFor(8, 8, 1));
    c->SetInputImage(image);
    expectThrown([&] { c->SetCompressLevel(10); }, E_FAIL,
        "JPEG compression: can't change compression level after compression is started",
        "jpegCompressor::SetCompressLevel(10)");
    c->ResetSettings(10);
    EXPECT_EQ(c->GetCompressLevel(), 10);
    EXPECT_FALSE(c->CanRead());
    uint8_t byte = 0;
    expectThrown([&] { c->Read(&byte, 1, false); }, STG_E_READFAULT, "Read failed, JPEG compressor not started",
        "jpegCompressor::Read()");
}

TEST(jpegCompressor, DensityFromTheMetricSize)
{
    const struct {
        const char* name;
        double width;
        double height;
        uint8_t expected[5];
    } cases[] = {
        {"200 x 100 mm", 200, 100, {0x02, 0x00, 0x64, 0x00, 0x64}},
        {"none", 0, 0, {0x00, 0x00, 0x01, 0x00, 0x01}},
        {"0.001 mm", 0.001, 0.001, {0x02, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& c : cases) {
        const picMetricSize metric = c.width > 0
            ? picMetricSize(c.width, c.height, picMetricUnit(1), picMetricUnit(1))
            : picMetricSize();
        const Bytes file = compress(imageOf(2000, 1000, picBmpGrey, 8, {}, metric));
        EXPECT_EQ(Bytes(file.begin() + 13, file.begin() + 18), Bytes(c.expected, c.expected + 5)) << c.name;
    }
    picImagePtr inches = imageOf(20, 10, picBmpGrey, 8, {}, picMetricSize(2, 1, picMetricUnit(2), picMetricUnit(2)));
    picCompressorPtr c = newCompressor();
    expectThrown([&] { c->SetInputImage(inches); }, E_NOTIMPL,
        "picMetricSize::ToUnit() : conversions not implemented (VantPicture)");
}

TEST(jpegCompressor, ColourTypes)
{
    const Bytes grey = compress(imageOf(8, 8, picBmpGrey, 8, samplesFor(8, 8, 1)));
    const size_t sof = markerAt(grey, 0xC0);
    ASSERT_LT(sof + 9, grey.size());
    EXPECT_EQ(grey[sof + 9], 1) << "components";
    EXPECT_EQ(std::memcmp(grey.data() + 6, "JFIF", 4), 0);

    Bytes wide = samplesFor(9, 7, 4);
    Bytes narrow;
    for (size_t i = 0; i < wide.size(); ++i) {
        if (i % 4 != 3)
            narrow.push_back(wide[i]);
    }
    EXPECT_EQ(compress(imageOf(9, 7, picBmpRGB, 32, wide)), compress(imageOf(9, 7, picBmpRGB, 24, narrow)));

    const Bytes cmyk = compress(imageOf(8, 8, picBmpCMYK, 32, samplesFor(8, 8, 4)));
    EXPECT_LT(markerAt(cmyk, 0xEE), cmyk.size()) << "APP14";
    EXPECT_EQ(cmyk[markerAt(cmyk, 0xC0) + 9], 4);
    EXPECT_EQ(decodeWhole(cmyk).size(), 8u * 8 * 4);

    picCompressorPtr c = newCompressor();
    picImagePtr greyWide = imageOf(4, 4, picBmpGrey, 24, {});
    expectThrown([&] { c->SetInputImage(greyWide); }, E_NOTIMPL, "Copy not supported for bitmap format asked");
}

TEST(jpegCompressor, RedStaysRed)
{
    Bytes red;
    for (int i = 0; i < 16 * 16; ++i)
        red.insert(red.end(), {0, 0, 255});
    const Bytes file = compress(imageOf(16, 16, picBmpRGB, 24, red));

    const Bytes row = rawRead(file, true).firstRow;
    ASSERT_EQ(row.size(), 16u * 3);
    EXPECT_GT(row[0], 247);
    EXPECT_LT(row[2], 8);

    const Bytes back = decodeWhole(file);
    ASSERT_EQ(back.size(), red.size());
    EXPECT_GT(back[2], 247);
    EXPECT_LT(back[0], 8);
}

TEST(jpegCompressor, Misuse)
{
    picCompressorPtr c = newCompressor();
    uint8_t byte = 0;
    const auto notStarted = [&] {
        expectThrown([&] { c->Read(&byte, 1, false); }, STG_E_READFAULT, "Read failed, JPEG compressor not started",
            "jpegCompressor::Read()");
    };
    notStarted();
    picBitmapPtr bitmap;
    picImagePtr image;
    EXPECT_FALSE(c->GetInput(&bitmap, picReqNoThrow));
    EXPECT_FALSE(c->GetInput(&image, picReqNoThrow));
    expectThrown([&] { c->GetInput(&bitmap, picReqThrow); }, E_FAIL, "No current bitmap affected to JPEG compressor",
        "jpegCompressor::GetInput()");
    expectThrown([&] { c->GetInput(&image, picReqThrow); }, E_FAIL, "No current image affected to JPEG compressor",
        "jpegCompressor::GetInput()");
    c->SetInputBitmap(pictest::newBitmap(4, 4, picBmpGrey));
    EXPECT_FALSE(c->CanRead());
    EXPECT_TRUE(c->GetInput(&bitmap, picReqThrow));
    notStarted();

    c->SetCompressSetting(0, 0, "x", picReqNoThrow);
    expectThrown<picEcompressUser>([&] { c->SetCompressSetting(0, 0, "x", picReqThrow); }, E_FAIL,
        "x setting not supported or unknown", "jpegCompressor::SetCompressSetting()");
    expectThrown([&] { c->ReadString(nullptr, nullptr, nullptr); }, E_NOTIMPL,
        "jpegCompressor::ReadString() : not implemented (JPEG plugin)");
    expectThrown([&] { c->ReadStringW(nullptr, nullptr, nullptr); }, E_NOTIMPL,
        "jpegCompressor::ReadStringW() : not implemented (JPEG plugin)");
}

TEST(jpegCompressor, LibraryErrorsStayUntilTheNextInput)
{
    picCompressorPtr c = newCompressor();
    picImagePtr tooWide = imageOf(65501, 1, picBmpRGB, 24, {});
    expectThrown([&] { c->SetInputImage(tooWide); }, E_FAIL, "Maximum supported image dimension is 65500 pixels",
        "JPEG Library Error");
    uint8_t byte = 0;
    expectThrown([&] { c->Read(&byte, 1, false); }, E_FAIL, "Improper call to JPEG library in state 0",
        "JPEG Library Error");
    c->SetInputImage(imageOf(8, 8, picBmpGrey, 8, {}));
    EXPECT_EQ(c->Read(&byte, 1, true), 1u);
}

TEST(jpegCompressor, TheBitmapIsLockedOnlyWhileRowsAreCompressed)
{
    picImagePtr image = imageOf(256, 256, picBmpRGB, 24, samplesFor(256, 256, 3, true));
    picCompressorPtr c = newCompressor();
    c->SetInputImage(image);
    uint8_t head[10];
    ASSERT_EQ(c->Read(head, sizeof head, true), sizeof head);
    std::atomic<bool> got{false};
    std::thread other([&] {
        sIvbLock* holder = nullptr;
        image->getHandle(1, &holder);
        got = true;
        holder->Unlock();
    });
    other.join();
    EXPECT_TRUE(got);
}

TEST(jpegCodecObjects, AnswerTheirOwnFacesOnly)
{
    picCompressorPtr compressor = newCompressor();
    picDecompressorPtr decompressor = newDecompressor();
    IvbObject* cFace = static_cast<IpicCompressor*>(compressor);
    IvbObject* dFace = static_cast<IpicDecompressor*>(decompressor);
    const struct {
        IvbObject* face;
        const IID* iid;
        bool known;
    } cases[] = {
        {cFace, &IID_IpicCompressor, true}, {cFace, &IID_IvbInputStream, true}, {cFace, &IID_IvbObject, true},
        {cFace, &IID_IUnknown, true}, {cFace, &IID_sIvbBase, true}, {cFace, &IID_IpicDecompressor, false},
        {cFace, &IID_IvbOutputStream, false}, {dFace, &IID_IpicDecompressor, true}, {dFace, &IID_IvbOutputStream, true},
        {dFace, &IID_IvbObject, true}, {dFace, &IID_IUnknown, true}, {dFace, &IID_sIvbBase, true},
        {dFace, &IID_IpicCompressor, false}, {dFace, &IID_IvbInputStream, false}, {dFace, &IID_IpicImage, false},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        void* p = nullptr;
        EXPECT_EQ(cases[i].face->GetInterface(*cases[i].iid, &p), cases[i].known) << i;
    }
    void* p = nullptr;
    cFace->GetInterface(IID_IvbInputStream, &p);
    EXPECT_EQ(p, static_cast<void*>(cFace));
    dFace->GetInterface(IID_IvbOutputStream, &p);
    EXPECT_EQ(p, static_cast<void*>(dFace));
}

TEST(jpegCodecObjects, CountOnTheirFactoryWhileTheyLive)
{
    const GUID clsid = {0x5B0C7E22, 0x3D4A, 0x4F6B, {0x9C, 0x1E, 0x27, 0x80, 0x44, 0xA1, 0x6D, 0x3F}};
    const vbHotPlugFactoryList none[] = {{nullptr, nullptr, 0, 0}};
    vbHotPlugFactory factory(nullptr, clsid, "JPEG counting test", none, 0);
    {
        picDecompressorPtr decompressor = newDecompressor(&factory);
        EXPECT_FALSE(factory.Unload(nullptr)) << "a living decompressor keeps the module";
    }
    {
        picCompressorPtr compressor = newCompressor(&factory);
        EXPECT_FALSE(factory.Unload(nullptr)) << "a living compressor keeps the module";
    }
    EXPECT_TRUE(factory.Unload(nullptr));
}
