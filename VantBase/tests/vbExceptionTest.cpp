#include "LogFileReader.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(vbException, EsysKeeps255CharactersAndTracesThem)
{
    const std::string longText(300, 'x');
    vbEsys* e = new vbEsys(0x80070005, longText.c_str());
    EXPECT_EQ(std::string(e->GetMsg()), std::string(255, 'x'));
    EXPECT_EQ(e->GetRealHR(), E_ACCESSDENIED);
    e->Delete();

    const std::string log = readLogFile();
    EXPECT_NE(log.find("EXCEPTION 'vbEsys' THROWN (80070005) / " + std::string(255, 'x') + "\n"), std::string::npos);
    EXPECT_EQ(log.find(std::string(256, 'x')), std::string::npos);
}

TEST(vbException, GetHRNeverAnswersSuccessForAFailure)
{
    const struct {
        HRESULT stored;
        HRESULT hr;
    } cases[] = {
        {0, E_FAIL},
        {5, static_cast<HRESULT>(0x80070005u)}, // a Win32 error stored as it came from the registry
        {0x12345, static_cast<HRESULT>(0x80072345u)},
        {E_NOTIMPL, E_NOTIMPL},
    };
    for (const auto& c : cases) {
        vbEsys e(c.stored, "m");
        EXPECT_EQ(e.GetHR(), c.hr) << std::hex << c.stored;
        EXPECT_LT(e.GetHR(), 0);
        EXPECT_EQ(e.GetRealHR(), c.stored);
        EXPECT_EQ(e.GetSC(), c.stored);
    }
    vbEsys e(static_cast<HRESULT>(0xA0070005u), "m");
    EXPECT_EQ(e.GetHRcode(), 5);
    EXPECT_EQ(e.GetHRfacCode(), 0x00070005u);
}

TEST(vbException, EsysForms)
{
    vbEsys fmt(true, "vbString::GetAt(%d) : bad index", 4);
    EXPECT_STREQ(fmt.GetMsg(), "vbString::GetAt(4) : bad index");
    EXPECT_EQ(fmt.GetRealHR(), E_FAIL);
    vbEsys fmtHr(true, E_INVALIDARG, "%s", "bad");
    EXPECT_EQ(fmtHr.GetRealHR(), E_INVALIDARG);
    vbEsys bare(E_ABORT);
    EXPECT_STREQ(bare.GetMsg(), "Unspecified error !");
    EXPECT_STREQ(bare.GetMBoxTitle(), "System error");
    EXPECT_EQ(bare.GetMBoxMode(), 16u);
    EXPECT_TRUE(bare.IsToWriteOnLogFile());
    vbEsys copy(bare);
    EXPECT_STREQ(copy.GetMsg(), "Unspecified error !");
    EXPECT_EQ(copy.GetRealHR(), E_ABORT);
    EXPECT_NE(readLogFile().find("EXCEPTION 'vbEsys' THROWN (80004004) / ??\n"), std::string::npos);
}

TEST(vbException, ContextGrowsByLines)
{
    vbEuser e(vbString("refused"));
    e.AddCtx("a");
    e.AddCtx("b");
    EXPECT_STREQ(e.GetCtxString(), "a\nb");
    vbEuser copy(e);
    EXPECT_STREQ(copy.GetMsg(), "refused");
    EXPECT_STREQ(copy.GetCtxString(), ""); // copies leave the context behind
}

TEST(vbException, GetErrorMessage)
{
    vbEsys plain(vbString("0123456789abc"));
    char buf[10];
    UINT help = 7;
    EXPECT_TRUE(plain.GetErrorMessage(buf, sizeof buf, &help));
    EXPECT_STREQ(buf, "012345678");
    EXPECT_EQ(help, 0u);
    EXPECT_FALSE(plain.GetErrorMessage(nullptr, 10));
    EXPECT_FALSE(plain.GetErrorMessage(buf, 0));

    vbEsys denied(E_ACCESSDENIED, "no");
    char big[256];
    denied.GetErrorMessage(big, sizeof big);
    EXPECT_EQ(std::string(big).rfind("no\n\n[error code: 80070005 - ", 0), 0u) << big;
    EXPECT_EQ(std::string(big).back(), ']');
}

