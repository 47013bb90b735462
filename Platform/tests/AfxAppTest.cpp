#include "plat/afxdlgs.h"
#include "plat/afxwin.h"
#include "plat/msgbox.h"


#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class TestApp : public CWinApp {
public:
    BOOL initAnswer = TRUE;
    bool makeWindow = false;
    int exitCalls = 0;
    LONG idleLimit = 2; // OnIdle answers TRUE below this count
    std::vector<LONG> idleCounts;
    CWnd* window = nullptr;

    BOOL InitInstance() override
    {
        if (makeWindow) {
            window = new CWnd;
            window->CreateEx(0, nullptr, "main", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr);
            m_pMainWnd = window;
        }
        return initAnswer;
    }
    int ExitInstance() override
    {
        ++exitCalls;
        return CWinApp::ExitInstance() + 40;
    }
    BOOL OnIdle(LONG lCount) override
    {
        idleCounts.push_back(lCount);
        if (lCount == idleLimit && idleCounts.size() == size_t(idleLimit) + 1 && window)
            window->PostMessage(WM_NULL); // one message after the first idle run
        else if (lCount == idleLimit && window)
            window->DestroyWindow();
        return lCount < idleLimit;
    }
    ~TestApp() override { delete window; }
};

TEST(AfxApp, InitInstanceFalseCallsExitInstanceOnceAndSetsTheArguments)
{
    TestApp app;
    app.initAnswer = FALSE;
    char arg0[] = "prog", arg1[] = "-x", arg2[] = "file name";
    char* argv[] = {arg0, arg1, arg2, nullptr};
    EXPECT_EQ(AfxWinMain(3, argv), 40);
    EXPECT_EQ(app.exitCalls, 1);
    EXPECT_EQ(__argc, 3);
    EXPECT_STREQ(__argv[2], "file name");
    EXPECT_STREQ(app.m_lpCmdLine, "-x file name");
    EXPECT_EQ(AfxGetApp(), &app);
}

TEST(AfxApp, WithoutAMainWindowRunEndsAtOnce)
{
    TestApp app;
    char arg0[] = "prog";
    char* argv[] = {arg0, nullptr};
    EXPECT_EQ(AfxWinMain(1, argv), 40);
    EXPECT_EQ(app.exitCalls, 1);
    EXPECT_TRUE(app.idleCounts.empty());
}

TEST(AfxApp, IdleCountsRiseUntilFalseRestartAfterAMessageAndTheMainWindowEndsRun)
{
    TestApp app;
    app.makeWindow = true;
    char arg0[] = "prog";
    char* argv[] = {arg0, nullptr};
    EXPECT_EQ(AfxWinMain(1, argv), 40);
    EXPECT_EQ(app.idleCounts, (std::vector<LONG>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(app.m_pMainWnd, nullptr) << "the main window's end clears it";
    EXPECT_EQ(app.exitCalls, 1);
}

class FileDialogTest : public ::testing::Test {
protected:
    // A folder of the test's own, gone afterwards.
    struct Folder {
        std::string name;
        Folder()
        {
            std::string pattern = std::filesystem::temp_directory_path().string() + "/filedlgXXXXXX";
            name = mkdtemp(pattern.data()) ? pattern : std::string();
        }
        ~Folder() { std::filesystem::remove_all(name); }
        const std::string& path() const { return name; }
    } dir;
    void SetUp() override
    {
        plat::resetFileDialogPolicy();
        plat::resetMessageBoxPolicy();
    }
    void TearDown() override
    {
        plat::resetFileDialogPolicy();
        plat::resetMessageBoxPolicy();
    }
    std::string touch(const std::string& name)
    {
        const std::string path = dir.path() + "/" + name;
        std::ofstream(path) << "x";
        return path;
    }
};

TEST_F(FileDialogTest, FiltersAreRecordedAsPairsAndAnEmptyQueueCancels)
{
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, "JPEG images|*.jpg;*.jpeg||");
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    const auto records = plat::fileDialogRecords();
    ASSERT_EQ(records.size(), 1u);
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(records[0].filters, (Pairs{{"JPEG images", "*.jpg;*.jpeg"}}));
    EXPECT_TRUE(records[0].flags & OFN_EXPLORER);
}

TEST_F(FileDialogTest, TheDefaultExtensionIsAddedAfterOneDot)
{
    struct Case {
        const char* defExt;
        const char* picked;
        const char* name;
    } cases[] = {{".picf", "a", "a.picf"}, {"jpg", "b", "b.jpg"}, {".jpg", "c.png", "c.png"}, {nullptr, "d", "d"}};
    for (const Case& c : cases) {
        plat::setFileDialogAnswers({{false, {dir.path() + "/" + c.picked}}});
        CFileDialog dlg(FALSE, c.defExt, nullptr, 0);
        ASSERT_EQ(dlg.DoModal(), IDOK) << c.picked;
        EXPECT_EQ(dlg.GetPathName(), dir.path() + "/" + c.name);
    }
}

TEST_F(FileDialogTest, SeveralFilesComeBackInOrder)
{
    plat::setFileDialogAnswers({{false, {"one.jpg", "two.jpg", "three.jpg"}}});
    CFileDialog dlg(TRUE, nullptr, nullptr, OFN_ALLOWMULTISELECT);
    dlg.m_ofn.lpstrInitialDir = "/tmp";
    ASSERT_EQ(dlg.DoModal(), IDOK);
    std::vector<std::string> names;
    for (POSITION pos = dlg.GetStartPosition(); pos;)
        names.push_back(dlg.GetNextPathName(pos));
    EXPECT_EQ(names, (std::vector<std::string>{"/tmp/one.jpg", "/tmp/two.jpg", "/tmp/three.jpg"}));
}

TEST_F(FileDialogTest, ATooSmallBufferReportsTheSizeItNeeds)
{
    plat::setFileDialogAnswers({{false, {"/tmp/long-enough-name.jpg"}}});
    char buffer[10] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = sizeof buffer;
    EXPECT_FALSE(GetOpenFileNameA(&ofn));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(FNERR_BUFFERTOOSMALL));
    WORD needed;
    std::memcpy(&needed, buffer, 2);
    EXPECT_EQ(needed, sizeof "/tmp/long-enough-name.jpg");
}

TEST_F(FileDialogTest, FailedChecksSpeakInABoxAndCancel)
{
    const std::string existing = touch("there.picf");
    plat::setMessageBoxAnswer(IDNO);
    plat::setFileDialogAnswers({{false, {existing}}, {false, {dir.path() + "/missing.jpg"}}});
    CFileDialog save(FALSE, ".picf", nullptr, OFN_OVERWRITEPROMPT);
    EXPECT_EQ(save.DoModal(), IDCANCEL);
    CFileDialog open(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST);
    EXPECT_EQ(open.DoModal(), IDCANCEL);
    const auto boxes = plat::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "there.picf already exists.\nDo you want to replace it?");
    EXPECT_EQ(boxes[0].type, UINT(MB_YESNO | MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes[1].text.rfind("missing.jpg\n", 0), 0u);
}

} // namespace
