#include "vbTypesTestUtil.h"

#include "vbDirEnum.h"

#include "plat/file.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using vbtypes::expectEsys;

namespace {

namespace fs = std::filesystem;

std::vector<std::string> listAll(vbDirEnum& e)
{
    std::vector<std::string> names;
    vbString name;
    while (e.Next(&name, false))
        names.push_back(name.c_str());
    return names;
}

using Names = std::vector<std::string>;

// A folder with files of several extensions, a hidden file and two sub-folders.
class vbDirEnumTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = (vnt::test::testHome() / "d").string();
        fs::create_directories(m_dir + "/sub");
        fs::create_directories(m_dir + "/thumbs");
        for (const char* f : {"b.txt", "a.TXT", "c.jpg", "d.gif", "thumb1.jpg", "noext", ".hidden", "sub/x.txt", "sub/y.jpg"})
            std::ofstream(m_dir + "/" + f) << "x";
    }

    Names list(vbDirEnum& e)
    {
        e.Reset();
        return listAll(e);
    }

    std::string m_dir;
};

TEST_F(vbDirEnumTest, FolderWithOrWithoutSeparatorListsTheSameEntries)
{
    const Names all = {".hidden", "a.TXT", "b.txt", "c.jpg", "d.gif", "noext", "sub", "thumb1.jpg", "thumbs"};
    for (const std::string& path : {m_dir, m_dir + "/", "  " + m_dir + "  "}) {
        vbDirEnum e(path.c_str());
        EXPECT_EQ(listAll(e), all) << path;
        EXPECT_STREQ(e.GetDir(), (m_dir + "/").c_str());
        EXPECT_STREQ(e.GetShortDir(), (m_dir + "/").c_str());
    }
    vbDirEnum wild((m_dir + "/*.txt").c_str());
    EXPECT_EQ(listAll(wild), (Names{"a.TXT", "b.txt"}));
    EXPECT_STREQ(wild.GetDir(), (m_dir + "/").c_str());
    vbDirEnum one((m_dir + "/c.jpg").c_str());
    EXPECT_EQ(listAll(one), Names{"c.jpg"});
}

TEST_F(vbDirEnumTest, NamesWithoutAFolderListTheCurrentOne)
{
    const vbString previous = vbGetCurrentDir(true);
    vbSetCurrentDir(m_dir.c_str(), true);
    for (const char* path : {"", "*.txt"}) {
        vbDirEnum e(path);
        EXPECT_STREQ(e.GetDir(), "./") << path;
        EXPECT_STREQ(e.GetShortDir(), "./") << path;
        vbString name;
        ASSERT_TRUE(e.Next(&name, true)) << path;
        EXPECT_STREQ(e.GetPath(), ("./" + std::string(name.c_str())).c_str());
        EXPECT_STREQ(e.GetFullPath(), (m_dir + "/" + name.c_str()).c_str());
    }
    vbDirEnum txt("*.txt");
    EXPECT_EQ(listAll(txt), (Names{"a.TXT", "b.txt"}));
    vbSetCurrentDir(previous, true);
}

TEST_F(vbDirEnumTest, StepsToTheEndAndStartsAgain)
{
    vbDirEnum e((m_dir + "/*.txt").c_str());
    const std::string pattern = m_dir + "/*.txt";
    vbString name;
    ASSERT_TRUE(e.Next(&name, true));
    EXPECT_STREQ(name, "a.TXT");
    EXPECT_STREQ(e.GetPath(), (m_dir + "/a.TXT").c_str());
    EXPECT_EQ(e.GetError(), 0);
    ASSERT_TRUE(e.Next(&name, true));
    EXPECT_FALSE(e.Next(&name, true)) << "the end is no error once something was found";
    EXPECT_TRUE(e.IsEOD());
    EXPECT_TRUE(e.IsEODerror());
    EXPECT_EQ(static_cast<uint32_t>(e.GetError()), 0x80070012u);
    expectEsys([&] { e.GetName(); }, static_cast<HRESULT>(0x80070012u),
        "vbDirEnum::GetName() on path '" + pattern + "'failed : no current file");
    expectEsys([&] { e.GetPath(); }, static_cast<HRESULT>(0x80070012u),
        "vbDirEnum::GetName() on path '" + pattern + "'failed : no current file");
    expectEsys([&] { e.GetFileSize(); }, static_cast<HRESULT>(0x80070012u),
        "vbDirEnum::GetFileSize() on path '" + pattern + "'failed : no current file");
    EXPECT_EQ(list(e), (Names{"a.TXT", "b.txt"}));

    e.Close();
    EXPECT_FALSE(e.IsOpen());
    EXPECT_EQ(e.GetError(), E_FAIL);
    expectEsys([&] { e.Next(nullptr, false); }, E_FAIL, "vbDirEnum::Next() : vbDirEnum not opened");
    expectEsys([&] { e.GetDir(); }, E_FAIL, "vbDirEnum::GetDir() : vbDirEnum not opened");
    expectEsys([&] { e.GetShortDir(); }, E_FAIL, "vbDirEnum::GetShortDir() : vbDirEnum not opened");
}

