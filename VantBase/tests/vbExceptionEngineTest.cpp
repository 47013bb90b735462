#include "LogFileReader.h"

#include "vbApp.h"
#include "vbEngine.h"
#include "vbException.h"
#include "vbExceptionEngine.h"
#include "vbExceptionReport.h"

#include "plat/handles.h"
#include "plat/message.h"
#include "plat/msgbox.h"
#include "plat/sync.h"
#include "plat/thread.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The centre in use, with a vbApp as the calling thread's context.
class vbShowExceptionWithApp : public ::testing::Test {
protected:
    void SetUp() override
    {
        plat::resetMessageBoxPolicy();
        m_use.StartUse(true);
        ASSERT_EQ(g_vbExceptionEngine.SetContext(&m_app), nullptr);
    }
    void TearDown() override
    {
        EXPECT_EQ(g_vbExceptionEngine.SetContext(nullptr), &m_app);
        m_use.StopUse();
    }

    vbApp m_app{"id", "PicTest"};
    vbUseEngineCenter m_use;
};

TEST_F(vbShowExceptionWithApp, ShowExceptionTracesAndShowsABox)
{
    EXPECT_EQ(vbShowException(new vbEsys("x"), true, "place.cpp", 12), IDOK);
    const auto boxes = plat::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "x");
    EXPECT_EQ(boxes[0].caption, "System error ! / PicTest");
    EXPECT_EQ(boxes[0].type, 16u);
    const std::string log = readLogFile();
    EXPECT_NE(log.find("<<EXCEPTION ! mbtrace" + std::string(99, '-') + "<<"), std::string::npos);
    EXPECT_NE(log.find("place.cpp(12): System error / PicTest: x"), std::string::npos);
    EXPECT_EQ(log.find("Can't show MBox"), std::string::npos);
    EXPECT_TRUE(m_app.CanShowExceptionDlg()) << "the exception-dialog lock is given back";
    EXPECT_FALSE(m_app.IsDlgDispLocked());
    EXPECT_FALSE(m_app.IsDlgUseLocked());
}

TEST_F(vbShowExceptionWithApp, TextsAroundTheMessageAndTheCallersBoxType)
{
    plat::setMessageBoxAnswer(IDNO);
    vbEuser user("the file is locked", "while saving");
    EXPECT_EQ(vbShowException(&user, false, nullptr, 0, "Before", "After", MB_YESNO), IDNO);
    const auto boxes = plat::messageBoxRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Before\n\nthe file is locked\n\nAfter");
    EXPECT_EQ(boxes[0].caption, "User error ! / PicTest");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_ICONEXCLAMATION | MB_YESNO));
}

TEST_F(vbShowExceptionWithApp, AnExceptionWhileABoxIsOpenOnlyGoesToTheLog)
{
    m_app.LockExceptionDlg();
    EXPECT_FALSE(m_app.CanShowDlg());
    EXPECT_FALSE(m_app.CanShowExceptionDlg());
    EXPECT_EQ(vbShowException(new vbEsys("second"), true, nullptr, 0), 0);
    m_app.UnlockExceptionDlg();
    EXPECT_TRUE(m_app.CanShowDlg());
    EXPECT_TRUE(plat::messageBoxRecords().empty());
    EXPECT_NE(readLogFile().find("(Can't show MBox) System error / PicTest: second"), std::string::npos);
}

TEST_F(vbShowExceptionWithApp, MBoxIsForbiddenWhileTheDisplayLockIsHeldAndKeepsAPendingQuit)
{
    m_app.dlgDispLock();
    EXPECT_EQ(vbMBox(nullptr, vbString("text"), vbString("Title"), MB_OK), 0);
    m_app.dlgDispUnlock();
    EXPECT_TRUE(plat::messageBoxRecords().empty());
    EXPECT_NE(readLogFile().find("VantBase / MBox display forbidden: Title / text"), std::string::npos);

    PostQuitMessage(3);
    EXPECT_EQ(vbMBox(nullptr, vbString("text"), vbString(), MB_OK), IDOK);
    ASSERT_EQ(plat::messageBoxRecords().size(), 1u);
    EXPECT_EQ(plat::messageBoxRecords()[0].caption, "PicTest");
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(vbShowExceptionWithApp, ContextsArePerThreadWithADefault)
{
    vbApp other("other", "Other");
    EXPECT_EQ(g_vbExceptionEngine.GetContext(), &m_app);
    EXPECT_EQ(g_vbExceptionEngine.SetDefaultContext(&other), nullptr);

    struct Seen {
        sIvbExceptionCtx* before;
        sIvbExceptionCtx* own;
    } seen = {};
    DWORD tid = 0;
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* s = static_cast<Seen*>(p);
            s->before = g_vbExceptionEngine.GetContext();
            vbApp mine("mine", "Mine");
            g_vbExceptionEngine.SetContext(&mine);
            s->own = g_vbExceptionEngine.GetContext();
            g_vbExceptionEngine.SetContext(nullptr);
            return 0;
        },
        &seen, 0, &tid);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(seen.before, &other);
    EXPECT_NE(seen.own, nullptr);
    EXPECT_NE(seen.own, &other);
    EXPECT_EQ(g_vbExceptionEngine.GetContextCount(), 1);
    EXPECT_EQ(g_vbExceptionEngine.SetDefaultContext(nullptr), &other);
}

