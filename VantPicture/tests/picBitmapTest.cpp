#include "picTestUtil.h"

#include "plat/bitmap.h"
#include "plat/gdi.h"
#include "plat/thread.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace {

using pictest::expectThrown;
using pictest::newBitmap;

const char kNotSupported[] = "Bitmap format not supported";

TEST(picBitmap, FormatTable)
{
    const struct {
        int type;
        int bits;
        int depth; // 0: refused
    } cases[] = {
        {0, 0, 8}, {0, 1, 1}, {0, 8, 8}, {0, 24, 24}, {0, 32, 32}, {1, 0, 24}, {1, 32, 32}, {2, 0, 32},
        {3, 0, 24}, {4, 0, 32}, {5, 0, 32}, {6, 0, 32}, {0, 16, 0}, {1, 8, 0}, {2, 24, 0}, {7, 0, 0}, {-1, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + "/" + std::to_string(c.bits));
        picBitmapPtr b;
        if (c.depth == 0) {
            const std::string ctx = "picBitmap::create(bmpType=" + std::to_string(c.type) +
                ", bitsPerPixel=" + std::to_string(c.bits) + ") (VantPicture)";
            expectThrown([&] { picCreateBitmap(&b, picSize(2, 2), picBmpColorType(c.type), c.bits, picReqThrow); },
                E_NOTIMPL, kNotSupported, ctx.c_str());
            EXPECT_TRUE(b.IsNull());
            continue;
        }
        b = newBitmap(2, 2, picBmpColorType(c.type), c.bits);
        EXPECT_EQ(b->GetBitsPerPixel(), c.depth);
        EXPECT_EQ(b->GetBmpType(), c.type);
        EXPECT_TRUE(b->HasData());
    }
}

TEST(picBitmap, RowLengthsAndZeroedPixels)
{
    const struct {
        int cx;
        int type;
        int bits;
        int rowLength;
    } cases[] = {{3, 1, 24, 12}, {33, 0, 1, 8}, {5, 0, 8, 8}, {1, 2, 0, 4}};
    for (const auto& c : cases) {
        picBitmapPtr b = newBitmap(c.cx, 2, picBmpColorType(c.type), c.bits);
        EXPECT_EQ(b->GetRowLength(), c.rowLength) << c.cx;
        void* rows[2] = {};
        ASSERT_EQ(b->GetBitmapRow(nullptr, 0, rows, 2, 0), 2);
        for (int i = 0; i < 2 * c.rowLength; ++i)
            ASSERT_EQ(static_cast<unsigned char*>(rows[0])[i], 0) << i;
    }
}

TEST(picBitmap, SizeTheSystemRefusesKeepsTheFormatWithoutPixels)
{
    picBitmapPtr b = newBitmap(2, 2, picBmpGrey);
    expectThrown([&] { b->SetPixelSize(picSize(0, 2), false); }, static_cast<HRESULT>(0x80070057u),
        "Bitmap format not supported by OS");
    EXPECT_EQ(b->GetPixelSize(), picSize(0, 2));
    EXPECT_TRUE(b->IsEmpty());
    EXPECT_EQ(b->getHandle(nullptr), nullptr);
}

TEST(picBitmap, RowRequests)
{
    picBitmapPtr b = newBitmap(4, 10, picBmpGrey);
    const int rowLength = b->GetRowLength();
    ASSERT_EQ(rowLength, 4);
    void* base[1] = {};
    b->GetBitmapRow(nullptr, 0, base, 1, 0);
    const auto* bits = static_cast<unsigned char*>(base[0]);

    void* rows[5] = {};
    EXPECT_EQ(b->GetBitmapRow(nullptr, 8, rows, 5, 0), 2);
    EXPECT_EQ(rows[0], bits + 8 * rowLength);
    EXPECT_EQ(rows[1], bits + 9 * rowLength);
    EXPECT_EQ(rows[2], nullptr);

    const struct {
        int first;
        int count;
    } none[] = {{10, 1}, {-1, 3}, {2, 0}, {2, -4}};
    for (const auto& c : none) {
        void* untouched[3] = {&rows, &rows, &rows};
        EXPECT_EQ(b->GetBitmapRow(nullptr, c.first, untouched, c.count, 0), 0) << c.first << "/" << c.count;
        EXPECT_EQ(untouched[0], &rows);
    }
    EXPECT_EQ(b->GetBitmapRow(nullptr, 0, rows, 1, rowLength), 1);
    expectThrown([&] { b->GetBitmapRow(nullptr, 0, rows, 1, rowLength + 1); }, E_NOTIMPL,
        "Byte length for rows too big for current bitmap format",
        "picBitmap::GetBitmapRow(bmpType=0, bitsPerPixel=8) (VantPicture)");
}

