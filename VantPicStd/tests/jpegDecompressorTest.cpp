#include "jpegTestFiles.h"
#include "picTestUtil.h"

#include "vbHeap.h"
#include "vbLog.h"

#include "plat/folders.h"
#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/paint.h"

#include "testsupport/FileText.h"

#include <atomic>
#include <cstring>
#include <random>
#include <thread>

using namespace jpegtest;
using pictest::expectThrown;

namespace {

const Bytes& colourFile()
{
    static const Bytes file = encode(Picture{});
    return file;
}

std::function<size_t()> fixed(size_t n)
{
    return [n] { return n; };
}

// Rows of the file written in these chunks; every write but the last must take all it was given.
Bytes decodeChunked(const Bytes& file, const std::function<size_t()>& next)
{
    picDecompressorPtr d = newDecompressor();
    d->SetOutputImage(nullptr);
    const std::vector<DWORD> answers = writeChunks(d, file, next);
    size_t total = 0;
    for (DWORD a : answers)
        total += a;
    EXPECT_EQ(total, file.size());
    return outputSamples(d);
}

std::string logText()
{
    return vnt::test::fileText(plat::vantrelFolder(plat::Folder::State, true) + "/vantdevV5108.log");
}

int count(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(jpegDecompressor, ChunkedWritesDecodeAsTheWholeFile)
{
    std::mt19937 random(7);
    Picture progressive;
    progressive.progressive = true;
    Picture restarts;
    restarts.restartRows = 1;
    Picture exif;
    exif.exifBytes = 20000;
    const struct {
        const char* name;
        Bytes file;
        std::function<size_t()> next;
    } cases[] = {
        {"1 byte", colourFile(), fixed(1)},
        {"7 bytes", colourFile(), fixed(7)},
        {"4096 bytes", colourFile(), fixed(4096)},
        {"random", colourFile(), [&] { return size_t{1} + random() % 300; }},
        {"progressive, 3 bytes", encode(progressive), fixed(3)},
        {"restart markers, 1 byte", encode(restarts), fixed(1)},
        {"20000-byte APP1, 4096 bytes", encode(exif), fixed(4096)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes whole = decodeWhole(c.file);
        ASSERT_EQ(whole.size(), 37u * 29 * 3);
        EXPECT_EQ(decodeChunked(c.file, c.next), whole);
    }
}

TEST(jpegDecompressor, FormatsAndSamplesMatchThePlainLibrary)
{
    Picture grey;
    grey.space = JCS_GRAYSCALE;
    Picture cmyk;
    cmyk.space = JCS_CMYK;
    Picture progressive;
    progressive.progressive = true;
    Picture restarts;
    restarts.restartRows = 2;
    Picture exif;
    exif.exifBytes = 300;
    const struct {
        const char* name;
        Picture picture;
        picBmpColorType type;
        int bits;
    } cases[] = {
        {"colour", Picture{}, picBmpRGB, 24},
        {"grey", grey, picBmpGrey, 8},
        {"CMYK", cmyk, picBmpCMYK, 32},
        {"progressive", progressive, picBmpRGB, 24},
        {"restart markers", restarts, picBmpRGB, 24},
        {"Exif", exif, picBmpRGB, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes file = encode(c.picture);
        picDecompressorPtr d = newDecompressor();
        d->SetOutputImage(nullptr);
        d->Write(file.data(), static_cast<DWORD>(file.size()), true);
        picImagePtr image;
        ASSERT_TRUE(d->GetOutput(&image, picReqThrow));
        EXPECT_EQ(image->GetBitmapCount(), 1);
        picBitmapPtr bitmap;
        image->GetBitmap(-1, &bitmap, picReqThrow);
        EXPECT_EQ(bitmap->GetBmpType(), c.type);
        EXPECT_EQ(bitmap->GetBitsPerPixel(), c.bits);
        EXPECT_EQ(bitmap->GetPixelSize().cx, 37);
        EXPECT_EQ(outputSamples(d), decodeRaw(file).samples);
    }
}

TEST(jpegDecompressor, ColourIsStoredBlueGreenRed)
{
    Picture red;
    red.flat = {255, 0, 0};
    red.width = red.height = 16;
    const Bytes samples = decodeWhole(encode(red));
    ASSERT_EQ(samples.size(), 16u * 16 * 3);
    for (size_t i = 0; i < samples.size(); i += 3) {
        ASSERT_LT(samples[i], 8) << i;
        ASSERT_LT(samples[i + 1], 8) << i;
        ASSERT_GT(samples[i + 2], 247) << i;
    }
}

TEST(jpegDecompressor, GreyDrawsAsEqualBlueGreenRed)
{
    Picture grey;
    grey.space = JCS_GRAYSCALE;
    const Bytes file = encode(grey);
    picDecompressorPtr d = newDecompressor();
    d->SetOutputImage(nullptr);
    d->Write(file.data(), static_cast<DWORD>(file.size()), true);
    const Bytes samples = outputSamples(d);
    picImagePtr image;
    d->GetOutput(&image, picReqThrow);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 37;
    info.bmiHeader.biHeight = -29;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HBITMAP target = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dst = CreateCompatibleDC(screen);
    HDC src = CreateCompatibleDC(screen);
    HGDIOBJ oldDst = SelectObject(dst, target);
    HGDIOBJ oldSrc = SelectObject(src, image->getHandle(1, nullptr));
    BitBlt(dst, 0, 0, 37, 29, src, 0, 0, SRCCOPY);
    const auto* pixels = static_cast<const uint8_t*>(bits);
    for (size_t i = 0; i < samples.size(); ++i) {
        ASSERT_EQ(pixels[4 * i], samples[i]) << i;
        ASSERT_EQ(pixels[4 * i + 1], samples[i]) << i;
        ASSERT_EQ(pixels[4 * i + 2], samples[i]) << i;
    }
    SelectObject(src, oldSrc);
    SelectObject(dst, oldDst);
    DeleteDC(src);
    DeleteDC(dst);
    DeleteObject(target);
    ReleaseDC(nullptr, screen);
}

TEST(jpegDecompressor, EndOfTheImageEndsTheWrites)
{
    const Bytes& file = colourFile();
    Bytes longer = file;
    longer.insert(longer.end(), {1, 2, 3, 4, 5});
    picDecompressorPtr d = newDecompressor();
    d->SetOutputImage(nullptr);
    EXPECT_EQ(d->Write(longer.data(), static_cast<DWORD>(longer.size()), true), file.size());
    expectThrown([&] { d->Write(longer.data(), 0, true); }, E_INVALIDARG,
        "jpegCompressor::jpegProcess() : unknown step(0) (JPEG plugin)");

    // The end marker split over two writes, the second with bytes after it.
    d->SetOutputImage(nullptr);
    EXPECT_EQ(d->Write(longer.data(), static_cast<DWORD>(file.size() - 1), true), file.size() - 1);
    EXPECT_EQ(d->Write(longer.data() + file.size() - 1, 6, true), 1u);
    EXPECT_EQ(outputSamples(d), decodeWhole(file));
}

TEST(jpegDecompressor, MisuseAndDataThatIsNoJpeg)
{
    picDecompressorPtr d = newDecompressor();
    EXPECT_FALSE(d->CanWrite());
    const uint8_t zip[] = {'P', 'K', 3, 4, 20, 0, 0, 0};
    expectThrown([&] { d->Write(zip, sizeof zip, true); }, STG_E_WRITEFAULT, "Write failed, JPEG decompressor not started",
        "jpegCompressor::Write()");
    d->SetOutputImage(nullptr);
    EXPECT_TRUE(d->CanWrite());
    expectThrown([&] { d->Write(zip, sizeof zip, true); }, E_FAIL, "Not a JPEG file: starts with 0x50 0x4b",
        "JPEG Library Error");
    expectThrown([&] { d->Write(zip, sizeof zip, true); }, E_FAIL, "Improper call to JPEG library in state 0",
        "JPEG Library Error");
    d->SetOutputImage(nullptr);
    const Bytes& file = colourFile();
    EXPECT_EQ(d->Write(file.data(), static_cast<DWORD>(file.size()), true), file.size());
    EXPECT_EQ(outputSamples(d), decodeRaw(file).samples);

    EXPECT_EQ(d->WriteStream(nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(d->WriteStream(nullptr, 10, true), 0xFFFFFFFFu);
    expectThrown([&] { d->WriteString("x", 1, false, nullptr); }, E_NOTIMPL,
        "jpegCompressor::WriteString() : not implemented (JPEG plugin)");
    const WCHAR w[] = {'x', 0};
    expectThrown([&] { d->WriteStringW(w, 1, false, nullptr); }, E_NOTIMPL,
        "jpegCompressor::WriteStringW() : not implemented (JPEG plugin)");
}

TEST(jpegDecompressor, CorruptionInMidScanKeepsTheRowsBeforeIt)
{
    Picture tall;
    tall.space = JCS_GRAYSCALE;
    tall.width = 16;
    tall.height = 256;
    const Bytes file = encode(tall);
    const size_t scan = markerAt(file, 0xDA);
    size_t at = scan + (file.size() - scan) / 2;
    while (file[at - 1] == 0xFF)
        ++at;
    const Bytes bad = inserted(file, at, {0xFF, 0xD8});
    picDecompressorPtr d = newDecompressor();
    d->SetOutputImage(nullptr);
    expectThrown([&] { writeChunks(d, bad, fixed(64)); }, E_FAIL, "Invalid JPEG file structure: two SOI markers",
        "JPEG Library Error");
    const Bytes good = decodeRaw(file).samples;
    const Bytes kept = outputSamples(d);
    ASSERT_EQ(kept.size(), good.size());
    EXPECT_TRUE(std::equal(good.begin(), good.begin() + 16 * 64, kept.begin()));
}

TEST(jpegDecompressor, TwoComponentsAreRefused)
{
    Picture two;
    two.space = JCS_UNKNOWN;
    const Bytes file = encode(two);
    picDecompressorPtr d = newDecompressor();
    d->SetOutputImage(nullptr);
    expectThrown([&] { d->Write(file.data(), static_cast<DWORD>(file.size()), true); }, E_NOTIMPL,
        "Unknown jpeg format", "jpegCompressor::jpegProcessWaitingData(type: 0, num components: 2)");
}

TEST(jpegDecompressor, OutputImage)
{
    picDecompressorPtr d = newDecompressor();
    d->SetOutputImage(nullptr);
    picImagePtr out;
    EXPECT_FALSE(d->GetOutput(&out, picReqNoThrow));
    expectThrown([&] { d->GetOutput(&out, picReqThrow); }, E_FAIL, "No current image affected to JPEG decompressor",
        "jpegCompressor::GetOutput()");
    const Bytes& file = colourFile();
    const size_t header = markerAt(file, 0xDA) + 20;
    d->Write(file.data(), static_cast<DWORD>(header), true);
    ASSERT_TRUE(d->GetOutput(&out, picReqThrow));
    EXPECT_EQ(out->GetPixelSize(1).cx, 37);
    EXPECT_EQ(out->GetPixelSize(1).cy, 29);

    // The caller's image loses its old bitmaps.
    picImagePtr mine;
    picCreateImage(&mine, "t", "l", picReqThrow);
    mine->SetBitmapCount(3);
    d->SetOutputImage(mine);
    d->Write(file.data(), static_cast<DWORD>(file.size()), true);
    ASSERT_TRUE(d->GetOutput(&out, picReqThrow));
    EXPECT_EQ(static_cast<IpicImage*>(out), static_cast<IpicImage*>(mine));
    EXPECT_EQ(mine->GetBitmapCount(), 1);
}

TEST(jpegDecompressor, AWarningIsLoggedOncePerFile)
{
    Picture grey;
    grey.space = JCS_GRAYSCALE;
    const Bytes file = encode(grey);
    Bytes stray = inserted(file, markerAt(file, 0xDB), {0x12, 0x34});
    stray = inserted(stray, markerAt(stray, 0xC4), {0x12, 0x34});
    vbRelOutput(vbString("warm-up"), true);
    const size_t before = logText().size();
    EXPECT_EQ(decodeWhole(stray), decodeRaw(file).samples);
    const std::string added = logText().substr(before);
    EXPECT_EQ(count(added, "\n"), 1) << added;
    EXPECT_EQ(count(added, "JPEG Library Error: Corrupt JPEG data: 2 extraneous bytes before marker 0xdb\n"), 1)
        << added;
}

// Told that no more bytes come, the decompressor completes a picture that ended early as far as its
// data goes, and says what was wrong with the file: its first warning.
TEST(jpegDecompressor, TheEndOfTheDataSaysWhatWasWrongWithTheFile)
{
    Picture tall;
    tall.space = JCS_GRAYSCALE;
    tall.width = 16;
    tall.height = 256;
    Picture progressive = tall;
    progressive.progressive = true;
    const Bytes file = encode(tall);
    const Bytes layered = encode(progressive);
    struct Case {
        const char* name;
        Bytes bytes;
        const char* damage;
    } cases[] = {
        {"whole", file, ""},
        {"first half", Bytes(file.begin(), file.begin() + file.size() / 2), "Premature end of JPEG file"},
        {"progressive, first half", Bytes(layered.begin(), layered.begin() + layered.size() / 2),
            "Premature end of JPEG file"},
        {"stray bytes", inserted(file, markerAt(file, 0xDB), {0x12, 0x34}),
            "Corrupt JPEG data: 2 extraneous bytes before marker 0xdb"},
    };
    const Bytes good = decodeRaw(file).samples;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        picDecompressorPtr d = newDecompressor();
        d->SetOutputImage(nullptr);
        writeChunks(d, c.bytes, fixed(100));
        vbString damage;
        EXPECT_EQ(d->EndOfData(&damage), *c.damage == '\0');
        EXPECT_EQ(std::string(damage), c.damage);
        const Bytes kept = outputSamples(d);
        ASSERT_EQ(kept.size(), good.size()) << "every row is there";
        if (!std::strstr(c.name, "progressive")) {
            EXPECT_TRUE(std::equal(good.begin(), good.begin() + 16 * 64, kept.begin())) << "the rows it had";
        }
        // Said once for good: a second end changes nothing.
        EXPECT_EQ(d->EndOfData(nullptr), *c.damage == '\0');
    }

    picDecompressorPtr unstarted = newDecompressor();
    expectThrown([&] { unstarted->EndOfData(nullptr); }, STG_E_WRITEFAULT,
        "Write failed, JPEG decompressor not started", "jpegCompressor::Write()");
}

TEST(jpegDecompressor, ReleasedInMidScan)
{
    const Bytes& file = colourFile();
    picDecompressorPtr d = newDecompressor();
    d->SetOutputImage(nullptr);
    d->Write(file.data(), static_cast<DWORD>(file.size() / 2), true);
    d = nullptr; // the sanitizers' leak check finds anything left behind
}

TEST(jpegDecompressor, ByteWritesBesideAThreadTakingTheBitmap)
{
    Picture big;
    big.width = big.height = 64;
    const Bytes file = encode(big);
    picDecompressorPtr d = newDecompressor();
    picImagePtr image;
    picCreateImage(&image, "t", "l", picReqThrow);
    d->SetOutputImage(image);
    std::atomic<bool> done{false};
    std::thread drawer([&] {
        while (!done) {
            if (image->GetBitmapCount() == 1) {
                sIvbLock* holder = nullptr;
                image->getHandle(1, &holder);
                holder->Unlock();
            }
        }
    });
    writeChunks(d, file, fixed(1));
    done = true;
    drawer.join();
    EXPECT_EQ(outputSamples(d), decodeRaw(file).samples);
}

TEST(jpegDecompressor, KeepsOnlyWhatTheLibraryHasNotConsumed)
{
    Picture big;
    big.width = 1000;
    big.height = 500;
    big.noise = true;
    big.quality = 100;
    const Bytes file = encode(big);
    ASSERT_GT(file.size(), 900000u);
    picDecompressorPtr d = newDecompressor();
    d->SetOutputImage(nullptr);
    const int64_t before = vbGetMainHeap().GetSize();
    EXPECT_EQ(d->Write(file.data(), static_cast<DWORD>(file.size() - 2), true), file.size() - 2);
    EXPECT_LT(vbGetMainHeap().GetSize() - before, 64 * 1024);
}
