// Cursors that arrive through the download centre: files, bytes through a temporary file, and the
// owner told on the worker's thread.

#include "guiCursor.h"

#include "vbDnCenter.h"
#include "vbEngine.h"
#include "vbExpectThrown.h"

#include "testsupport/ImageFiles.h"
#include "testsupport/TempFolder.h"
#include "testsupport/TestHome.h"

#include "plat/resource.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <vector>

namespace {

using vnt::test::Bytes;
using vnt::test::TempFolder;

Bytes pointerFile() { return vnt::test::iconFile({{32, 32, 0x0000FF, 32}}, true); }

Bytes spinnerFile()
{
    std::vector<Bytes> frames;
    for (uint32_t color : {0xFF0000u, 0x00FF00u, 0x0000FFu})
        frames.push_back(vnt::test::iconFile({{32, 32, color, 32}}, true));
    return vnt::test::aniFile(frames);
}

std::string writeFile(const std::string& name, const Bytes& bytes)
{
    const std::string path = (vnt::test::testHome() / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// Delivers bytes in chunks as a download would.
void deliver(guiCursorObject* obj, const vbString& url, const Bytes& bytes, bool ok = true)
{
    vbDnData root(nullptr, nullptr);
    vbDnData data(&root, vbDnLoad, url, obj);
    obj->LoadingStart(&data, int64_t(bytes.size()));
    for (size_t at = 0; at < bytes.size(); at += 100)
        obj->LoadingAddBuffer(&data, bytes.data() + at, ULONG(std::min<size_t>(100, bytes.size() - at)));
    obj->LoadingEnd(&data, ok);
    obj->SetLoaded(ok, false);
}

guiCursorObject* newObject(const char* url)
{
    auto* obj = new guiCursorObject(url, 0);
    obj->Create();
    return obj;
}

TEST(guiCursorObject, BytesGoThroughATemporaryFileAndTheUrlDecidesAnimation)
{
    TempFolder tmp;
    struct Case {
        const char* url;
        Bytes bytes;
        bool animated;
    } cases[] = {
        {"/cursors/SPIN.ANI", spinnerFile(), true},
        {"res://VantSguiV5/spinner!#21", spinnerFile(), true},
        {"res://VantSguiV5/spinner!anicursor", spinnerFile(), true},
        {"/cursors/spin.cur", spinnerFile(), false},
        {"data:,pointer.cur", pointerFile(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        guiCursorObject* obj = newObject(c.url);
        deliver(obj, c.url, c.bytes);
        EXPECT_TRUE(obj->IsValid());
        EXPECT_EQ(obj->IsAnimated(), c.animated);
        obj->Release();
    }
    EXPECT_TRUE(tmp.files().empty());

    guiCursorObject* obj = newObject("x");
    EXPECT_EQ(obj->GetDefaultResType(), RT_GROUP_CURSOR);
    EXPECT_EQ(obj->GetMemSizeForCache(), 1024u);
    EXPECT_EQ(obj->GetClsId(), IID_guiCursorObject);
    EXPECT_TRUE(obj->LoadFromFile(nullptr, writeFile("Still.Ani", spinnerFile()).c_str()));
    EXPECT_TRUE(obj->IsAnimated()) << "a file path ending .ani in any case";
    EXPECT_FALSE(obj->LoadFromRes(nullptr, "spinner", RT_ANICURSOR, nullptr)) << "typed resources come as bytes";
    obj->Release();
}

TEST(guiCursorObject, BadBytesAndCancelledLoadsLeaveNoFile)
{
    TempFolder tmp;
    guiCursorObject* obj = newObject("/x/not.cur");
    vbtest::expectThrown<vbEdnUser>([&] { deliver(obj, "/x/not.cur", Bytes(300, 'x')); }, E_FAIL,
        "Cursor url '/x/not.cur' is invalid or is not a cursor file");
    EXPECT_FALSE(obj->IsValid());
    EXPECT_TRUE(tmp.files().empty());

    deliver(obj, "/x/not.cur", pointerFile(), false);
    EXPECT_FALSE(obj->IsValid());
    EXPECT_TRUE(tmp.files().empty());

    vbDnData data(nullptr, nullptr);
    const unsigned char byte = 0;
    vbtest::expectThrown<vbEsys>([&] { obj->LoadingAddBuffer(&data, &byte, 1); }, E_FAIL,
        "guiCursorObject::LoadingAddBuffer() : LoadingStart() not called");
    vbtest::expectThrown<vbEsys>([&] { obj->LoadingEnd(&data, true); }, E_FAIL,
        "guiCursorObject::LoadingEnd() : LoadingStart() not called");
    obj->Release();
}

// Told when its cursor has arrived, with the thread it was told on.
struct Listener : cbIguiCursorLoaded {
    void onCursorLoaded(guiCursor* c) override
    {
        cursor = c;
        thread = GetCurrentThreadId();
        ++calls;
    }
    std::atomic<int> calls{0};
    guiCursor* cursor = nullptr;
    DWORD thread = 0;
};

class CursorDownload : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_vbDnCenter.SetThreadMax(1);
        g_vbDnCenter.SetThreadMin(1);
        m_use.StartUse(true);
    }
    void TearDown() override { m_use.StopUse(); }

    vbUseEngineCenter m_use;
};

TEST_F(CursorDownload, FilesLoadOnAWorkerAndTheOwnerIsTold)
{
    Listener listener;
    guiCursor cursor(&listener);
    cursor.SetUrl(writeFile("pointer.cur", pointerFile()).c_str(), vbDnPriority1);
    cursor.WaitLoad(10000, vbDnPriority1);
    ASSERT_TRUE(cursor.IsValid());
    EXPECT_FALSE(cursor.IsAnimated());
    EXPECT_NE(static_cast<HICON>(cursor), nullptr);
    for (int i = 0; i < 500 && listener.calls == 0; ++i)
        Sleep(10);
    EXPECT_EQ(listener.calls, 1);
    EXPECT_EQ(listener.cursor, &cursor);
    EXPECT_NE(listener.thread, GetCurrentThreadId()) << "told on the worker's thread";

    // The same URL again asks nothing: the object stays.
    const guiCursorObject* loaded = cursor.Get();
    cursor.SetUrl(cursor.GetUrl(), vbDnPriority1);
    EXPECT_EQ(cursor.Get(), loaded);

    guiCursor spinner;
    spinner.SetUrl(writeFile("SPINNER.ANI", spinnerFile()).c_str(), vbDnPriority1);
    spinner.WaitLoad(10000, vbDnPriority1);
    EXPECT_TRUE(spinner.IsValid());
    EXPECT_TRUE(spinner.IsAnimated());

    // A resource of the program with its type comes as bytes.
    guiCursor typed;
    typed.SetUrl("res://spinner!anicursor", vbDnPriority1);
    typed.WaitLoad(10000, vbDnPriority1);
    EXPECT_TRUE(typed.IsValid());
    EXPECT_TRUE(typed.IsAnimated());
}

} // namespace