TEST_F(vbDirEnumTest, NothingToListFailsOnlyWhenAsked)
{
    fs::create_directories(m_dir + "/empty");
    const std::string empty = m_dir + "/empty";
    vbDirEnum e(empty.c_str());
    vbString name;
    expectEsys([&] { e.Next(&name, true); }, static_cast<HRESULT>(0x80070012u),
        "vbDirEnum::Next() on path '" + empty + "/*.*' failed");
    e.Reset();
    EXPECT_FALSE(e.Next(&name, false));
    EXPECT_TRUE(e.IsEODerror());

    ASSERT_TRUE(e.Open((m_dir + "/*.xyz").c_str(), true));
    expectEsys([&] { e.Next(&name, true); }, static_cast<HRESULT>(0x80070002u),
        "vbDirEnum::Next() on path '" + m_dir + "/*.xyz' failed");
    EXPECT_FALSE(e.IsEODerror());

    const std::string missing = m_dir + "/missing/";
    EXPECT_FALSE(e.Open((missing + "*.txt").c_str(), false));
    EXPECT_FALSE(e.IsOpen()) << "not left open on a missing folder";
    expectEsys([&] { e.Open((missing + "*.txt").c_str(), true); }, E_FAIL,
        "vbDirEnum::Open() : directory '" + missing + "' doesn't exist");
}

TEST_F(vbDirEnumTest, EntryDetailsOfALargeFile)
{
    const std::string big = m_dir + "/big.bin";
    fs::resize_file(m_dir + "/noext", 0);
    { std::ofstream(big) << ""; }
    fs::resize_file(big, 5ull << 30); // sparse
    vbDirEnum e((m_dir + "/big.bin").c_str());
    ASSERT_TRUE(e.Next(nullptr, true));
    EXPECT_EQ(e.GetFileSize(), 5ull << 30);
    EXPECT_FALSE(e.GetAttr().IsDir());
    EXPECT_STREQ(e.GetShortName(), "");
    EXPECT_STREQ(e.GetShortPath(), e.GetPath());
    EXPECT_STREQ(e.GetFullPath(), big.c_str());
    EXPECT_STREQ(e.GetFullShortPath(), big.c_str());
    EXPECT_TRUE(e.GetWriteDate().IsValid());
    const FILETIME ft = e.GetWriteFT();
    EXPECT_EQ(double(e.GetWriteDate()), double(vbDate(ft)));
}

