#include "vbDnTempFile.h"

#include "testsupport/FileText.h"
#include "testsupport/TempFolder.h"
#include "vbTypesTestUtil.h"

#include <gtest/gtest.h>

#include <string>

using vbtypes::expectEsys;
using vnt::test::TempFolder;

namespace {

const unsigned char kFirst[] = {'a', 'b', 'c'};
const unsigned char kSecond[] = {'d', 'e'};

void deliver(vbDnData& data)
{
    vbDnTempFile::LoadingStart(&data, "vbIconObject");
    EXPECT_TRUE(vbDnTempFile::LoadingAddBuffer(&data, kFirst, sizeof kFirst, "vbIconObject"));
    EXPECT_TRUE(vbDnTempFile::LoadingAddBuffer(&data, kSecond, sizeof kSecond, "vbIconObject"));
}

TEST(vbDnTempFile, BytesReachTheLoaderInAKvxFileThatIsThenDeleted)
{
    TempFolder tmp;
    vbDnData data(nullptr, nullptr);
    deliver(data);
    ASSERT_EQ(tmp.files("KVX").size(), 1u);
    std::string seen, path;
    EXPECT_TRUE(vbDnTempFile::LoadingEnd(&data, true, "vbIconObject", [&](const vbString& p) {
        path = p.c_str();
        seen = vnt::test::fileText(path);
        return true;
    }));
    EXPECT_EQ(seen, "abcde");
    EXPECT_EQ(std::filesystem::path(path).parent_path(), tmp.path());
    EXPECT_EQ(data.GetUserData(), nullptr);
    EXPECT_TRUE(tmp.files().empty());
}

TEST(vbDnTempFile, NoFileOutlivesTheEndWhateverHappens)
{
    TempFolder tmp;
    struct Case {
        const char* what;
        bool ok;
        int loader; // 0 refuses, 1 throws
        bool expected;
    } cases[] = {
        {"cancelled", false, 0, false},
        {"refused by the loader", true, 0, false},
        {"loader throws", true, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        vbDnData data(nullptr, nullptr);
        deliver(data);
        bool called = false;
        auto load = [&](const vbString&) -> bool {
            called = true;
            if (c.loader == 1)
                throw new vbEdnUser("bad bytes");
            return false;
        };
        if (c.loader == 1)
            vbtest::expectThrown<vbEdnUser>([&] { vbDnTempFile::LoadingEnd(&data, c.ok, "o", load); }, E_FAIL,
                "bad bytes");
        else
            EXPECT_EQ(vbDnTempFile::LoadingEnd(&data, c.ok, "o", load), c.expected);
        EXPECT_EQ(called, c.ok);
        EXPECT_EQ(data.GetUserData(), nullptr);
        EXPECT_TRUE(tmp.files().empty());
    }

    vbDnData restarted(nullptr, nullptr);
    deliver(restarted);
    deliver(restarted);
    EXPECT_EQ(tmp.files("KVX").size(), 1u) << "a second start drops the first file";
    vbDnTempFile::LoadingEnd(&restarted, false, "o", nullptr);
    EXPECT_TRUE(tmp.files().empty());
}

TEST(vbDnTempFile, FailuresNameTheOwnerAndNeverReportSuccess)
{
    vbDnData data(nullptr, nullptr);
    expectEsys([&] { vbDnTempFile::LoadingAddBuffer(&data, kFirst, 1, "guiCursorObject"); }, E_FAIL,
        "guiCursorObject::LoadingAddBuffer() : LoadingStart() not called");
    expectEsys([&] { vbDnTempFile::LoadingEnd(&data, true, "vbIconObject", nullptr); }, E_FAIL,
        "vbIconObject::LoadingEnd() : LoadingStart() not called");
    expectEsys([&] { vbDnTempFile::LoadingEnd(nullptr, false, "vbIconObject", nullptr); }, E_FAIL,
        "vbIconObject::LoadingEnd() : LoadingStart() not called");

    {
        TempFolder tmp;
        const std::string missing = (tmp.path() / "gone").string();
        setenv("TMPDIR", missing.c_str(), 1);
        expectEsys([&] { vbDnTempFile::LoadingStart(&data, "vbIconObject"); },
            static_cast<HRESULT>(0x8007010B), "vbIconObject::LoadingStart() : can't create temp file");
        // A folder name too long for the buffer leaves no system error: still a failure.
        const std::string deep = "/" + std::string(300, 'd');
        setenv("TMPDIR", deep.c_str(), 1);
        expectEsys([&] { vbDnTempFile::LoadingStart(&data, "guiCursorObject"); }, E_FAIL,
            "guiCursorObject::LoadingStart() : can't get temp path");
    }
    EXPECT_EQ(data.GetUserData(), nullptr);
}

TEST(vbDnTempFile, AnimationIsDecidedByTheUrl)
{
    struct Case {
        const char* url;
        bool animated;
    } cases[] = {
        {"res://VantBaseV5/hourglass!anicursor", true},
        {"res://m.so/x!#22", true},
        {"res://m.so/x!#21", true},
        {"res://m.so/x.ani!#14", false},
        {"res://m.so/x.ani", false},
        {"/icons/spin.ANI", true},
        {"file:/a/b.Ani", true},
        {"x.ani", true},
        {".ani", false},
        {"/a/b.ico", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vbDnTempFile::IsAnimatedUrl(c.url), c.animated) << c.url;
    EXPECT_TRUE(vbDnTempFile::IsAniPath("/t/KVX1.ani"));
    EXPECT_FALSE(vbDnTempFile::IsAniPath(".ANI"));
}

} // namespace