TEST(vbException, DisplayRulesOfTheFamily)
{
    const struct {
        vbEbase* e;
        const char* title;
        DWORD mode;
    } cases[] = {
        {new vbEuser(vbString("m")), "User error", 48},
        {new vbEapp(vbString("m")), "Application error", 16},
        {new vbEappCfg(vbString("m")), "Configuration error", 48},
        {new vbEscript(vbString("m")), "Script error", 48},
        {new vbEhotPlug(vbString("m")), "HotPlug system error", 48},
        {new vbEcompress(vbString("m")), "Compression system error", 16},
        {new vbEcompressUser(vbString("m")), "Compression error", 48},
        {new vbEstream(vbString("file.txt"), vbString("m")), "Stream system error", 16},
        {new vbEdn(vbString("m")), "Download system error", 16},
        {new vbEdnUser(vbString("m")), "Download error", 48},
        {new vbEdnHttp(404, vbString("m"), vbDnConnectMode(0), nullptr), "Download system error", 48},
        {new vbEdnHttp(503, vbString("m"), vbDnConnectMode(0), "v"), "Download system error", 16},
        {new vbEdnRetryLater(vbString("m"), 5), "Download system error", 48},
        {new vbEdnRetryNow(vbString("m")), "Download system error", 48},
        {new vbExmlParser(vbString("m")), "XML parser error", 48},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.e->GetMBoxTitle(), c.title);
        EXPECT_EQ(c.e->GetMBoxMode(), c.mode) << c.title;
        EXPECT_TRUE(c.e->IsKindOf(RUNTIME_CLASS(vbEadv)));
        EXPECT_TRUE(c.e->IsKindOf(RUNTIME_CLASS(COleException)));
        EXPECT_EQ(c.e->GetRealHR(), E_FAIL);
        c.e->Delete();
    }
    vbEdnHttp serverError(503, vbString("m"), vbDnConnectMode(0), nullptr);
    EXPECT_TRUE(serverError.IsToWriteOnLogFile());
    EXPECT_EQ(serverError.GetHttpStatus(), 503);
    EXPECT_STREQ(serverError.GetConnectVar(), "");
    EXPECT_EQ(vbEdnRetryNow(vbString("m")).GetTimeOut(), -1);
    EXPECT_EQ(vbEdnRetryLater(vbString("m"), 30).GetTimeOut(), 30);
    EXPECT_FALSE(vbEcompressUser(vbString("m")).IsKindOf(RUNTIME_CLASS(vbEdn)));
    EXPECT_STREQ(vbEstream(vbString("file.txt"), vbString("m")).GetCtxString(), "file.txt");
}

TEST(vbException, SubclassesTraceTheirBaseFirst)
{
    vbEdnUser user(E_ABORT, vbString("gone"), vbString("url"));
    vbEdnHttp http(404, vbString("missing"), vbDnConnectMode(0), nullptr);
    const std::string log = readLogFile();
    const size_t base = log.find("EXCEPTION 'vbEdn' THROWN (80004004) / gone / ctx=url\n");
    const size_t own = log.find("EXCEPTION 'vbEdnUser' THROWN (80004004) / gone / ctx=url\n");
    ASSERT_NE(base, std::string::npos) << log;
    ASSERT_NE(own, std::string::npos);
    EXPECT_LT(base, own);
    EXPECT_NE(log.find("EXCEPTION 'vbEdnHttp' THROWN (80004005) / 404 missing\n"), std::string::npos);
}

TEST(vbException, ThrownByPointerAcrossTheLibrary)
{
    try {
        vbString("ab").GetAt(9);
    } catch (CException* e) {
        ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(vbEsys)));
        EXPECT_EQ(vbGetHR(e), E_FAIL);
        EXPECT_STREQ(vbGetMsg(e, true), "vbString::GetAt(9) : bad index");
        e->Delete();
    }
}

TEST(vbException, WrappingAnyException)
{
    vbEuser user(E_ACCESSDENIED, vbString("no"), vbString("where"));
    vbEadvCtx wrapped(&user);
    EXPECT_EQ(wrapped.GetRealHR(), E_ACCESSDENIED);
    EXPECT_STREQ(wrapped.GetMsg(), "no");
    EXPECT_STREQ(wrapped.GetMBoxTitle(), "User error");
    EXPECT_EQ(wrapped.GetMBoxMode(), 48u);
    EXPECT_STREQ(wrapped.GetCtxString(), "where");

    CMemoryException memory(FALSE);
    vbEadvCtx fromMemory(&memory);
    EXPECT_EQ(fromMemory.GetRealHR(), E_OUTOFMEMORY);
    EXPECT_STREQ(fromMemory.GetMsg(), "Not enough memory");
    EXPECT_STREQ(fromMemory.GetMBoxTitle(), "MFC system error");

    vbEadvCtx fromNull(nullptr);
    EXPECT_EQ(fromNull.GetRealHR(), E_POINTER);
    EXPECT_STREQ(fromNull.GetMsg(), "Unknown type exception !");
    EXPECT_STREQ(fromNull.GetMBoxTitle(), "System exception");
    EXPECT_TRUE(fromNull.IsToWriteOnLogFile());
}

TEST(vbException, ShowWithoutContextWritesTheBlockInstead)
{
    vbEuser* e = new vbEuser(vbString("refused"), vbString("ctx line"));
    EXPECT_EQ(vbShowException(e, true, "file.cpp", 12), 0);
    const std::string log = readLogFile();
    EXPECT_NE(log.find("<<EXCEPTION ! mbtrace" + std::string(99, '-') + "<<\n"), std::string::npos);
    EXPECT_NE(log.find("file.cpp(12): (Can't show MBox) User error / "), std::string::npos) << log;
    EXPECT_NE(log.find(": refused\n"), std::string::npos);
    EXPECT_NE(log.find(" -> Context:\n"), std::string::npos);
    EXPECT_NE(log.find(">>mbtrace" + std::string(111, '-') + ">>\n"), std::string::npos);

    vbTraceException(new vbEsys(E_ACCESSDENIED, "denied"), true);
    const std::string after = readLogFile();
    EXPECT_NE(after.find("<<EXCEPTION !trace" + std::string(102, '-') + "<<\n"), std::string::npos);
    EXPECT_NE(after.find("System error: denied\n"), std::string::npos);
    EXPECT_NE(after.find("[error code: 80070005 - "), std::string::npos);
}

} // namespace