TEST_F(vbDirEnumTest, ExtensionPatternAndAttributeFilters)
{
    vbDirEnum e(m_dir.c_str());
    e.IncludeExt(".txt");
    EXPECT_EQ(list(e), (Names{"a.TXT", "b.txt", "sub", "thumbs"})) << "every folder stays";
    e.IncludeExt("=thumb*");
    EXPECT_EQ(list(e), (Names{"thumb1.jpg", "thumbs"})) << "folders only when they match";
    e.IncludeExt(" =thumb* ; .gif ");
    EXPECT_EQ(list(e), (Names{"d.gif", "sub", "thumb1.jpg", "thumbs"}));
    e.ResetExt();
    e.ExcludeExt(".jpg;.gif;=thumb*;hidden");
    EXPECT_EQ(list(e), (Names{"a.TXT", "b.txt", "noext", "sub"}));
    e.ResetAttrExt();
    e.ExcludeExt("DIR;.");
    EXPECT_EQ(list(e), (Names{".hidden", "a.TXT", "b.txt", "c.jpg", "d.gif", "thumb1.jpg"})) << "\".\": no extension";
    e.ResetAttrExt();

    vbArray<vbString> exts;
    exts.Add(".TXT");
    exts.Add("=c*");
    e.IncludeExt(exts);
    EXPECT_EQ(list(e), (Names{"a.TXT", "b.txt", "c.jpg", "sub", "thumbs"}));
    e.ResetExt();

    expectEsys([&] { e.ExcludeExt(".zz;.a;bogus;.b"); }, E_FAIL,
        "vbDirEnum::CheckExt() : 'bogus' isn't a valid extension or attribute");
    EXPECT_FALSE(e.IsExtOk(".A")) << "the items before the bad one hold";
    EXPECT_FALSE(e.IsExtOk(".zz"));
    EXPECT_TRUE(e.IsExtOk(".b")) << "the rest is dropped";
    EXPECT_TRUE(e.IsExtOk(".txt"));

    e.ResetAttrExt();
    e.IncludeAttr(FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(list(e), (Names{"sub", "thumbs"}));
    e.IncludeExt("hidden");
    EXPECT_EQ(list(e), (Names{".hidden", "sub", "thumbs"})) << "keywords widen an include mask";
    EXPECT_FALSE(e.IsAttrOk(FILE_ATTRIBUTE_NORMAL));
}

TEST_F(vbDirEnumTest, SlavesUseTheirRootsFilters)
{
    vbDirEnum root(m_dir.c_str());
    root.ExcludeExt(".jpg");
    vbDirEnum slave(&root, "sub");
    EXPECT_STREQ(slave.GetDir(), (m_dir + "/sub/").c_str());
    EXPECT_EQ(listAll(slave), Names{"x.txt"});
    vbDirEnum deeper(&slave, "");
    EXPECT_EQ(listAll(deeper), Names{"x.txt"}) << "an empty path under a parent lists the parent's folder";

    const std::string refusal = "() : this vbDirEnum is in slave mode (it has a parent), you can't change its attributes";
    expectEsys([&] { slave.IncludeExt(".txt"); }, E_FAIL, "vbDirEnum::IncludeExt" + refusal);
    expectEsys([&] { slave.ExcludeExt(vbArray<vbString>()); }, E_FAIL, "vbDirEnum::ExcludeExt" + refusal);
    expectEsys([&] { slave.IncludeAttr(0x10); }, E_FAIL, "vbDirEnum::IncludeAttr" + refusal);
    expectEsys([&] { slave.ExcludeAttr(0x10); }, E_FAIL, "vbDirEnum::ExcludeAttr" + refusal);
    slave.ResetAttrExt();
    EXPECT_FALSE(slave.IsExtOk(".jpg")) << "still the root's filters";

    vbDirEnum closed;
    expectEsys([&] { vbDirEnum(&closed, "  "); }, E_FAIL, "vbDirEnum::Open() : path is empty");
    EXPECT_FALSE(slave.Open(&root, "missing/*.txt", false));
    slave.IncludeExt(".txt"); // closed by the failed open, no longer a slave
}

TEST_F(vbDirEnumTest, CopiesStartTheirOwnSearch)
{
    vbDirEnum e((m_dir + "/*.txt").c_str());
    e.IncludeExt(".txt");
    vbString name;
    ASSERT_TRUE(e.Next(&name, false));
    vbDirEnum copy(e);
    EXPECT_TRUE(copy.IsEOD());
    EXPECT_EQ(listAll(copy), (Names{"a.TXT", "b.txt"}));
    ASSERT_TRUE(e.Next(&name, false));
    EXPECT_STREQ(name, "b.txt") << "the original goes on where it was";
    copy = e;
    EXPECT_TRUE(copy.IsEOD());
    EXPECT_STREQ(e.GetName(), "b.txt");
}

} // namespace
