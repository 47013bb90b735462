#include "plat/afx.h"
#include "plat/errors.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>

namespace {

class CMyOleException : public COleException {
    DECLARE_DYNAMIC(CMyOleException)
};
IMPLEMENT_DYNAMIC(CMyOleException, COleException)

TEST(AfxObject, RunTimeClassNamesAndKinds)
{
    CMyOleException e;
    EXPECT_STREQ(e.GetRuntimeClass()->m_lpszClassName, "CMyOleException");
    EXPECT_STREQ(e.GetRuntimeClass()->m_pBaseClass->m_lpszClassName, "COleException");
    EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(CMyOleException)));
    EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(COleException)));
    EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_TRUE(e.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(e.IsKindOf(RUNTIME_CLASS(CMemoryException)));
    CMemoryException m;
    EXPECT_FALSE(m.IsKindOf(RUNTIME_CLASS(COleException)));
}

TEST(AfxException, ProcessGivesTheStatusOfEachKind)
{
    COleException ole;
    ole.m_sc = (SCODE)0x80030002u;
    CMyOleException derived;
    derived.m_sc = DISP_E_OVERFLOW;
    CMemoryException memory;
    CNotSupportedException notSupported;
    CException plain;
    EXPECT_EQ(COleException::Process(&ole), (SCODE)0x80030002u);
    EXPECT_EQ(COleException::Process(&derived), DISP_E_OVERFLOW);
    EXPECT_EQ(COleException::Process(&memory), E_OUTOFMEMORY);
    EXPECT_EQ(COleException::Process(&notSupported), E_NOTIMPL);
    EXPECT_EQ(COleException::Process(&plain), E_UNEXPECTED);
}

TEST(AfxException, ThrownByPointerAndDeleted)
{
    try {
        AfxThrowOleException(E_INVALIDARG);
    } catch (CException* e) {
        EXPECT_EQ(COleException::Process(e), E_INVALIDARG);
        e->Delete(); // ASan reports a leak if the heap object is not freed
    }
    try {
        AfxThrowMemoryException();
    } catch (CException* e) {
        EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CMemoryException)));
        e->Delete();
    }
    // A non-auto-deleting exception survives Delete().
    CNotSupportedException kept(FALSE);
    kept.Delete();
    EXPECT_FALSE(kept.m_bAutoDelete);
}

TEST(AfxException, ErrorMessagesAreTruncatedAndTerminated)
{
    CMemoryException m;
    char buf[4];
    UINT help = 77;
    ASSERT_TRUE(m.GetErrorMessage(buf, sizeof(buf), &help));
    EXPECT_STREQ(buf, "Out");
    EXPECT_EQ(help, 0u);
    EXPECT_FALSE(m.GetErrorMessage(nullptr, 10));
    EXPECT_FALSE(m.GetErrorMessage(buf, 0));

    COleException ole;
    char ole_text[64];
    ole.m_sc = DISP_E_OVERFLOW;
    ASSERT_TRUE(ole.GetErrorMessage(ole_text, sizeof ole_text));
    EXPECT_STREQ(ole_text, "Out of present range.\r\n");
    ole.m_sc = E_INVALIDARG;
    ASSERT_TRUE(ole.GetErrorMessage(ole_text, sizeof ole_text));
    EXPECT_STREQ(ole_text, "The parameter is incorrect.\r\n");

    CException plain;
    char text[16] = "junk";
    EXPECT_FALSE(plain.GetErrorMessage(text, sizeof(text)));
    EXPECT_STREQ(text, "");
}

TEST(AfxCriticalSection, RecursiveAndExclusive)
{
    CCriticalSection cs;
    ASSERT_TRUE(cs.Lock());
    ASSERT_TRUE(cs.Lock());
    BOOL otherGot = TRUE;
    std::thread([&] { otherGot = cs.Lock(20); }).join();
    EXPECT_FALSE(otherGot);
    cs.Unlock();
    cs.Unlock();
    std::thread([&] {
        otherGot = cs.Lock(1000);
        if (otherGot)
            cs.Unlock();
    }).join();
    EXPECT_TRUE(otherGot);
}

} // namespace
