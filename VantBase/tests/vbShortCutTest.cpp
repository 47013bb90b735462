#include "vbTypesTestUtil.h"

#include "vbFileTools.h"
#include "vbPtr.h"

#include "testsupport/FileText.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

using vbtypes::expectEsys;

namespace {

std::string home() { return vnt::test::testHome().string(); }

struct vbShortCut : ::testing::Test {
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(vbShortCut, CreatesThenUpdatesTheLink)
{
    const std::string folder = home() + "/Corlund";
    std::filesystem::create_directory(folder);
    const vbString lnk = (folder + "/PicFlorvane.lnk").c_str();

    vbRefPtr<IShellLinkA, &IID_IShellLinkA> link;
    EXPECT_TRUE(vbCreateShortCut(lnk, "PicFlorvane 1.0.0.1", "/opt/corlund/PicFlorvane", "/Show", &link));
    EXPECT_EQ(vnt::test::fileText(lnk.c_str()), "[Desktop Entry]\nType=Application\nName=PicFlorvane 1.0.0.1\n"
                                     "Comment=PicFlorvane 1.0.0.1\nExec=\"/opt/corlund/PicFlorvane\" /Show\n");
    ASSERT_FALSE(link.IsNull());
    char text[256];
    link->GetPath(text, sizeof text, nullptr, 0);
    EXPECT_STREQ(text, "/opt/corlund/PicFlorvane");

    // An existing link is loaded first: what is not given again is kept.
    EXPECT_FALSE(vbCreateShortCut(lnk, "PicFlorvane 1.0.0.2", "", ""));
    EXPECT_EQ(vnt::test::fileText(lnk.c_str()), "[Desktop Entry]\nType=Application\nName=PicFlorvane 1.0.0.2\n"
                                     "Comment=PicFlorvane 1.0.0.2\nExec=\"/opt/corlund/PicFlorvane\" /Show\n");
}

TEST_F(vbShortCut, EachFailingStepNamesItsCall)
{
    const std::string lnk = home() + "/Tool.lnk";
    const std::string garbage = home() + "/garbage.lnk";
    std::ofstream(garbage) << "not a link";
    const std::string longText(5000, 'x');
    const struct {
        std::string file, description, target, arguments;
        DWORD clsCtx;
        HRESULT hr;
        const char* msg;
    } cases[] = {
        {lnk, "", "/bin/true", "", CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG,
            "Instruction '::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, *piid, (void**)&m_pObj)' failed !"},
        {garbage, "", "/bin/true", "", CLSCTX_INPROC_SERVER, E_FAIL,
            "Instruction 'prLinkFile->Load(bstr,STGM_READ)' failed !"},
        {lnk, longText, "/bin/true", "", CLSCTX_INPROC_SERVER, E_INVALIDARG,
            "Instruction 'prLink->SetDescription(desc)' failed !"},
        {lnk, "Tool", "C:\\Tools\\tool.exe", "", CLSCTX_INPROC_SERVER, HRESULT(0x80070003),
            "Instruction 'prLink->SetPath(target)' failed !"},
        {lnk, "Tool", "/bin/true", longText, CLSCTX_INPROC_SERVER, E_INVALIDARG,
            "Instruction 'prLink->SetArguments(arg)' failed !"},
        {home() + "/missing/Tool.lnk", "Tool", "/bin/true", "", CLSCTX_INPROC_SERVER, HRESULT(0x80070003),
            "Instruction 'prLinkFile->Save(bstr,TRUE)' failed !"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.msg);
        expectEsys([&] {
            vbCreateShortCut(c.file.c_str(), c.description.c_str(), c.target.c_str(), c.arguments.c_str(), nullptr,
                c.clsCtx);
        },
            c.hr, c.msg);
    }
    // Nothing was written: no link, the unreadable file as it was.
    EXPECT_FALSE(std::filesystem::exists(lnk));
    EXPECT_EQ(vnt::test::fileText(garbage), "not a link");
}

TEST(vbShortCutNoCom, NeedsComOnTheThread)
{
    expectEsys([] { vbCreateShortCut((home() + "/a.lnk").c_str(), "", "/bin/true", ""); }, CO_E_NOTINITIALIZED,
        "Instruction '::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, *piid, (void**)&m_pObj)' failed !");
}

} // namespace
