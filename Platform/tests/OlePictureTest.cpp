#include "ImageTestSupport.h"

#include "plat/atlbase.h"
#include "plat/globalmem.h"
#include "plat/oleauto.h"
#include "plat/olectl.h"

#include <cstring>

using namespace vnt::test;

namespace {

// A stream over a new block holding the bytes, positioned at `at`.
CComPtr<IStream> streamOf(const Bytes& bytes, size_t at = 0)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!bytes.empty())
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    CComPtr<IStream> stream;
    EXPECT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
    LARGE_INTEGER move;
    move.QuadPart = int64_t(at);
    stream->Seek(move, STREAM_SEEK_SET, nullptr);
    return stream;
}

HRESULT loadPicture(const Bytes& bytes, CComPtr<IPicture>& picture, LONG size = 0, size_t at = 0)
{
    return OleLoadPicture(streamOf(bytes, at), size, FALSE, IID_IPicture, reinterpret_cast<void**>(&picture));
}

bool near(uint32_t a, uint32_t b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 6)
            return false;
    return true;
}

TEST(OlePicture, BitmapAndJpegFilesGiveTenPixelPictures)
{
    BmpLayout layout;
    layout.width = layout.height = 10;
    layout.pixel = [](int x, int y) { return x == 9 && y == 0 ? 0x00FF00u : 0x3366CCu; };
    const Bytes bmp = bmpFile(layout);
    Bytes prefixed = {'x', 'y', 'z'};
    prefixed.insert(prefixed.end(), bmp.begin(), bmp.end());
    struct Case {
        const char* what;
        Bytes bytes;
        LONG size;
        size_t at;
        bool exact;
    } cases[] = {
        {"bmp", bmp, 0, 0, true},
        {"bmp after other bytes, by size", prefixed, LONG(bmp.size()), 3, true},
        {"jpeg", jpegFile(10, 10, 0x3366CC), 0, 0, false},
        {"progressive jpeg", jpegFile(10, 10, 0x3366CC, true), 0, 0, false},
        {"Adobe CMYK jpeg", jpegFile(10, 10, 0x3366CC, false, JpegColors::AdobeCmyk), 0, 0, false},
    };
    const int before = vntGdiLiveObjectCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CComPtr<IPicture> picture;
        ASSERT_EQ(loadPicture(c.bytes, picture, c.size, c.at), S_OK);
        SHORT type = 0;
        OLE_XSIZE_HIMETRIC width = 0;
        OLE_YSIZE_HIMETRIC height = 0;
        OLE_HANDLE handle = 0, palette = 1;
        EXPECT_EQ(picture->get_Type(&type), S_OK);
        EXPECT_EQ(type, PICTYPE_BITMAP);
        EXPECT_EQ(picture->get_Width(&width), S_OK);
        EXPECT_EQ(picture->get_Height(&height), S_OK);
        EXPECT_EQ(width, 265);
        EXPECT_EQ(height, 265);
        EXPECT_EQ(picture->get_hPal(&palette), S_OK);
        EXPECT_EQ(palette, 0u);
        EXPECT_EQ(picture->get_Handle(&handle), S_OK);
        const Pixels p = pixelsOf(reinterpret_cast<HBITMAP>(handle));
        ASSERT_EQ(p.width, 10);
        ASSERT_EQ(p.height, 10);
        EXPECT_TRUE(near(p.at(4, 4), 0x3366CC)) << std::hex << p.at(4, 4);
        if (c.exact) {
            EXPECT_EQ(p.at(9, 0), 0x00FF00u);
        }
        EXPECT_EQ(picture->get_Width(nullptr), E_POINTER);
        EXPECT_EQ(picture->Render(nullptr, 0, 0, 1, 1, 0, 0, 1, 1, nullptr), E_NOTIMPL);
        EXPECT_EQ(vntGdiLiveObjectCount(), before + 1);
    }
    EXPECT_EQ(vntGdiLiveObjectCount(), before);
}

TEST(OlePicture, GreyAndTruncatedJpeg)
{
    CComPtr<IPicture> grey;
    ASSERT_EQ(loadPicture(jpegFile(8, 8, 0x406080, false, JpegColors::Grey), grey), S_OK);
    OLE_HANDLE handle = 0;
    grey->get_Handle(&handle);
    EXPECT_TRUE(near(pixelsOf(reinterpret_cast<HBITMAP>(handle)).at(3, 3), 0x606060));

    // A file cut short still gives the rows libjpeg makes of it.
    Bytes cut = jpegFile(64, 64, 0x3366CC);
    size_t scan = 2;
    while (scan + 1 < cut.size() && !(cut[scan] == 0xFF && cut[scan + 1] == 0xDA))
        ++scan;
    cut.resize((scan + cut.size()) / 2);
    CComPtr<IPicture> truncated;
    ASSERT_EQ(loadPicture(cut, truncated), S_OK);
    truncated->get_Handle(&handle);
    const Pixels p = pixelsOf(reinterpret_cast<HBITMAP>(handle));
    EXPECT_EQ(p.width, 64);
    EXPECT_TRUE(near(p.at(1, 1), 0x3366CC));
}