// Another thread's call on the bitmap, reporting when it has got through.
class Prober {
public:
    explicit Prober(IpicBitmap* b) : m_thread([this, b] { b->getHandle(nullptr); m_done = true; }) { }
    ~Prober() { m_thread.join(); }
    bool doneWithin(int ms)
    {
        for (int i = 0; i < ms / 5 && !m_done; ++i)
            Sleep(5);
        return m_done;
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

TEST(picBitmap, RowLockHeldUntilTheHolderLetsGo)
{
    picBitmapPtr a = newBitmap(2, 2, picBmpRGB);
    picBitmapPtr b = newBitmap(2, 2, picBmpRGB);
    sIvbLock* holder = nullptr;
    void* rows[1];
    ASSERT_EQ(a->GetBitmapRow(&holder, 0, rows, 1, 6), 1);
    ASSERT_NE(holder, nullptr);
    {
        Prober other(a);
        EXPECT_FALSE(other.doneWithin(100));
        EXPECT_EQ(a->GetRowLength(), 8) << "the owner goes on using the bitmap";
        holder->Unlock();
        holder = nullptr;
        EXPECT_TRUE(other.doneWithin(5000));
    }

    // Reusing the holder on another bitmap lets the first go.
    a->getHandle(&holder);
    ASSERT_NE(b->getHandle(&holder), nullptr);
    {
        Prober onA(a);
        EXPECT_TRUE(onA.doneWithin(5000));
        Prober onB(b);
        EXPECT_FALSE(onB.doneWithin(50));
        holder->Unlock();
        holder = nullptr;
    }

    // A call that throws keeps no lock.
    a->getHandle(&holder);
    expectThrown([&] { a->GetBitmapRow(&holder, 0, rows, 1, 100); }, E_NOTIMPL,
        "Byte length for rows too big for current bitmap format");
    EXPECT_EQ(holder, nullptr);
    Prober after(a);
    EXPECT_TRUE(after.doneWithin(5000));
}

TEST(picBitmap, FormatChanges)
{
    picBitmapPtr b = newBitmap(3, 2, picBmpRGB);
    void* rows[1];
    b->GetBitmapRow(nullptr, 0, rows, 1, 0);
    static_cast<unsigned char*>(rows[0])[0] = 0x55;
    HBITMAP handle = b->getHandle(nullptr);

    const picSize same(3, 2);
    EXPECT_TRUE(b->SetFormat(&same, picBmpRGB, 24, true, picReqThrow));
    EXPECT_TRUE(b->SetFormat(nullptr, picBmpNone, 0, true, picReqThrow));
    b->SetPixelSize(same, true);
    EXPECT_EQ(b->getHandle(nullptr), handle);

    const picSize wider(4, 2);
    expectThrown([&] { b->SetFormat(&wider, picBmpNone, 0, true, picReqThrow); }, E_NOTIMPL, kNotSupported,
        "picBitmap::convert(bmpType=1, bitsPerPixel=24) (VantPicture)");
    expectThrown([&] { b->SetBitsPerPixel(32, true); }, E_NOTIMPL, kNotSupported,
        "picBitmap::convert(bmpType=1, bitsPerPixel=32) (VantPicture)");
    expectThrown([&] { b->SetBmpType(picBmpGrey, true); }, E_NOTIMPL, kNotSupported,
        "picBitmap::convert(bmpType=0, bitsPerPixel=24) (VantPicture)");
    EXPECT_EQ(b->getHandle(nullptr), handle);
    EXPECT_EQ(b->GetPixelSize(), same);
    void* after[1];
    b->GetBitmapRow(nullptr, 0, after, 1, 0);
    EXPECT_EQ(after[0], rows[0]);
    EXPECT_EQ(static_cast<unsigned char*>(after[0])[0], 0x55);

    EXPECT_TRUE(b->SetFormat(&wider, picBmpGrey, 0, false, picReqThrow));
    picSize size;
    picBmpColorType type = picBmpNone;
    int bits = 0;
    b->GetFormat(&size, &type, &bits);
    EXPECT_EQ(size, wider);
    EXPECT_EQ(type, picBmpGrey);
    EXPECT_EQ(bits, 24) << "0 keeps the current depth";
    b->GetBitmapRow(nullptr, 1, after, 1, 0);
    EXPECT_EQ(static_cast<unsigned char*>(after[0])[0], 0);

    b->Empty();
    EXPECT_TRUE(b->IsEmpty());
    EXPECT_FALSE(b->HasData());
    EXPECT_EQ(b->GetBmpType(), picBmpNone);
    EXPECT_EQ(b->GetBitsPerPixel(), 0);
    EXPECT_EQ(b->GetRowLength(), 0);
    EXPECT_EQ(b->getHandle(nullptr), nullptr);
}

std::vector<unsigned char> pixels(IpicBitmap* b)
{
    const int height = b->GetPixelSize().cy;
    std::vector<unsigned char> bytes(static_cast<size_t>(b->GetRowLength()) * height);
    for (int r = 0; r < height; ++r) {
        void* row[1];
        b->GetBitmapRow(nullptr, r, row, 1, 0);
        std::memcpy(bytes.data() + static_cast<size_t>(r) * b->GetRowLength(), row[0], b->GetRowLength());
    }
    return bytes;
}

void fill(IpicBitmap* b)
{
    std::vector<unsigned char> bytes(static_cast<size_t>(b->GetRowLength()) * b->GetPixelSize().cy);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    b->SetData(bytes.data(), static_cast<int>(bytes.size()));
}

TEST(picBitmap, Copies)
{
    picBitmapPtr src = newBitmap(3, 2, picBmpRGB);
    fill(src);

    picBitmapPtr dst = newBitmap(5, 5, picBmpGrey);
    expectThrown([&] { src->CopyTo(dst, picReqThrow); }, E_NOTIMPL, "Copy not supported for bitmap format asked",
        "picBitmap::CopyTo(bmpTypeSrc=1, bitsPerPixelSrc=24, bmpTypeDst=0, bitsPerPixelDst=8) (VantPicture)");
    dst->Empty();
    EXPECT_TRUE(src->CopyTo(dst, picReqThrow));
    EXPECT_EQ(dst->GetPixelSize(), picSize(3, 2));
    EXPECT_EQ(dst->GetBmpType(), picBmpRGB);
    EXPECT_EQ(dst->GetBitsPerPixel(), 24);
    EXPECT_EQ(pixels(dst), pixels(src));

    picBitmapPtr copy;
    EXPECT_TRUE(src->CreateCopy(nullptr, picBmpNone, 0, &copy, picReqThrow));
    ASSERT_FALSE(copy.IsNull());
    EXPECT_NE(copy->getHandle(nullptr), src->getHandle(nullptr));
    EXPECT_EQ(pixels(copy), pixels(src));

    picBitmapPtr kept = copy;
    expectThrown([&] { src->CreateCopy(nullptr, picBmpRGB, 32, &copy, picReqThrow); }, E_NOTIMPL,
        "Copy not supported for bitmap format asked",
        "picBitmap::CopyTo(bmpTypeSrc=1, bitsPerPixelSrc=24, bmpTypeDst=1, bitsPerPixelDst=32) (VantPicture)");
    EXPECT_EQ(copy.Get(), kept.Get());
}

TEST(picBitmap, SetDataBounds)
{
    picBitmapPtr b = newBitmap(3, 2, picBmpRGB);
    std::vector<unsigned char> bytes(25, 0xAB);
    const char* ctx = "picBitmap::CopyTo(bmpTypeDst=1, bitsPerPixelDst=24) (VantPicture)";
    b->SetData(bytes.data(), 24);
    EXPECT_EQ(pixels(b), std::vector<unsigned char>(24, 0xAB));
    expectThrown([&] { b->SetData(bytes.data(), 25); }, E_NOTIMPL, "Data to copy too big for current bitmap format", ctx);
    expectThrown([&] { b->SetData(bytes.data(), -1); }, E_INVALIDARG, "Data to copy too big for current bitmap format",
        ctx);
    expectThrown([&] { b->SetData(nullptr, 1); }, E_INVALIDARG, "Data to copy too big for current bitmap format", ctx);
    b->SetData(nullptr, 0);
    EXPECT_EQ(pixels(b), std::vector<unsigned char>(24, 0xAB));

    b->Empty();
    expectThrown([&] { b->SetData(bytes.data(), 1); }, E_NOTIMPL, "Data to copy too big for current bitmap format");
}

TEST(picBitmap, RefusedOperations)
{
    picBitmapPtr b = newBitmap(1, 1, picBmpCMYK);
    expectThrown([&] { b->Clear(); }, E_NOTIMPL, "Clear not supported for current bitmap format",
        "picBitmap::Clear(bmpType=2, bitsPerPixel=32) (VantPicture)");
    picDCPtr dc;
    EXPECT_FALSE(b->GetDC(0, &dc, picReqNoThrow));
    expectThrown([&] { b->GetDC(0, &dc, picReqThrow); }, E_NOTIMPL, "picBitmap::GetDC() : not implemented (VantPicture)");
}

TEST(picBitmap, DrawsAsBlueGreenRed)
{
    picBitmapPtr b = newBitmap(2, 2, picBmpRGB);
    const unsigned char bytes[16] = {0x10, 0x20, 0x30, 0, 0, 0, 0, 0, 0x01, 0x02, 0x03};
    b->SetData(bytes, sizeof bytes);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b->getHandle(nullptr));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0x30, 0x20, 0x10));
    EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0x03, 0x02, 0x01)) << "row 1 is below row 0";
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST(picBitmap, Identity)
{
    picBitmapPtr b = newBitmap(1, 1, picBmpGrey);
    IpicBitmap* face = b;
    const GUID impl = {0xA9B14FC7, 0x9251, 0x499C, {0xBE, 0xCE, 0xE1, 0xBA, 0xD6, 0xED, 0x07, 0xA8}};
    void* object = nullptr;
    ASSERT_TRUE(face->GetInterface(IID_IvbObject, &object));
    const struct {
        const GUID* iid;
        bool known;
    } cases[] = {{&IID_IpicBitmap, true}, {&impl, true}, {&IID_IvbObject, true}, {&IID_IUnknown, true},
        {&IID_sIvbLock, true}, {&IID_sIvbBase, true}, {&IID_IpicImage, false}, {&IID_IvbInputStream, false}};
    for (const auto& c : cases) {
        void* p = nullptr;
        EXPECT_EQ(face->GetInterface(*c.iid, &p), c.known);
    }
    void* p = nullptr;
    face->GetInterface(IID_IpicBitmap, &p);
    EXPECT_EQ(p, static_cast<void*>(face));
    face->GetInterface(impl, &p);
    EXPECT_EQ(p, object);
    face->GetInterface(IID_sIvbLock, &p);
    static_cast<sIvbLock*>(p)->Lock();
    static_cast<sIvbLock*>(p)->Unlock();
    EXPECT_EQ(face->QueryInterface(IID_IpicImage, &p), E_NOINTERFACE);
    ASSERT_EQ(face->QueryInterface(IID_IpicBitmap, &p), S_OK);
    EXPECT_EQ(b->Release(), 1u);
}

// Leaves every operation but GetRowLength to the interface's bodies.
class PartialBitmap : public IpicBitmap {
public:
    int GetRowLength() const override { return 4; }
};

TEST(picBitmap, OperationsLeftOutThrowThePurecallError)
{
    PartialBitmap partial;
    EXPECT_EQ(partial.GetRowLength(), 4);
    const char* msg = "VantPicture: Object of called method is in destruction (purecall)";
    expectThrown<vbEsys>([&] { partial.Clear(); }, E_ABORT, msg);
    expectThrown<vbEsys>([&] { partial.getHandle(nullptr); }, E_ABORT, msg);
    expectThrown<vbEsys>([&] { partial.AddRef(); }, E_ABORT, "VantBase: Object of called method is in destruction (purecall)");
}

} // namespace
