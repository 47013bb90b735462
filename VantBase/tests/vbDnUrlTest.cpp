#include "vbDnItf.h"

#include "vbRegKey.h"
#include "vbTypesTestUtil.h"
#include "vbVariant.h"

#include "plat/resource.h"

#include "plat/module.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using vbtypes::expectEsys;

namespace {

std::string s(const vbString& v) { return std::string(v.c_str(), static_cast<size_t>(v.GetLength())); }

TEST(vbDnUrl, Escaping)
{
    struct Row {
        const char* text;
        const char* extra;
        const char* keep;
        const char* encoded;
    };
    const Row rows[] = {
        {"x~y{z}", "", "", "x%7Ey%7Bz%7D"},
        {"[|^]", "", "", "%5B%7C%5E%5D"},
        {"\xC3\xA9", "", "", "%C3%A9"},
        {"a:b", "", ":", "a:b"},
        {"a b", " ", "", "a+b"},
        {"a b/c", "", "", "a b/c"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(s(vbUrlEncode(r.text, r.extra, r.keep)), r.encoded) << r.text;

    const std::pair<const char*, const char*> decoded[] = {
        {"%41%62", "Ab"}, {"%u20AC", "\xE2\x82\xAC"}, {"%4a%4A", "JJ"}, {"100%%", "100%"}, {"a+b", "a+b"}, {"%", "%"},
    };
    for (const auto& [in, out] : decoded)
        EXPECT_EQ(s(vbUrlDecode(in)), out) << in;
}

TEST(vbDnUrl, Base64)
{
    const std::pair<std::string, const char*> encoded[] = {
        {"abcd", "YWJjZA=="}, {"\xFF\xFE", "//4="}, {"", ""}, {"abc", "YWJj"}, {"ab", "YWI="}, {"a", "YQ=="},
    };
    for (const auto& [bytes, text] : encoded) {
        EXPECT_EQ(s(vbBase64encode(bytes.data(), static_cast<int>(bytes.size()))), text);
        EXPECT_EQ(s(vbBase64decode(text, static_cast<int>(std::string(text).size()))), bytes) << text;
    }
    EXPECT_EQ(s(vbBase64encode("abc", -1)), "");
    const std::pair<const char*, const char*> decoded[] = {
        {"YW\r\nJj ZA==", "abcd"}, {"YWJj=ZA", "abc"}, {"YW\tJj", "abc"},
    };
    for (const auto& [text, bytes] : decoded)
        EXPECT_EQ(s(vbBase64decode(text, static_cast<int>(std::string(text).size()))), bytes) << text;
    EXPECT_EQ(s(vbBase64decode("YWJjZA", 4)), "abc") << "only the given length";

    expectEsys([] { vbBase64decode("Y", 1); }, E_FAIL, "vbBase64decode() : Bad string to decode (lg)");
    expectEsys([] { vbBase64decode("YW*j", 4); }, E_FAIL, "vbBase64decode() : Bad string to decode (ch)");
}

TEST(vbDnUrl, Splitting)
{
    struct Row {
        const char* path;
        const char* first;
        const char* afterFirst;
        const char* last;
        const char* beforeLast;
        bool found;
    };
    const Row rows[] = {
        {" a / b ", "a", "b", "b", "a", true},
        {"a\\b/c", "a", "b/c", "c", "a\\b", true},
        {" one ", "one", "", "one", "", false},
        {"/x", "", "x", "x", "", true},
    };
    for (const Row& r : rows) {
        vbString rest;
        bool found = !r.found;
        EXPECT_EQ(s(vbSubPath(r.path, &rest, &found)), r.first) << r.path;
        EXPECT_EQ(s(rest), r.afterFirst) << r.path;
        EXPECT_EQ(found, r.found);
        EXPECT_EQ(s(vbSubPathEnd(r.path, &rest, &found)), r.last) << r.path;
        EXPECT_EQ(s(rest), r.beforeLast) << r.path;
        EXPECT_EQ(found, r.found);
    }
    EXPECT_EQ(s(vbUrlSlash("a\\b\\c")), "a/b/c");
    EXPECT_EQ(s(vbUrlAslash("a/b/c")), "a\\b\\c");
}

TEST(vbDnUrl, ProtocolsAndDrives)
{
    struct Row {
        const char* url;
        bool strip;
        const char* protocol;
        const char* rest;
        bool slashes;
    };
    const Row rows[] = {
        {"  Res : x", false, "res", "x", false},
        {"/ab:c", false, "", "/ab:c", false},
        {"abc:// x", true, "abc", "x", true},
        {"abc:// x", false, "abc", "// x", true},
        {"HTTP://x", true, "http", "x", true},
        {"ht-p://x", true, "", "ht-p://x", false},
        {"ab://x", true, "", "ab://x", false},
        {"D:\\dir\\a.jpg", true, "", "D:\\dir\\a.jpg", false},
        {"no colon", true, "", "no colon", false},
        {"\xC4\xB0tp:x", true, "", "\xC4\xB0tp:x", false},
    };
    for (const Row& r : rows) {
        vbString rest;
        bool slashes = !r.slashes;
        EXPECT_EQ(s(vbGetProtocol(r.url, &rest, &slashes, r.strip)), r.protocol) << r.url;
        EXPECT_EQ(s(rest), r.rest) << r.url;
        EXPECT_EQ(slashes, r.slashes) << r.url;
    }

    const std::vector<std::vector<const char*>> drives = {
        {"file:c:\\x", "C", "\\x"},
        {"e:pics\\a.jpg", "E", "pics\\a.jpg"},
        {"/home/u:x", "", "/home/u:x"},
        {"ftp://h:21/x", "", "h:21/x"},
        {"a-b:x", "", "a-b:x"},
    };
    for (const auto& row : drives) {
        vbString rest;
        EXPECT_EQ(s(vbGetDrive(row[0], &rest)), row[1]) << row[0];
        EXPECT_EQ(s(rest), row[2]) << row[0];
    }
    EXPECT_EQ(s(vbSetProtocol("h/x", "xyz")), "xyz://h/x");
    EXPECT_EQ(s(vbSetProtocol("ftp:// h/x", "xyz")), "xyz://h/x");
}

TEST(vbDnUrl, AbsoluteTest)
{
    const std::pair<const char*, bool> rows[] = {
        {"/home/u/a.jpg", true}, {"file:/tmp/x", true}, {"e:pics\\a.jpg", true}, {"ftp:x", false},
        {"pics/a.jpg", false}, {"\\\\server\\share", true}, {"data:x", true}, {"res:x", false},
        {"res://x", true}, {"", false},
    };
    for (const auto& [url, absolute] : rows)
        EXPECT_EQ(vbIsAbsUrl(url), absolute) << url;
}

// Gives the root "xyz://root/dir/" for "xyz" and "/roots/" for plain paths.
struct Roots : sIvbUrlRoots {
    vbString GetUrlRootForProtocol(const vbString& protocol) override
    {
        asked.push_back(s(protocol));
        if (protocol == "xyz")
            return "xyz://root/dir/";
        return protocol.IsEmpty() ? "/roots/" : "";
    }
    std::vector<std::string> asked;
};

TEST(vbDnUrl, Joins)
{
    struct Row {
        const char* url;
        const char* base;
        const char* result;
    };
    const Row made[] = {
        {"b/c.jpg", "/home/u/p.picf", "file:/home/u/b/c.jpg"},
        {"../x.png", "/home/u/p.picf", "file:/home/x.png"},
        {"x.png", "/p.picf", "file:/x.png"},
        {"x.png", "D:\\p.picf", "file:D:\\x.png"},
        {"b/c.jpg", "D:\\dir\\page.picf", "file:D:\\dir\\b\\c.jpg"},
        {"../../x.png", "xyz://srv/dir/page", "xyz://srv/x.png"},
        {"../x.png", "xyz://srv/dir/page", "xyz://srv/x.png"},
        {"/x.png", "xyz://srv/dir/page", "/x.png"},
        {"a.jpg?v=2", "xyz://srv/dir/page?q=1", "xyz://srv/dir/a.jpg?v=2"},
        {"dir/", "xyz://srv/d/page", "xyz://srv/d/dir/"},
        {"./", "/home/u/p.picf", "file:/home/u/"},
        {"..", "/home/u/p.picf", "file:/home/"},
        {"../../../x", "/home/p.picf", "file:/x"},
        {"f:x.png", "D:\\dir\\page.picf", "f:x.png"},
        {"xyz:x.png", "/home/u/p.picf", "xyz://root/dir/x.png"},
        {"res:doAssembly", "", "res:doAssembly"},
        {"/home/u/a.jpg", "xyz://srv/d", "/home/u/a.jpg"},
    };
    Roots roots;
    for (const Row& r : made)
        EXPECT_EQ(s(vbMakeAbsUrl(r.url, vbString(r.base), &roots)), r.result) << r.url << " against " << r.base;
    EXPECT_EQ(s(vbMakeAbsUrl("img.png", static_cast<const char*>(nullptr), &roots)), "file:/roots/img.png");
    expectEsys([] { vbMakeAbsUrl("img.png", static_cast<const char*>(nullptr)); }, E_FAIL,
        "vbMakeAbsUrl(img.png) : no root url");

    const Row added[] = {
        {"q.png#top", "xyz://h/d/p#frag", "xyz://h/d/q.png#top"},
        {"a.png", "xyz://h", "xyz://h/a.png"},
        {"/a.png", "xyz://h/d/p", "xyz://h/a.png"},
        {"/a.png", "D:\\d\\p", "file:D:/a.png"},
        {"E:b\\c.png", "D:\\d\\p", "file:E:\\d\\b\\c.png"},
        {"x", "file:D:\\", "file:D:\\x"},
        {"..", "xyz://h", "xyz://h/"},
    };
    for (const Row& r : added)
        EXPECT_EQ(s(vbAddPath(r.base, r.url)), r.result) << r.url << " onto " << r.base;
    EXPECT_EQ(s(vbAddPath("", "a.png", &roots)), "file:/roots/a.png");
    EXPECT_EQ(s(vbAddPath("xyz://h", "")), "xyz://h");
    EXPECT_EQ(s(vbAddPath(" /home/u/ ", " x ")), "file:/home/u/x");

    // A long relative URL is walked once, not once per component.
    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "d/";
    for (int i = 0; i < 100000; ++i)
        deep += "../";
    EXPECT_EQ(s(vbAddPath("/r/p", vbString(deep.c_str()) + "x")), "file:/r/x");
    expectEsys([] { vbAddPath("", "a.png", nullptr); }, E_FAIL, "vbAddPath(a.png) : no current url");
    expectEsys([] { vbAddPath("?x", "a.png", nullptr); }, E_FAIL, "vbAddPath(a.png) : no current url");
}

struct Res {
    bool ok = false;
    vbString module, name, type;
    LPCSTR namePtr = nullptr, typePtr = nullptr;
};

Res parse(const char* url, bool withModule = true)
{
    Res r;
    r.ok = vbGetResUrl(url, withModule ? &r.module : nullptr, &r.name, &r.namePtr, &r.type, &r.typePtr);
    return r;
}

// An integer id, or -1 for a text.
long idOf(LPCSTR p) { return IS_INTRESOURCE(p) ? static_cast<long>(reinterpret_cast<ULONG_PTR>(p)) : -1; }

TEST(vbDnUrl, ResourceUrls)
{
    struct Row {
        const char* url;
        bool ok;
        const char* module;
        const char* name;
        long nameId; // -1: namePtr points to the name
        const char* type;
        long typeId; // -1: typePtr points to the type
    };
    const Row rows[] = {
        {"res://m/#-2!ICON", true, "m", "-3", -1, "ICON", 14},
        {"res:x!#65537", true, "", "x", -1, "#65537", 1},
        {"res://m/#70000", false, "", "", 0, "", 0},
        {"res://m/#65535", true, "m", "#65535", 65535, "", 0},
        {"res://a\\b/c", true, "a\\b", "c", -1, "", 0},
        {"res:", false, "", "", 0, "", 0},
        {"res:doAssembly", true, "", "doAssembly", -1, "", 0},
        {"res://VantBaseV5/hourglass!anicursor", true, "VantBaseV5", "hourglass", -1, "ANICURSOR", 21},
        {"res://lib.dll/#101!#3", true, "lib.dll", "#101", 101, "#3", 3},
        {"res://lib.dll/#0!ICON", true, "lib.dll", "-1", -1, "ICON", 14},
        {"res://a/b/c!d!e", true, "a/b", "c!d", -1, "E", -1},
        {"res://a%20b/x", true, "a b", "x", -1, "", 0},
        {"res://m/!ICON", false, "", "", 0, "", 0},
        {"file:x", false, "", "", 0, "", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.url);
        const Res r = parse(row.url);
        EXPECT_EQ(r.ok, row.ok);
        if (!row.ok || !r.ok)
            continue;
        EXPECT_EQ(s(r.module), row.module);
        EXPECT_EQ(s(r.name), row.name);
        EXPECT_EQ(s(r.type), row.type);
        EXPECT_EQ(idOf(r.namePtr), row.nameId);
        if (row.nameId == -1) {
            EXPECT_EQ(r.namePtr, r.name.c_str());
        }
        EXPECT_EQ(idOf(r.typePtr), row.typeId);
        if (row.typeId == -1) {
            EXPECT_EQ(r.typePtr, r.type.c_str());
        }
    }
    EXPECT_FALSE(parse("res://m/x", false).ok) << "a module part needs the module out-parameter";
    EXPECT_TRUE(vbGetResUrl("RES:anything", nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_FALSE(vbGetResUrl("data:x", nullptr, nullptr, nullptr, nullptr, nullptr));
    LPCSTR typePtr = nullptr;
    vbString name;
    EXPECT_FALSE(vbGetResUrl("res:x!PNG", nullptr, &name, nullptr, nullptr, &typePtr))
        << "a named type needs the type out-parameter";
    EXPECT_FALSE(vbGetResUrl("res:abc", nullptr, nullptr, nullptr, nullptr, &typePtr)) << "a named resource needs the name";
    EXPECT_TRUE(vbGetResUrl("res:#3", nullptr, nullptr, nullptr, nullptr, &typePtr)) << "an integer id does not";

    EXPECT_EQ(s(vbMakeResUrl("pic", "BMPX", nullptr)), "res:pic!BMPX");
    EXPECT_EQ(s(vbMakeResUrl(MAKEINTRESOURCEA(7), RT_GROUP_ICON, nullptr)), "res:#7!#14");
    EXPECT_EQ(s(vbMakeResUrl("pic", nullptr, nullptr)), "res:pic");
}

TEST(vbDnUrl, FileTypeIcons)
{
    vbRegKey(vbRegClassesRoot, ".tst").SetDefaultValue(vbVariant(vbString("tstfile")));
    vbRegKey(vbRegClassesRoot, "tstfile\\DefaultIcon").SetDefaultValue(vbVariant(vbString("/opt/i.so,-101")));
    vbRegKey(vbRegClassesRoot, ".two\\DefaultIcon").SetDefaultValue(vbVariant(vbString(" /opt/j.so , 2")));
    vbRegKey(vbRegClassesRoot, ".env\\DefaultIcon").SetDefaultValue(vbVariant(vbString("%HOME%/k.so")));
    vbRegKey(vbRegClassesRoot, ".loop\\DefaultIcon").SetDefaultValue(vbVariant(vbString("*.loop!x")));

    Res r = parse("res://*.tst");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(s(r.module), "/opt/i.so");
    EXPECT_EQ(idOf(r.namePtr), 101);
    r = parse("res://*.two!lib/#1");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(s(r.module), "/opt/j.so");
    EXPECT_EQ(s(r.name), "-3") << "index 2: the third";

    r = parse("res://*.qqq!lib/#1!ICON");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(s(r.module), "lib");
    EXPECT_EQ(idOf(r.namePtr), 1);
    EXPECT_EQ(idOf(r.typePtr), 14);
    EXPECT_FALSE(parse("res://*.qqq").ok);
    EXPECT_FALSE(parse("res://*.env").ok) << "an unexpanded variable ends the search";
    EXPECT_FALSE(parse("res://*.loop").ok) << "icons that lead back to file types end";
}

TEST(vbDnUrl, FileNetAndDataForms)
{
    const std::vector<std::pair<const char*, const char*>> files = {
        {"file:/home/u/my%20pic.jpg", "/home/u/my%20pic.jpg"},
        {"file:C:\\x\\y.jpg", "C:/x/y.jpg"},
        {"file:///tmp/a", "/tmp/a"},
        {"/home/u/a b.jpg", "/home/u/a b.jpg"},
    };
    for (const auto& [url, path] : files) {
        vbString out;
        EXPECT_TRUE(vbGetFileUrl(url, &out)) << url;
        EXPECT_EQ(s(out), path);
    }
    vbString out;
    EXPECT_FALSE(vbGetFileUrl("xyz://h/x", &out));
    EXPECT_FALSE(vbGetFileUrl("file:", &out));
    EXPECT_TRUE(vbGetFileUrl("file:", nullptr));

    EXPECT_TRUE(vbGetNetUrl("gopher://h", &out));
    EXPECT_EQ(s(out), "h");
    EXPECT_FALSE(vbGetNetUrl("https://", &out));
    EXPECT_FALSE(vbGetNetUrl("xyz://h", &out));

    const std::vector<std::pair<const char*, const char*>> data = {
        {"DATA: // x ", "x"}, {"data:abc", "abc"}, {"data://abc", "abc"},
        {"data:text/plain;base64,SGk=", "text/plain;base64,SGk="}, {"data:a%20b", "a%20b"},
    };
    for (const auto& [url, content] : data) {
        EXPECT_TRUE(vbGetDataUrl(url, &out)) << url;
        EXPECT_EQ(s(out), content);
    }
    EXPECT_FALSE(vbGetDataUrl("res:x", &out));
}

TEST(vbDnUrl, ResourcesOfModules)
{
    HMODULE module = LoadLibraryA(VNT_BIN_DIR "/vb_testmod_icons.so");
    ASSERT_NE(module, nullptr);
    // Named resources first, in upper case as the module stores them, then the integer ids.
    const char* expected[] = {"A", "B", "#3", "#7", ""};
    for (int i = 1; i <= 5; ++i)
        EXPECT_EQ(s(vbGetResNo(i, RT_GROUP_ICON, module)), expected[i - 1]) << i;
    EXPECT_EQ(s(vbGetResNo(0, RT_GROUP_ICON, module)), "");
    EXPECT_EQ(s(vbMakeResUrl("A", RT_GROUP_ICON, module)), "res://" VNT_BIN_DIR "/vb_testmod_icons.so/A!#14");
    FreeLibrary(module);

    // A module that is not loaded has no file name: the failure carries a failure code.
    try {
        vbMakeResUrl("A", nullptr, reinterpret_cast<HMODULE>(static_cast<ULONG_PTR>(0x5A5A0)));
        ADD_FAILURE() << "no exception";
    } catch (vbEsys* e) {
        EXPECT_STREQ(e->GetMsg(), "vbMakeResUrl() failure");
        EXPECT_LT(e->GetRealHR(), 0);
        e->Delete();
    }
}

} // namespace
