#include "vbException.h"
#include "vbFileTools.h"

#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

std::string home() { return vnt::test::testHome().string(); }

void touch(const std::string& path, const char* text = "x") { std::ofstream(path) << text; }

// Runs f, expects a vbEsys with the message (and the code when given), and deletes it.
template <class F>
void expectEsys(F f, const std::string& msg, HRESULT hr)
{
    try {
        f();
        ADD_FAILURE() << "no exception; expected: " << msg;
    } catch (vbEsys* e) {
        EXPECT_EQ(std::string(e->GetMsg()), msg);
        EXPECT_EQ(e->GetRealHR(), hr) << std::hex << e->GetRealHR();
        e->Delete();
    }
}

TEST(vbFileTools, PathText)
{
    const struct {
        vbString got;
        const char* want;
    } cases[] = {
        {vbGetFileExt("a.b\\c", true), ""},
        {vbGetFileExt("a.b/c", false), ""},
        {vbGetFileExt("c.txt", false), "txt"},
        {vbGetFileExt("d/c.txt", true), ".txt"},
        {vbGetFileName("d:/x/name.tar.gz"), "name.tar"},
        {vbGetFileName("c:\\x\\name"), "name"},
        {vbGetFileNameExt("/usr/lib/libx.so"), "libx.so"},
        {vbGetFileDir("/usr/lib/libx.so", true), "/usr/lib/"},
        {vbGetFileDir("c:\\d\\f.txt", false), "c:\\d"},
        {vbGetFileDir("f.txt", true), ""},
        {vbEndSlash("c:\\tmp\\/\\"), "c:\\tmp\\"},
        {vbEndSlash("/tmp//", false), "/tmp/"},
        {vbNoEndSlash("/tmp/x//"), "/tmp/x"},
        {vbNoEndSlash(nullptr), ""},
        {vbGetFilePath("file", "c:\\d\\", "txt"), "c:\\d\\file.txt"},
        {vbGetFilePath("c:file", "c:\\d\\", "txt"), "c:file.txt"},
        {vbGetFilePath(" name ", "/d/", ""), "/d/name."},
        {vbGetFilePath("/abs/f", "/d/", "x"), "/abs/f.x"},
        {vbGetFilePath("HTTP://h/f.jpg", "/d/", "x"), "HTTP://h/f.jpg"},
        {vbGetFilePath("\\\\server\\f", "/d/", "x"), "\\\\server\\f.x"},
        {vbGetFilePath("a.b/f", "/d/", "x"), "/d/a.b/f.x"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.got, c.want);
}

TEST(vbFileTools, WildcardMatch)
{
    const struct {
        const char* pattern;
        const char* path;
        bool match;
        bool matchCase;
    } cases[] = {
        {"*.TXT", "a.txt", true, false},
        {"*.txt", "a.txt", true, true},
        {"*.txt", "a.b.txt", true, true},
        {"*a", "bab", false, false},
        {"*", "anything", true, true},
        {"*", "", true, true},
        {"a?c", "abc", true, true},
        {"a?c", "ac", false, false},
        {"dir/*.jpg", "dir\\x.jpg", true, true},
        {"*x", "", false, false},
        {"abc", "abcd", false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(vbMatchPath(c.pattern, c.path) == 0, c.match) << c.pattern << " " << c.path;
        EXPECT_EQ(vbMatchPathCase(c.pattern, c.path) == 0, c.matchCase) << c.pattern << " " << c.path;
    }
}

TEST(vbFileTools, MakeDirWithParents)
{
    const std::string deep = home() + "/a/b/c";
    vbMakeDir(deep.c_str(), true);
    EXPECT_TRUE(vbDirExists(deep.c_str()));
    vbMakeDir((deep + "//").c_str(), true); // an existing folder is fine
    vbMakeDir((home() + "\\a\\b").c_str(), false);
    vbMakeDir("", true);

    touch(home() + "/file");
    expectEsys([] { vbMakeDir((home() + "/file/").c_str(), true); },
        "vbMakeDir() : file '" + home() + "/file' exists and isn't a directory", E_FAIL);
    expectEsys([] { vbMakeDir((home() + "/missing/x").c_str(), false); },
        "vbMakeDir() : can't create directory '" + home() + "/missing/x'", static_cast<HRESULT>(0x80070003));
}

TEST(vbFileTools, FileOperationsAnswerOrThrow)
{
    const std::string src = home() + "/src.txt";
    const std::string dst = home() + "/dst.txt";
    touch(src, "data");
    EXPECT_TRUE(vbFileExists(src.c_str()));
    EXPECT_FALSE(vbDirExists(src.c_str()));
    EXPECT_TRUE(vbPathExists(home().c_str()));
    EXPECT_FALSE(vbFileExists(home().c_str()));

    EXPECT_TRUE(vbCopyFile(src.c_str(), dst.c_str(), true, true));
    EXPECT_FALSE(vbCopyFile(src.c_str(), dst.c_str(), true, false));
    expectEsys([&] { vbCopyFile(src.c_str(), dst.c_str(), true, true); },
        "vbCopyFile() : can't copy file '" + src + "' to new file '" + dst + "'", static_cast<HRESULT>(0x80070050));
    EXPECT_TRUE(vbDeleteFile(dst.c_str(), true));
    EXPECT_FALSE(vbDeleteFile(dst.c_str(), false));
    expectEsys([&] { vbDeleteFile(dst.c_str(), true); }, "vbDeleteFile() : can't delete file '" + dst + "'",
        static_cast<HRESULT>(0x80070002));
    EXPECT_TRUE(vbMoveFile(src.c_str(), dst.c_str(), true));
    expectEsys([&] { vbMoveFile(src.c_str(), dst.c_str(), true); },
        "vbMoveFile() : can't move file '" + src + "' to new location '" + dst + "'", static_cast<HRESULT>(0x80070002));

    // A folder that cannot go is a failure, with or without bThrow.
    const std::string dir = home() + "/full";
    vbMakeDir(dir.c_str(), false);
    touch(dir + "/keep");
    EXPECT_FALSE(vbDeleteDir(dir.c_str(), false));
    expectEsys([&] { vbDeleteDir(dir.c_str(), true); }, "vbDeleteDir() : can't delete directory '" + dir + "'",
        static_cast<HRESULT>(0x80070091));
    EXPECT_FALSE(vbDeleteDir((home() + "/none").c_str(), false));
    EXPECT_TRUE(vbDeleteFile((dir + "/keep").c_str(), true));
    EXPECT_TRUE(vbDeleteDir(dir.c_str(), true));
    EXPECT_FALSE(vbPathExists(dir.c_str()));
}

TEST(vbFileTools, Attributes)
{
    const std::string file = home() + "/f";
    touch(file);
    vbFileAttr dir(home().c_str(), true);
    EXPECT_TRUE(dir.IsDir());
    EXPECT_TRUE(dir & 0x11);
    EXPECT_TRUE(dir.HasAll(0x10));
    EXPECT_FALSE(dir.HasAll(0x11)); // only when every bit is there
    vbFileAttr plain(file.c_str(), false);
    EXPECT_FALSE(plain.IsDir());
    EXPECT_TRUE(plain.IsValid());

    vbFileAttr none;
    EXPECT_TRUE(none.IsEmpty());
    EXPECT_FALSE(none.HasAll(0));
    EXPECT_FALSE(none & 0xFFFFFFFFu);
    EXPECT_FALSE(none.IsReadOnly());
    EXPECT_FALSE(none.Set((home() + "/none").c_str(), false));
    expectEsys([] { vbFileAttr((home() + "/none").c_str(), true); },
        "vbFileAttr() : file '" + home() + "/none' doesn't exist", static_cast<HRESULT>(0x80070002));
}

TEST(vbFileTools, SystemFoldersAndTempFiles)
{
    vbString temp = vbGetTempDir(true);
    ASSERT_TRUE(temp.IsValid());
    EXPECT_EQ(temp[temp.GetLength()], '/');
    EXPECT_NE(vbGetTempDir(false)[vbGetTempDir(false).GetLength()], '/');
    EXPECT_TRUE(vbDirExists(vbGetCurrentDir(false)));

    vbString made = vbGetTempFile("abc", 0, (home() + "/").c_str());
    EXPECT_TRUE(vbFileExists(made));
    EXPECT_EQ(vbGetFileDir(made, true), vbString((home() + "/").c_str()));
    EXPECT_EQ(vbGetFileNameExt(made).Left(3), vbString("abc"));
    expectEsys([] { vbGetTempFile(nullptr, 0, (home() + "/none/").c_str()); },
        "vbGetNewTempFilePath() : can't create temp file", static_cast<HRESULT>(0x8007010B)); // ERROR_DIRECTORY

    EXPECT_STREQ(vbGetFullPath((home() + "/x/../f").c_str()), (home() + "/f").c_str());
}

TEST(vbFileTools, ShellFolders)
{
    vbString docs = vbGetShellFolder(0x0005, false); // the documents folder
    EXPECT_EQ(docs.Left(static_cast<int>(home().size())), vbString(home().c_str()));
    EXPECT_EQ(docs[docs.GetLength()], '/');
    EXPECT_EQ(vbGetShellFolder(0x0005, true) + "/", docs);
    expectEsys([] { vbGetShellFolder(0x7777, true); },
        "Instruction '::SHGetSpecialFolderLocation(NULL,nFolder,&pidl)' failed !", E_INVALIDARG);
}

TEST(vbFileTools, UserAndComputerNames)
{
    EXPECT_TRUE(vbGetUserName().IsValid());
    EXPECT_TRUE(vbGetComputerName().IsValid());
}

TEST(vbFileTools, CurrentFolder)
{
    vbString before = vbGetCurrentDir(true);
    EXPECT_TRUE(vbSetCurrentDir(home().c_str(), true));
    EXPECT_STREQ(vbGetCurrentDir(false), home().c_str());
    EXPECT_FALSE(vbSetCurrentDir((home() + "/none").c_str(), false));
    expectEsys([] { vbSetCurrentDir((home() + "/none").c_str(), true); },
        "Can't set current directory to '" + home() + "/none'", static_cast<HRESULT>(0x80070002));
    EXPECT_TRUE(vbSetCurrentDir(before, true));
}

} // namespace