// The JPEG file with its frame header claiming another size.
Bytes withJpegSize(Bytes jpeg, uint16_t width, uint16_t height)
{
    for (size_t i = 2; i + 9 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = uint8_t(height >> 8);
            jpeg[i + 6] = uint8_t(height);
            jpeg[i + 7] = uint8_t(width >> 8);
            jpeg[i + 8] = uint8_t(width);
            break;
        }
    return jpeg;
}

TEST(OlePicture, OtherDamagedOrShortBytesAreRefused)
{
    const Bytes bmp = bmpFile(BmpLayout{});
    Bytes cut = bmp;
    cut.resize(bmp.size() - 4);
    Bytes jpegCut = jpegFile(16, 16, 0xFF0000);
    jpegCut.resize(20);
    struct Case {
        const char* what;
        Bytes bytes;
        LONG size;
    } cases[] = {
        {"gif", Bytes{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0}, 0},
        {"truncated bmp", cut, 0},
        {"bmp read shorter than its file", bmp, LONG(bmp.size() - 1)},
        {"bmp with a size past the stream", bmp, LONG(bmp.size() + 10)},
        {"jpeg without its frame", jpegCut, 0},
        {"jpeg over 2^26 pixels", withJpegSize(jpegFile(16, 16, 0xFF0000), 16384, 8192), 0},
        {"nothing", Bytes{}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CComPtr<IPicture> picture;
        EXPECT_EQ(loadPicture(c.bytes, picture, c.size), CTL_E_INVALIDPICTURE);
        EXPECT_EQ(picture.p, nullptr);
    }
}

TEST(OlePicture, InterfacesAndPointers)
{
    const Bytes bmp = bmpFile(BmpLayout{});
    void* out = &out;
    EXPECT_EQ(OleLoadPicture(streamOf(bmp), 0, FALSE, IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(OleLoadPicture(streamOf(bmp), 0, FALSE, IID_IPicture, nullptr), E_POINTER);
    CComPtr<IUnknown> unknown;
    ASSERT_EQ(OleLoadPicture(streamOf(bmp), 0, FALSE, IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    CComPtr<IPicture> picture;
    EXPECT_EQ(unknown->QueryInterface(IID_IPicture, reinterpret_cast<void**>(&picture)), S_OK);
    CComPtr<IPicture> copy = picture; // one more reference
    picture.Release();
    unknown.Release();
    SHORT type = 0;
    EXPECT_EQ(copy->get_Type(&type), S_OK);
}

TEST(GlobalStream, WritesSeeksAndClonesShareTheBlock)
{
    CComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ULONG done = 0;
    EXPECT_EQ(stream->Write("hello world", 11, &done), S_OK);
    EXPECT_EQ(done, 11u);
    LARGE_INTEGER move;
    move.QuadPart = -5;
    ULARGE_INTEGER position;
    EXPECT_EQ(stream->Seek(move, STREAM_SEEK_END, &position), S_OK);
    EXPECT_EQ(position.QuadPart, 6u);
    EXPECT_EQ(stream->Write("there!", 6, &done), S_OK);
    move.QuadPart = 0;
    stream->Seek(move, STREAM_SEEK_SET, nullptr);
    CComPtr<IStream> clone;
    ASSERT_EQ(stream->Clone(&clone), S_OK);
    char text[20] = {};
    EXPECT_EQ(clone->Read(text, sizeof text, &done), S_OK);
    EXPECT_EQ(done, 12u);
    EXPECT_STREQ(text, "hello there!");
    STATSTG stat{};
    EXPECT_EQ(stream->Stat(&stat, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(stat.cbSize.QuadPart, 12u);
    ULARGE_INTEGER size;
    size.QuadPart = 5;
    EXPECT_EQ(stream->SetSize(size), S_OK);
    EXPECT_EQ(stream->Read(text, sizeof text, &done), S_OK);
    EXPECT_EQ(done, 5u);
    move.QuadPart = -1;
    EXPECT_EQ(stream->Seek(move, STREAM_SEEK_SET, nullptr), STG_E_INVALIDFUNCTION);
}

TEST(GlobalStream, FreesTheBlockOnlyWhenAsked)
{
    for (BOOL deleteOnRelease : {TRUE, FALSE}) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
        IStream* stream = nullptr;
        ASSERT_EQ(CreateStreamOnHGlobal(block, deleteOnRelease, &stream), S_OK);
        IStream* clone = nullptr;
        stream->Clone(&clone);
        stream->Release();
        EXPECT_EQ(GlobalSize(block), 4u); // the clone still holds it
        clone->Release();
        EXPECT_EQ(GlobalSize(block) == 4, !deleteOnRelease);
        if (!deleteOnRelease)
            GlobalFree(block);
    }
}

} // namespace
