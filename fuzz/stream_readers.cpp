// Reads untrusted bytes through every reader of the streams: lines to the end, the typed
// readers, strings and variants in both formats, and the COM stream face, on a memory stream and
// on a temporary file holding the same bytes. Only the library's own exceptions may come out.
//
// Every input makes, writes, reads and removes a temporary file, and every failed read throws:
// it runs several hundred inputs a second.

#include "FuzzTempDir.h"

#include "vbException.h"
#include "vbLog.h"
#include "vbMemoryStream.h"
#include "vbString.h"
#include "vbTempStream.h"
#include "vbVariant.h"

#include "plat/com.h"

#include <cstdint>
#include <cstdlib>

namespace {

template <class F>
void guarded(F&& f)
{
    try {
        f();
    } catch (CException* e) {
        e->Delete();
    }
}

void readAll(vbStream* s, size_t size)
{
    guarded([&] {
        s->Seek(0, vbSeekStart);
        vbString line, sep;
        DWORD total = 0;
        while (DWORD n = s->ReadString(&line, &sep, nullptr))
            total += n;
        if (total != size)
            std::abort();
    });
    guarded([&] {
        s->Seek(0, vbSeekStart);
        for (;;) {
            s->ReadChar();
            s->ReadCharW();
            s->ReadShort();
            s->ReadLong();
            s->ReadUint64();
            s->ReadDouble();
            s->ReadGuid();
        }
    });
    for (int format = 0; format < 2; ++format) {
        s->SetFormat(static_cast<vbFormatMode>(format));
        guarded([&] {
            s->Seek(0, vbSeekStart);
            for (int i = 0; i < 8; ++i) {
                vbString str;
                *s >> &str;
                vbVariant v;
                *s >> &v;
            }
        });
    }
    s->SetFormat(vbFormatBinary);

    IStream* com = s;
    char buf[64];
    ULONG got = 0;
    LARGE_INTEGER start{};
    com->Seek(start, STREAM_SEEK_SET, nullptr);
    com->Read(buf, sizeof buf, &got);
    com->Read(buf, sizeof buf, nullptr);
    LARGE_INTEGER back;
    back.QuadPart = -static_cast<LONGLONG>(got);
    com->Seek(back, STREAM_SEEK_CUR, nullptr);
    com->Seek(start, STREAM_SEEK_SET, nullptr);
    vbRefPtr<vbMemoryStream, &IID_vbMemoryStream> copy;
    vbMemoryStream::CreateObject(&copy);
    ULARGE_INTEGER all, read, written;
    all.QuadPart = ~0ull;
    if (com->CopyTo(copy.Get(), all, &read, &written) != S_OK || read.QuadPart != size || written.QuadPart != size)
        std::abort();
    STATSTG st;
    if (com->Stat(&st, STATFLAG_DEFAULT) == S_OK)
        CoTaskMemFree(st.pwcsName);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The temporary files go to the run's own folder, in memory where the machine allows.
    static const struct Temp : FuzzTempDir {
        Temp() : FuzzTempDir(false) { setenv("TMPDIR", path.c_str(), 1); }
    } temp;
    g_pvbLogFileName = nullptr; // the throw traces of failed reads stay out of the user's log
    try {
        vbRefPtr<vbMemoryStream, &IID_vbMemoryStream> mem;
        vbMemoryStream::CreateObject(&mem);
        if (size)
            mem->Write(data, static_cast<DWORD>(size), true);
        readAll(mem, size);

        vbRefPtr<vbTempStream, &IID_vbTempStream> file;
        vbTempStream::CreateObject(&file);
        file->OpenNew(true, vbShareReadWrite, vbAccessBoth, true);
        if (size)
            file->Write(data, static_cast<DWORD>(size), true);
        readAll(file, size);
    } catch (CException* e) {
        // Making the streams themselves must not fail.
        e->Delete();
        std::abort();
    }
    return 0;
}
