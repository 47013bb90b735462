#include "picTestUtil.h"

#include "vbVantLib.h"

#include "plat/thread.h"

#include <atomic>
#include <thread>

namespace {

using pictest::expectThrown;
using pictest::newBitmap;

picImagePtr newImage(const char* type, const char* label)
{
    picImagePtr image;
    EXPECT_TRUE(picCreateImage(&image, type, label, picReqThrow));
    return image;
}

picBmpInfo rgbInfo(int cx, int cy)
{
    picBmpInfo info;
    info.size = picSize(cx, cy);
    info.bmpType = picBmpRGB;
    info.bitsPerPixel = 24;
    return info;
}

TEST(picImage, FactoryHandsOverTheOnlyReference)
{
    picImagePtr image = newImage("simple", "JPEG image");
    EXPECT_EQ(image->AddRef(), 2u);
    EXPECT_EQ(image->Release(), 1u);
    picImagePtr other = newImage(nullptr, nullptr);
    picImagePtr held = other;
    picCreateImage(&other, "a", "b", picReqThrow);
    EXPECT_EQ(held->AddRef(), 2u) << "out let go of what it held";
    held->Release();
}

TEST(picImage, EmptyImageHasNoBitmap)
{
    picImagePtr image = newImage(nullptr, nullptr);
    picBitmapPtr b;
    EXPECT_FALSE(image->GetBitmap(1, &b, picReqNoThrow));
    EXPECT_FALSE(image->GetBitmap(-1, &b, picReqNoThrow));
    expectThrown([&] { image->GetBitmap(1, &b, picReqThrow); }, E_FAIL, "picImage(/)::GetBitmap() : bmpId=1 doesn't exist");
    expectThrown([&] { image->GetBitmap(-1, &b, picReqThrow); }, E_FAIL,
        "picImage(/)::GetBitmap() : bmpId=1 doesn't exist");
    EXPECT_TRUE(image->IsEmpty());
    EXPECT_FALSE(image->HasBitmaps());
    EXPECT_FALSE(image->HasExtra2());
    EXPECT_FALSE(image->HasExtra4());
}

TEST(picImage, CreateBitmapGrowsTheSlots)
{
    picImagePtr image = newImage("simple", "JPEG image");
    picBmpInfo info = rgbInfo(3, 2);
    info.extra4 = 0;
    picBitmapPtr made;
    EXPECT_EQ(image->CreateBitmap(3, &info, &made), 3);
    ASSERT_FALSE(made.IsNull());
    EXPECT_EQ(made->GetRowLength(), 12);
    EXPECT_EQ(image->GetBitmapCount(), 3);
    EXPECT_FALSE(image->GetBitmap(1, nullptr, picReqNoThrow));
    EXPECT_FALSE(image->GetBitmap(2, nullptr, picReqNoThrow));
    picBitmapPtr third;
    EXPECT_TRUE(image->GetBitmap(3, &third, picReqThrow));
    EXPECT_EQ(third.Get(), made.Get());
    EXPECT_EQ(image->GetPixelSize(3), picSize(3, 2));

    picBmpInfo first;
    EXPECT_EQ(image->GetBitmapInfo(-1, &first), 1);
    EXPECT_EQ(first.bmpType, picBmpNone);
    EXPECT_EQ(first.header, 120);
    EXPECT_FALSE(image->HasExtra4()) << "only the first slot counts";

    // No record given: the slot's own is used.
    image->SetBitmap(1, &info, nullptr);
    picBitmapPtr again;
    EXPECT_EQ(image->CreateBitmap(-1, nullptr, &again), 1);
    EXPECT_EQ(again->GetPixelSize(), picSize(3, 2));
    EXPECT_TRUE(image->HasExtra4());
    EXPECT_FALSE(image->HasExtra2());

    const char* missing = "picImage(simple/JPEG image)::GetBitmapInfo() : bmpId=";
    expectThrown([&] { image->CreateBitmap(0, &info, nullptr); }, E_FAIL, std::string(missing) + "0 doesn't exist");
    expectThrown([&] { image->GetBitmapInfo(4, &first); }, E_FAIL, std::string(missing) + "4 doesn't exist");
    expectThrown([&] { image->SetBitmap(4, &info, nullptr); }, E_FAIL, std::string(missing) + "4 doesn't exist");
    expectThrown([&] { image->GetPixelSize(0); }, E_FAIL,
        "picImage(simple/JPEG image)::GetPixelSize() : bmpId=0 doesn't exist");

    // A refused format passes create's error on; the slot keeps its bitmap.
    picBmpInfo bad = rgbInfo(3, 2);
    bad.bitsPerPixel = 8;
    expectThrown([&] { image->CreateBitmap(1, &bad, nullptr); }, E_NOTIMPL, "Bitmap format not supported");
    EXPECT_TRUE(image->GetBitmap(1, nullptr, picReqNoThrow));
}

TEST(picImage, SlotsGoAndBitmapsHeldElsewhereSurvive)
{
    picImagePtr image = newImage("t", "l");
    picBmpInfo info = rgbInfo(2, 2);
    picBitmapPtr kept;
    image->CreateBitmap(2, &info, &kept);
    image->CreateBitmap(1, &info, nullptr);

    vbArray<picBmpInfo> infos;
    infos.SetLength(5);
    EXPECT_EQ(image->GetBitmapInfos(&infos), 2);
    ASSERT_EQ(infos.GetLength(), 2);
    EXPECT_EQ(infos[2].size, picSize(2, 2));

    image->SetBitmapCount(1);
    EXPECT_EQ(image->GetBitmapCount(), 1);
    EXPECT_EQ(kept->AddRef(), 2u) << "the image let go of slot 2";
    kept->Release();
    image->SetBitmapCount(0);
    EXPECT_TRUE(image->IsEmpty());
    EXPECT_EQ(image->GetBitmapInfos(&infos), 0);
    EXPECT_EQ(infos.GetLength(), 0);

    image->SetBitmapCount(2);
    image->SetBitmap(2, nullptr, kept);
    EXPECT_EQ(kept->AddRef(), 3u);
    kept->Release();
    image->RemoveAllBitmaps();
    EXPECT_TRUE(image->IsEmpty());
    EXPECT_EQ(kept->GetRowLength(), 8);
}

TEST(picImage, HandlesThroughTheImage)
{
    picImagePtr image = newImage("t", "l");
    expectThrown([&] { image->getHandle(1, nullptr); }, E_FAIL, "picImage(t/l)::getHandle() : bmpId=1 doesn't exist");
    image->SetBitmapCount(1);
    expectThrown([&] { image->getHandle(-1, nullptr); }, E_FAIL, "picImage(t/l)::getHandle() : bmpId=1 has no bitmap data");
    picBmpInfo info = rgbInfo(2, 2);
    picBitmapPtr b;
    image->CreateBitmap(1, &info, &b);
    sIvbLock* holder = nullptr;
    EXPECT_EQ(image->getHandle(1, &holder), b->getHandle(nullptr));
    ASSERT_NE(holder, nullptr);

    // Another thread waiting for the bitmap through the image leaves the image free.
    std::atomic<bool> got{false};
    std::thread other([&] {
        image->getHandle(1, nullptr);
        got = true;
    });
    Sleep(50);
    EXPECT_EQ(image->GetBitmapCount(), 1);
    EXPECT_FALSE(got);
    holder->Unlock();
    other.join();
    EXPECT_TRUE(got);
}

TEST(picImage, RefusalsAndSizes)
{
    picImagePtr image = newImage("simple", "JPEG image");
    const std::string head = "picImage(simple/JPEG image)::";
    expectThrown([&] { image->SaveToStream(nullptr); }, E_NOTIMPL, head + "SaveToStream() : not implemented (VantPicture)");
    expectThrown([&] { image->LoadFromStream(nullptr); }, E_NOTIMPL, head + "LoadFromStream() : not implemented (VantPicture)");
    expectThrown([&] { image->SetBitmapInfo(1, nullptr); }, E_NOTIMPL, head + "SetBitmapInfo() : not implemented (VantPicture)");
    expectThrown([&] { image->SetPixelSize(1, picSize()); }, E_NOTIMPL, head + "SetPixelSize() : not implemented (VantPicture)");
    expectThrown([&] { image->SetMetricSize(1, picMetricSize()); }, E_NOTIMPL,
        head + "SetMetricSize() : not implemented (VantPicture)");
    expectThrown([&] { image->GetDC(1, nullptr, 0, picReqThrow); }, E_NOTIMPL, head + "GetDC() : not implemented (VantPicture)");
    EXPECT_FALSE(image->GetDC(1, nullptr, 0, picReqNoThrow));
    EXPECT_FALSE(image->HasFrames());
    EXPECT_EQ(image->GetFrameCount(), 0);
    EXPECT_EQ(image->FindBitmap(nullptr, picBmpRGB, 24), -1);

    expectThrown([&] { image->GetMetricSize(1, picMetricUnit(1)); }, E_FAIL,
        head + "GetMetricSize() : bmpId=1 doesn't exist");
    picBmpInfo info;
    info.metricSize = picMetricSize(2.0, 1.0, picMetricUnit(1), picMetricUnit(1));
    image->SetBitmapCount(1);
    image->SetBitmap(1, &info, nullptr);
    EXPECT_EQ(image->GetMetricSize(1, picMetricUnit(1)).cx, 2.0);
    expectThrown([&] { image->GetMetricSize(1, picMetricUnit(2)); }, E_NOTIMPL,
        "picMetricSize::ToUnit() : conversions not implemented (VantPicture)");
}

TEST(picImage, Identity)
{
    picImagePtr image = newImage("t", "l");
    IpicImage* face = image;
    const GUID impl = {0x895DDEFB, 0xD3F0, 0x476B, {0x8D, 0x64, 0x9B, 0x6E, 0x1D, 0xFD, 0x11, 0x81}};
    void* object = nullptr;
    ASSERT_TRUE(face->GetInterface(IID_IUnknown, &object));
    const struct {
        const GUID* iid;
        void* expected; // null: any face
        bool known;
    } cases[] = {{&IID_IpicImage, face, true}, {&impl, object, true}, {&IID_IvbObject, object, true},
        {&IID_sIvbBase, nullptr, true}, {&IID_sIvbLock, nullptr, false}, {&IID_IpicBitmap, nullptr, false}};
    for (const auto& c : cases) {
        void* p = nullptr;
        EXPECT_EQ(face->GetInterface(*c.iid, &p), c.known);
        if (c.expected) {
            EXPECT_EQ(p, c.expected);
        }
    }
    void* p = nullptr;
    EXPECT_EQ(face->QueryInterface(IID_sIvbLock, &p), E_NOINTERFACE);
}

TEST(picLibrary, RegistersItsRecord)
{
    vbVantLibEnum libs;
    vbVantLib* lib = libs.Find(vbString("VantPicture"));
    ASSERT_NE(lib, nullptr);
    EXPECT_STREQ(lib->GetCompleteName(), "VantPictureV5");
    libs.UnlockLib();
}

} // namespace