TEST(vbExceptionEngine, WithoutTheEngineNothingIsShownAndEverythingIsTraced)
{
    plat::resetMessageBoxPolicy();
    EXPECT_EQ(g_vbExceptionEngine.GetContext(), nullptr);
    EXPECT_TRUE(g_vbExceptionEngine.IsToTrace("vbEuser"));
    EXPECT_TRUE(g_vbExceptionEngine.IsToLog("vbEuser"));
    EXPECT_EQ(vbShowException(new vbEuser(vbString("not shown")), true, nullptr, 0), 0);
    EXPECT_EQ(vbMBox(nullptr, vbString("t"), vbString("T"), 0), 0);
    EXPECT_TRUE(plat::messageBoxRecords().empty());
    EXPECT_NE(readLogFile().find("(Can't show MBox) User error"), std::string::npos);

    vbApp app("id", "Label");
    try {
        g_vbExceptionEngine.SetContext(&app);
        ADD_FAILURE() << "no context without the engine";
    } catch (vbEsys* e) {
        EXPECT_STREQ(e->GetMsg(), "vbEngine(KVX Vantrel Exception Engine) : not started");
        e->Delete();
    }
}

TEST(vbExceptionEngine, StoppingForgetsTheContexts)
{
    vbApp app("id", "Label");
    {
        vbUseEngineCenter use(&g_vbEngineCenter, true);
        g_vbExceptionEngine.SetContext(&app);
        EXPECT_EQ(g_vbExceptionEngine.GetContextCount(), 1);
    }
    EXPECT_EQ(g_vbExceptionEngine.GetContextCount(), 0);
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    EXPECT_EQ(g_vbExceptionEngine.GetContext(), nullptr);
}

TEST(vbTraceException, WritesTheSourceAndDeletesOnlyWhenAsked)
{
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    vbApp app("id", "PicTest");
    g_vbExceptionEngine.SetContext(&app);
    vbEapp e(vbString("broken"), vbString("in the middle"));
    vbTraceException(&e, false, "where.cpp", 7);
    vbTraceException(nullptr, false, nullptr, 0);
    g_vbExceptionEngine.SetContext(nullptr);
    const std::string log = readLogFile();
    EXPECT_NE(log.find("<<EXCEPTION !trace" + std::string(102, '-') + "<<"), std::string::npos);
    EXPECT_NE(log.find("where.cpp(7): PicTest / Application error: broken"), std::string::npos);
    EXPECT_NE(log.find(" -> Context:"), std::string::npos);
    EXPECT_NE(log.find("PicTest / System exception: Unknown type exception !"), std::string::npos);
}

TEST(vbGetHR, NullAndFrameworkExceptions)
{
    EXPECT_EQ(vbGetHR(nullptr), static_cast<HRESULT>(0x80004003u));
    CMemoryException memory(FALSE);
    EXPECT_EQ(vbGetHR(&memory), static_cast<HRESULT>(0x8007000Eu));
    EXPECT_STREQ(vbGetMsg(&memory, false), "Not enough memory");
    EXPECT_STREQ(vbGetMsg(nullptr, false), "Unknown type exception !");
    vbEsys sys(E_ACCESSDENIED, "denied");
    EXPECT_EQ(vbGetHR(&sys), E_ACCESSDENIED);
    EXPECT_STREQ(vbGetMsg(&sys, true), "denied");
}

TEST(vbApp, LabelDefaultsToTheProductNameAndAnswersItsFaces)
{
    vbApp app("id", nullptr);
    vbString title;
    EXPECT_TRUE(app.GetAppTitle(&title));
    EXPECT_FALSE(title.IsEmpty());
    EXPECT_STREQ(app.GetAppLabel(), title);
    EXPECT_STREQ(app.GetAppId(), "id");

    void* itf = nullptr;
    EXPECT_TRUE(app.GetInterface(IID_sIvbExceptionCtx, &itf));
    EXPECT_EQ(itf, static_cast<sIvbExceptionCtx*>(&app));
    EXPECT_TRUE(app.GetInterface(IID_sIvbDlgCtx, &itf));
    EXPECT_EQ(itf, static_cast<sIvbDlgCtx*>(&app));
    EXPECT_TRUE(app.GetInterface(IID_vbApp, &itf));
    EXPECT_FALSE(app.GetInterface(IID_vbEngine, &itf));
    EXPECT_EQ(app.GetDlgParentHwnd(), nullptr);
}

} // namespace
