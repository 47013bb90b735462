#include "vbStreamTestUtil.h"

#include "vbFileStream.h"
#include "vbFileTools.h"
#include "vbSecurity.h"
#include "vbTempStream.h"
#include "vbTypesTestUtil.h"

#include "plat/file.h"

#include <cstdlib>
#include <fstream>
#include <sys/stat.h>

using namespace vbstreamtest;

namespace {

using FilePtr = vbRefPtr<vbFileStream, &IID_vbFileStream>;
using TempPtr = vbRefPtr<vbTempStream, &IID_vbTempStream>;

constexpr HRESULT kAccess = static_cast<HRESULT>(0x80030005u);
constexpr HRESULT kMode = static_cast<HRESULT>(0x80030057u);

std::string homeFile(const char* name) { return std::string(std::getenv("VANTREL_HOME")) + "/" + name; }

void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

bool exists(const vbString& path)
{
    struct stat st;
    return ::stat(path, &st) == 0;
}

FilePtr newFile()
{
    FilePtr f;
    vbFileStream::CreateObject(&f);
    return f;
}

TempPtr newTemp()
{
    TempPtr t;
    vbTempStream::CreateObject(&t);
    return t;
}

TEST(vbFileStream, OpenFailuresLeaveTheStreamClosed)
{
    FilePtr f = newFile();
    std::string missing = homeFile("missing.bin");
    expectEstream([&] { f->Open(missing.c_str(), vbOpenExisting, vbAccessRead, vbShareReadWrite); },
        static_cast<HRESULT>(0x80070002u), "can't open or create file '" + missing + "'");
    EXPECT_FALSE(f->IsOpen());
    EXPECT_STREQ(f->GetName(), ("vbFileStream[" + missing + "]").c_str());

    struct Case {
        int om, am, wm;
        const char* what;
    };
    const Case cases[] = {{4, 7, 9, "vbOpenMode"}, {0, 7, 9, "vbAccessMode"}, {0, 0, 9, "vbWorkMode"}};
    for (const Case& c : cases)
        expectEstream(
            [&] {
                f->Open(missing.c_str(), static_cast<vbOpenMode>(c.om), static_cast<vbAccessMode>(c.am),
                    static_cast<vbWorkMode>(c.wm));
            },
            kMode, std::string("Open(vbOpenMode om,vbAccessMode am,vbWorkMode wm) failed, ") + c.what + " invalid");
    expectEstream([&] { f->GetHandle(); }, E_FAIL, "No file opened (GetHandle)");
}

TEST(vbFileStream, EveryOpenStartsAtZero)
{
    std::string path = homeFile("data.bin");
    writeFile(path, "hello");
    FilePtr f = newFile();
    f->Open(path.c_str(), vbOpenAlways, vbAccessBoth, vbShareReadWrite);
    EXPECT_EQ(f->GetPosition(), 0u);
    EXPECT_EQ(f->GetLength(), 5u);
    EXPECT_EQ(f->ReadChar(), 'h');
    f->Seek(0, vbSeekEnd);
    f->WriteString("!\n", 2, false, nullptr);
    EXPECT_EQ(f->GetLength(), 8u);
    EXPECT_TRUE(f->Eof());

    // Close keeps the name: the stored-name open reopens the same file.
    f->Close();
    EXPECT_FALSE(f->CanRead());
    EXPECT_FALSE(f->CanWrite());
    f->Open(static_cast<const vbSecurityAttr*>(nullptr), vbOpenExisting, vbAccessRead, vbShareRead);
    vbString sep;
    EXPECT_STREQ(f->ReadString(&sep, nullptr), "hello!");
    EXPECT_STREQ(sep, "\n");
    EXPECT_STREQ(f->GetPhysicalName(), path.c_str());

    // The form with security attributes opens the same way.
    f->Open(vbSecurityAttr(), path.c_str(), vbOpenExisting, vbAccessRead, vbShareReadWrite);
    EXPECT_EQ(f->GetLength(), 8u);

    expectEstream([&] { f->Open(path.c_str(), vbOpenCreateNew, vbAccessBoth, vbShareExclusive); },
        static_cast<HRESULT>(0x80070050u), "can't open or create file '" + path + "'");
}

TEST(vbFileStream, AccessModesGuardEachDirection)
{
    std::string path = homeFile("ro.bin");
    writeFile(path, "ab");
    FilePtr f = newFile();
    f->Open(path.c_str(), vbOpenExisting, vbAccessRead, vbShareReadWrite);
    EXPECT_TRUE(f->CanRead());
    EXPECT_FALSE(f->CanWrite());
    expectEstream([&] { f->Write("x", 1, true); }, kAccess, "Write failed, permission denied writing data");
    expectEstream([&] { f->WriteCharA('x'); }, kAccess, "WriteChar failed, permission denied writing char");
    expectEstream([&] { f->SetLength(0); }, kAccess, "SetEOF failed, permission denied setting size");
    expectEstream([&] { f->SetLongLength(0); }, kAccess, "SetEOF failed, permission denied setting size");
    EXPECT_EQ(f->ReadCharW(), 0x6261);
    expectEstream([&] { f->ReadCharA(); }, static_cast<HRESULT>(0x8003001Eu), "ReadCharA failed, EOF reached");
    expectEstream([&] { f->ReadLong(); }, static_cast<HRESULT>(0x8003001Eu), "Read failed, EOF reached");

    f->Open(path.c_str(), vbOpenExisting, vbAccessWrite, vbShareReadWrite);
    expectEstream([&] { f->ReadChar(); }, kAccess, "Read failed, permission denied reading data");
    expectEstream([&] { f->ReadCharW(); }, kAccess, "ReadCharW failed, permission denied reading char");
    expectEstream([&] { f->Seek(0, static_cast<vbSeekMode>(5)); }, kMode, "Seek failed, vbSeekMode mode invalid");
    expectEstream([&] { f->LongSeek(0, static_cast<vbSeekMode>(5)); }, kMode, "LongSeek failed, vbSeekMode mode invalid");
}

TEST(vbFileStream, LongLengthsAndSeeksPass4GB)
{
    std::string path = homeFile("sparse.bin");
    FilePtr f = newFile();
    f->Open(path.c_str(), vbOpenCreateAlways, vbAccessBoth, vbShareExclusive);
    const uint64_t fiveGB = 5ull << 30;
    f->SetLongLength(fiveGB);
    EXPECT_EQ(f->GetLongLength(), fiveGB);
    EXPECT_EQ(f->GetLongPosition(), fiveGB);
    EXPECT_TRUE(f->Eof());
    EXPECT_EQ(f->LongSeek(-1, vbSeekEnd), fiveGB - 1);
    f->WriteUchar(0x5A);
    EXPECT_EQ(f->LongSeek(-1, vbSeekCurrent), fiveGB - 1);
    EXPECT_EQ(f->ReadUchar(), 0x5A);

    STATSTG st;
    ASSERT_EQ(static_cast<IStream*>(f.Get())->Stat(&st, STATFLAG_NONAME), S_OK);
    EXPECT_EQ(st.cbSize.QuadPart, fiveGB);
    LARGE_INTEGER far;
    far.QuadPart = 0x100000000ll;
    ULARGE_INTEGER pos;
    ASSERT_EQ(static_cast<IStream*>(f.Get())->Seek(far, STREAM_SEEK_SET, &pos), S_OK);
    EXPECT_EQ(pos.QuadPart, 0x100000000ull);
    f->SetLength(3);
    EXPECT_EQ(f->GetLongLength(), 3u);
}

TEST(vbFileStream, ComCopyToMovesEveryByte)
{
    std::string path = homeFile("copy.bin");
    std::string bytes;
    for (int i = 0; i < 40000; ++i)
        bytes += static_cast<char>(i * 13);
    writeFile(path, bytes);
    FilePtr f = newFile();
    f->Open(path.c_str(), vbOpenExisting, vbAccessRead, vbShareRead);
    MemPtr m = newMemory();
    ULARGE_INTEGER all, read, written;
    all.QuadPart = ~0ull;
    ASSERT_EQ(static_cast<IStream*>(f.Get())->CopyTo(m.Get(), all, &read, &written), S_OK);
    EXPECT_EQ(read.QuadPart, 40000u);
    EXPECT_EQ(written.QuadPart, 40000u);
    EXPECT_EQ(bytesOf(m), Bytes(bytes.begin(), bytes.end()));

    void* p = nullptr;
    ASSERT_EQ(f->QueryInterface(IID_IvbLongSeekStream, &p), S_OK);
    static_cast<IvbLongSeekStream*>(p)->Release();
}

TEST(vbTempStream, TemporaryFilesGoWhenTheStreamLetsThemGo)
{
    TempPtr t = newTemp();
    t->OpenNew(true, vbShareReadWrite, vbAccessBoth, true);
    vbString first = t->GetPhysicalName();
    ASSERT_TRUE(exists(first));
    EXPECT_TRUE(t->IsTemporary());
    EXPECT_STREQ(t->GetName(), ("vbTempStream[" + first + "]").c_str());
    t->WriteLong(1);

    // The first file goes before the new name is chosen, so the name may come back: the file is new.
    t->OpenNew(true, vbShareReadWrite, vbAccessBoth, true);
    vbString second = t->GetPhysicalName();
    EXPECT_TRUE(exists(second));
    EXPECT_EQ(t->GetLength(), 0u);
    if (second != first) {
        EXPECT_FALSE(exists(first));
    }

    // Without deleteOld the held file stays.
    TempPtr keep = newTemp();
    keep->OpenNew(true, vbShareReadWrite, vbAccessBoth, true);
    vbString kept = keep->GetPhysicalName();
    keep->OpenNew(false, vbShareReadWrite, vbAccessBoth, true);
    EXPECT_TRUE(exists(kept));
    ::unlink(kept);

    // The no-name open keeps the held temporary file.
    t->WriteLong(2);
    t->Open(vbShareReadWrite, vbAccessBoth, false);
    EXPECT_EQ(t->GetPhysicalName(), second);
    EXPECT_EQ(t->GetLength(), 4u);

    // A failed deletion throws only while the flag asks for it.
    ::unlink(second);
    t->SetDelFileRequired(false);
    t->OpenNew(true, vbShareReadWrite, vbAccessBoth, true);
    vbString third = t->GetPhysicalName();
    ::unlink(third);
    t->SetDelFileRequired(true);
    try {
        t->OpenNew(true, vbShareReadWrite, vbAccessBoth, true);
        ADD_FAILURE() << "no exception";
    } catch (CException* e) {
        e->Delete();
    }

    t->OpenCreate(vbShareReadWrite, vbAccessBoth, true);
    vbString last = t->GetPhysicalName();
    ASSERT_TRUE(exists(last));
    t = nullptr;
    EXPECT_FALSE(exists(last));
}

TEST(vbTempStream, CallersFilesAndRefusedOpens)
{
    std::string path = homeFile("mine.bin");
    writeFile(path, "keep");
    TempPtr t = newTemp();
    t->Open(false, path.c_str(), vbShareReadWrite, vbAccessRead, false);
    EXPECT_FALSE(t->IsTemporary());
    EXPECT_EQ(t->ReadChar(), 'k');
    t->Destroy();
    EXPECT_TRUE(exists(path.c_str()));

    TempPtr u = newTemp();
    std::string own = homeFile("own.tmp");
    u->OpenCreate(true, own.c_str(), vbShareReadWrite, vbAccessBoth, false);
    EXPECT_TRUE(u->IsTemporary());
    // A failed named open forgets the name and the flag.
    std::string missing = homeFile("none/x.bin");
    try {
        u->Open(true, missing.c_str(), vbShareReadWrite, vbAccessBoth, false);
        ADD_FAILURE() << "no exception";
    } catch (vbEstream* e) {
        e->Delete();
    }
    EXPECT_FALSE(exists(own.c_str()));
    EXPECT_FALSE(u->IsTemporary());
    EXPECT_STREQ(u->GetPhysicalName(), "");

    vbtypes::expectEsys([&] { static_cast<vbFileStream*>(u.Get())->Open(vbString("a.bin"), vbOpenAlways, vbAccessBoth, vbShareReadWrite); },
        E_FAIL, "vbTempStream::Open(a.bin, ...) : call to this function not allowed");
    vbtypes::expectEsys(
        [&] {
            static_cast<vbFileStream*>(u.Get())->Open(static_cast<const vbSecurityAttr*>(nullptr), vbOpenAlways,
                vbAccessBoth, vbShareReadWrite);
        },
        E_FAIL, "vbTempStream::Open(...) : call to this function not allowed");
}

} // namespace
