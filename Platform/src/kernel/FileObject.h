#pragma once

// Internal to the platform library: the kernel object behind a file handle, and the path rule
// every file call applies.

#include "kernel/HandleTable.h"
#include "plat/file.h"

#include <string>

namespace plat {

class FileObject : public KernelObject {
public:
    FileObject(int fd, DWORD access, std::string deletePath = {});
    ~FileObject() override;

    int fd() const { return m_fd; }
    bool canRead() const { return (m_access & 0x80000000u) != 0 || (m_access & 0x10000000u) != 0; }
    bool canWrite() const { return (m_access & 0x40000000u) != 0 || (m_access & 0x10000000u) != 0; }

private:
    int m_fd;
    DWORD m_access;
    std::string m_deletePath; // removed at close (FILE_FLAG_DELETE_ON_CLOSE)
};

// The descriptor a file handle owns (still owned by the handle), or -1 with ERROR_INVALID_HANDLE
// when the handle names no file.
PLATAPI int fileDescriptorOf(HANDLE file); // exported for the platform's tests

// Wraps an open descriptor (taken over) in a new file handle with the given GENERIC_* access.
// Null (last error set) when the handle table is full; the descriptor is then closed.
HANDLE newFileHandle(int fd, DWORD access);

// The platform's path rule: "\" becomes "/"; a null or empty path, or one that begins with a
// drive letter ("C:"), names no file and fails with ERROR_PATH_NOT_FOUND.
bool nativePath(LPCSTR path, std::string& out);

// After a call failed with ENOENT: ERROR_PATH_NOT_FOUND when the folder of path is missing too,
// ERROR_FILE_NOT_FOUND otherwise. Sets the last error and answers it.
DWORD setMissingError(const std::string& path);

// 100 ns units since 1601 for a POSIX time, and back.
FILETIME fileTimeFromUnix(int64_t seconds, long nanoseconds);
void unixFromFileTime(const FILETIME& ft, int64_t& seconds, long& nanoseconds);

} // namespace plat

namespace plat {
// The attributes, times and size of the file at path (its last component decides "hidden").
// False with the last error set when it is missing.
bool fileAttributeData(const std::string& path, WIN32_FILE_ATTRIBUTE_DATA& data);
} // namespace plat

namespace plat {
// Joins a relative path to the current folder and resolves "." and ".." without touching the
// file system; a trailing "/" is kept.
std::string fullPathOf(const std::string& path);

// The folder GetWindowsDirectoryA answers (made when missing); empty with the last error set
// when it cannot be made.
std::string windowsFolder();
} // namespace plat
