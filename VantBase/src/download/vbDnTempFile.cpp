// Downloaded bytes through a temporary file, for objects that can only load files.

#include "vbDnTempFile.h"

#include "engines/vbKernelError.h"
#include "vbException.h"

#include "plat/file.h"
#include "plat/handles.h"
#include "plat/resource.h"

#include <memory>

namespace {

struct TempFileRecord {
    vbString path;
    HANDLE file = INVALID_HANDLE_VALUE;

    bool IsOpen() const { return file != INVALID_HANDLE_VALUE && file != nullptr; }
    void Close()
    {
        if (IsOpen())
            CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    ~TempFileRecord()
    {
        Close();
        if (!path.IsEmpty())
            DeleteFileA(path);
    }
};

using RecordPtr = std::unique_ptr<TempFileRecord>;

// Reads the last error at once: nothing may run between the failing call and this.
[[noreturn]] void throwFailure(const vbString& msg)
{
    vbImpl::throwSys(vbImpl::hrOfFailure(GetLastError()), "%s", msg.c_str());
}

[[noreturn]] void throwNotStarted(const char* owner, const char* call)
{
    throw new vbEsys(vbString(owner) + "::" + call + "() : LoadingStart() not called");
}

TempFileRecord* recordOf(vbDnData* data) { return data ? static_cast<TempFileRecord*>(data->GetUserData()) : nullptr; }

RecordPtr takeRecord(vbDnData* data)
{
    RecordPtr record(recordOf(data));
    if (data)
        data->SetUserData(nullptr);
    return record;
}

} // namespace

void vbDnTempFile::LoadingStart(vbDnData* data, const char* owner)
{
    if (!data)
        vbImpl::throwSys(E_INVALIDARG, "%s::LoadingStart() : no operation record", owner);
    takeRecord(data);

    char folder[MAX_PATH];
    SetLastError(0);
    const DWORD n = GetTempPathA(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH)
        throwFailure(vbString(owner) + "::LoadingStart() : can't get temp path");
    char name[MAX_PATH];
    SetLastError(0);
    if (GetTempFileNameA(folder, "KVX", 0, name) == 0)
        throwFailure(vbString(owner) + "::LoadingStart() : can't create temp file");

    // The name is recorded before the file is opened, so that a failure to open deletes the
    // empty file GetTempFileNameA made.
    auto record = std::make_unique<TempFileRecord>();
    record->path = name;
    SetLastError(0);
    record->file = CreateFileA(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
        FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (!record->IsOpen()) {
        const DWORD err = GetLastError();
        record.reset();
        SetLastError(err);
        throwFailure(vbString(owner) + " / dnData(" + name + ") : can't open temp file");
    }
    data->SetUserData(record.release());
}

bool vbDnTempFile::LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG count, const char* owner)
{
    TempFileRecord* record = recordOf(data);
    if (!record || !record->IsOpen())
        throwNotStarted(owner, "LoadingAddBuffer");
    if (count == 0)
        return true;
    DWORD written = 0;
    SetLastError(0);
    if (!bytes || !WriteFile(record->file, bytes, count, &written, nullptr) || written != count)
        throwFailure(vbString(owner) + "::LoadingAddBuffer() : write failure");
    return true;
}

bool vbDnTempFile::LoadingEnd(vbDnData* data, bool ok, const char* owner,
    const std::function<bool(const vbString& path)>& load)
{
    RecordPtr record = takeRecord(data);
    if (!record || !record->IsOpen())
        throwNotStarted(owner, "LoadingEnd");
    if (!ok)
        return false;
    record->Close();
    return load(record->path);
}

bool vbDnTempFile::IsAnimatedUrl(const vbString& url)
{
    vbString module, name, typeText;
    LPCSTR namePtr = nullptr, type = nullptr;
    if (vbGetResUrl(url, &module, &name, &namePtr, &typeText, &type))
        return type == RT_ANICURSOR || type == RT_ANIICON;
    return IsAniPath(url);
}

bool vbDnTempFile::IsAniPath(const vbString& path)
{
    const int n = path.GetLength();
    return n > 4 && path.Right(4).CompareNoCase(".ani") == 0;
}
