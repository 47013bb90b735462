// Picture objects: JPEG files streamed through the picture plug-in in download-sized pieces or in
// pieces too small for the plug-in's test, files that no plug-in reads, and loads by file path
// through the download centre.

#include "PicPictureKit.h"

#include "picGuiImageObject.h"
#include "picMainWnd.h"

#include "guiProgress.h"

#include "vbDnItf.h"
#include "vbEngine.h"
#include "vbException.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using pictest::Bytes;

class PicGuiImageObjectTest : public ::testing::Test {
protected:
    void SetUp() override { pictest::registerJpegPlugin(); }

    picGuiImageObject* newObject(const std::string& url)
    {
        auto* obj = new picGuiImageObject(url.c_str(), 0);
        obj->Create();
        m_objects.emplace_back(obj);
        obj->Release();
        return obj;
    }

    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
    std::vector<vbRefPtr<picGuiImageObject, &IID_picGuiImageObject>> m_objects;
};

TEST_F(PicGuiImageObjectTest, JpegBecomesA24BitImageWhateverTheChunkSize)
{
    // 0x3080C0 is red 0x30, green 0x80, blue 0xC0.
    const Bytes file = vnt::test::jpegFile(640, 480, 0x3080C0);
    for (size_t chunk : {size_t(8192), size_t(4)}) {
        SCOPED_TRACE(chunk);
        picGuiImageObject* obj = newObject("/pictures/sky.jpg");
        EXPECT_EQ(obj->GetMemSizeForCache(), 1024u);
        pictest::deliver(obj, file, chunk);

        picImagePtr image = obj->GetImage();
        ASSERT_FALSE(image.IsNull());
        EXPECT_EQ(image->GetPixelSize(-1), picSize(640, 480));
        EXPECT_EQ(obj->GetMemSizeForCache(), 640u * 480u / 1024u);
        picBitmapPtr bitmap;
        ASSERT_TRUE(image->GetBitmap(-1, &bitmap, picReqThrow));
        EXPECT_EQ(bitmap->GetBitsPerPixel(), 24);
        EXPECT_EQ(bitmap->GetRowLength(), 1920);
        void* row = nullptr;
        ASSERT_EQ(bitmap->GetBitmapRow(nullptr, 240, &row, 1, 1920), 1);
        const auto* px = static_cast<const unsigned char*>(row) + 3 * 320;
        EXPECT_TRUE(pictest::near(RGB(px[2], px[1], px[0]), RGB(0x30, 0x80, 0xC0)))
            << int(px[0]) << "," << int(px[1]) << "," << int(px[2]);
    }
}

TEST_F(PicGuiImageObjectTest, UnreadableFilesFailNamingTheUrlAndLeaveNoImage)
{
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    png.resize(64, 0);
    const Bytes jpeg = vnt::test::jpegFile(8, 8, 0xFF0000);
    // No plug-in takes the bytes: one may come later. Too few bytes for any plug-in's test, or
    // none: no plug-in ever will.
    struct Case {
        const char* url;
        Bytes bytes;
        const char* context;
        const char* why;
        bool plugin;
    } cases[] = {
        {"/pictures/p.png", png, "picGuiImageObject::LoadingAddBuffer()",
            "plugin not ready, missing, or file corrupted", true},
        {"/pictures/x.jpg", Bytes(jpeg.begin(), jpeg.begin() + 5), "picGuiImageObject::LoadingEnd()",
            "the file is too short to be a picture", false},
        {"/pictures/y.jpg", Bytes(), "picGuiImageObject::LoadingEnd()", "the file is empty", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        picGuiImageObject* obj = newObject(c.url);
        try {
            pictest::deliver(obj, c.bytes);
            ADD_FAILURE() << "no exception";
        } catch (vbEadv* e) {
            EXPECT_EQ(e->IsKindOf(RUNTIME_CLASS(vbEhotPlug)) != FALSE, c.plugin);
            EXPECT_EQ(std::string(e->GetMsg()), std::string("Can't read image file '") + c.url + "' : " + c.why);
            EXPECT_EQ(std::string(e->GetCtxString()), c.context);
            e->Delete();
        }
        EXPECT_TRUE(obj->GetImage().IsNull());
    }
}

TEST_F(PicGuiImageObjectTest, TheDownloadCentreLoadsAFilePath)
{
    const std::string good = pictest::writeFile("good.jpg", vnt::test::jpegFile(40, 30, 0x00FF00));
    const Bytes jpeg = vnt::test::jpegFile(8, 8, 0xFF0000);
    const std::string cut = pictest::writeFile("cut.jpg", Bytes(jpeg.begin(), jpeg.begin() + 5));

    picGuiImageObject* loaded = newObject(good);
    vbDnAsk(loaded, vbDnLoad, good.c_str(), vbDnPriority1, false);
    ASSERT_TRUE(vbDnWait(loaded, vbDnLoad, 30000, false));
    EXPECT_TRUE(loaded->IsLoaded());
    picSize size;
    ASSERT_TRUE(loaded->GetBitmapSize(&size));
    EXPECT_EQ(size, picSize(40, 30));

    picGuiImageObject* failed = newObject(cut);
    vbDnAsk(failed, vbDnLoad, cut.c_str(), vbDnPriority1, false);
    vbDnWait(failed, vbDnLoad, 30000, false);
    ULONG hr = 0;
    vbString text;
    EXPECT_TRUE(failed->GetError(hr, text));
    EXPECT_NE(std::string(text).find("the file is too short to be a picture"), std::string::npos) << text;
    EXPECT_FALSE(failed->GetBitmapSize(&size));
}

// A main window whose progress strip shows what one picture's load reports.
struct ProgressWnd : sIpicMainWnd {
    pictest::ProgressRows strip;
    guiProgress* getProgress() override { return &strip; }
};

TEST_F(PicGuiImageObjectTest, TheLoadIsFollowedOnTheMainProgressStrip)
{
    ProgressWnd wnd;
    picSetMainWnd(&wnd);
    const Bytes file = vnt::test::jpegFile(320, 240, 0x808080);
    picGuiImageObject* obj = newObject("/pictures/grey.jpg");
    vbDnData root(nullptr, nullptr);
    vbDnData data(&root, vbDnLoad, obj->GetUrl(), obj);
    obj->LoadingStart(&data, static_cast<int64_t>(file.size()));
    ASSERT_EQ(wnd.strip.rows(), 1);
    EXPECT_EQ(wnd.strip.row().label, vbString("grey.jpg"));
    const size_t quarter = file.size() / 4 + 1;
    std::vector<double> percents;
    for (size_t at = 0; at < file.size(); at += quarter) {
        obj->LoadingAddBuffer(&data, file.data() + at, static_cast<ULONG>(std::min(quarter, file.size() - at)));
        percents.push_back(wnd.strip.row().percent);
    }
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_GT(percents.front(), 0.0);
    EXPECT_EQ(percents.back(), 100.0);
    obj->LoadingEnd(&data, true);
    EXPECT_EQ(wnd.strip.row().status, 2) << "done";

    // A failed download: the same line says so.
    obj->LoadingStart(&data, 10);
    obj->LoadingEnd(&data, false);
    EXPECT_EQ(wnd.strip.rows(), 1);
    EXPECT_EQ(wnd.strip.row().status, 3);
    EXPECT_EQ(wnd.strip.row().message, vbString("Load failed"));
    picSetMainWnd(nullptr);
}

} // namespace
