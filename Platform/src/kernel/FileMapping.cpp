#include "kernel/FileObject.h"
#include "kernel/NamedObjects.h"

#include "plat/errors.h"
#include "plat/mapping.h"
#include "security/SecurityMode.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr uint64_t kGranularity = 65536;

// The object behind a mapping handle: a descriptor of the data, where they start in it and how
// far the mapping reaches. Named ones keep their name held.
class MappingObject final : public KernelObject, public SecuredObject {
public:
    MappingObject(int fd, off_t dataOffset, uint64_t size, bool writable, std::shared_ptr<NameHold> hold)
        : m_fd(fd), m_dataOffset(dataOffset), m_size(size), m_writable(writable), m_hold(std::move(hold))
    {
    }
    ~MappingObject() override { ::close(m_fd); }

    int securityFd() const override { return m_hold ? m_hold->fd() : m_fd; }

    int fd() const { return m_fd; }
    off_t dataOffset() const { return m_dataOffset; }
    uint64_t size() const { return m_size; }
    bool writable() const { return m_writable; }

private:
    int m_fd;
    off_t m_dataOffset;
    uint64_t m_size;
    bool m_writable;
    std::shared_ptr<NameHold> m_hold;
};

struct View {
    size_t length;
    std::shared_ptr<MappingObject> mapping; // a view keeps its mapping alive
};

std::mutex& viewsMutex()
{
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::map<uintptr_t, View>& views()
{
    static auto* map = new std::map<uintptr_t, View>;
    return *map;
}

HANDLE handleFor(std::shared_ptr<KernelObject> object, bool existed)
{
    HANDLE handle = kernelHandles().insert(std::move(object));
    if (handle)
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

// The file behind a file handle as a descriptor of our own, with its size.
int fileFor(HANDLE file, bool writable, uint64_t& fileSize)
{
    int source = fileDescriptorOf(file);
    if (source < 0)
        return -1;
    struct stat st;
    if (fstat(source, &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    fileSize = uint64_t(st.st_size);
    // Reopened rather than duplicated, so the mapping has exactly the access it asks for.
    std::string self = "/proc/self/fd/" + std::to_string(source);
    int fd = ::open(self.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        vntSetLastErrorFromErrno(errno);
    return fd;
}

// Grows the file to the mapping's size (a mapping that reaches past the end extends the file).
bool fitFile(int fd, uint64_t fileSize, uint64_t size, bool writable)
{
    if (size <= fileSize)
        return true;
    if (!writable) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    if (ftruncate(fd, off_t(size)) != 0) {
        vntSetLastErrorFromErrno(errno);
        return false;
    }
    return true;
}

std::shared_ptr<MappingObject> unnamedMapping(HANDLE hFile, uint64_t size, bool writable)
{
    int fd;
    if (hFile == INVALID_HANDLE_VALUE) {
        fd = memfd_create("vnt-mapping", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, off_t(size)) != 0) {
            vntSetLastErrorFromErrno(errno);
            if (fd >= 0)
                ::close(fd);
            return nullptr;
        }
    } else {
        uint64_t fileSize = 0;
        fd = fileFor(hFile, writable, fileSize);
        if (fd < 0)
            return nullptr;
        if (size == 0)
            size = fileSize;
        if (size == 0 || !fitFile(fd, fileSize, size, writable)) {
            if (size == 0)
                SetLastError(ERROR_FILE_INVALID);
            ::close(fd);
            return nullptr;
        }
    }
    return std::make_shared<MappingObject>(fd, 0, size, writable, nullptr);
}

// A process's mapping object for a held name: its own descriptor of the data.
std::shared_ptr<KernelObject> mappingFromHold(std::shared_ptr<NameHold> hold)
{
    const auto& m = hold->header().u.mapping;
    uint64_t size = m.size;
    bool writable = m.writable != 0;
    int fd;
    off_t offset = 0;
    if (m.fileBacked) {
        char path[sizeof m.path];
        std::memcpy(path, m.path, sizeof path);
        path[sizeof path - 1] = 0; // written by another process: never trusted to end
        // Another process named it: a FIFO or device must not block or take the terminal.
        fd = ::open(path, (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        struct stat st;
        if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
            ::close(fd);
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if (fd >= 0)
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    } else {
        fd = ::dup(hold->fd());
        fcntl(fd, F_SETFD, FD_CLOEXEC);
        offset = kSharedDataOffset;
    }
    if (fd < 0) {
        vntSetLastErrorFromErrno(errno);
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || size == 0 || uint64_t(st.st_size) < size + uint64_t(offset)) {
        ::close(fd);
        SetLastError(ERROR_INVALID_HANDLE); // a damaged or shrunk name file
        return nullptr;
    }
    return std::make_shared<MappingObject>(fd, offset, size, writable, std::move(hold));
}

std::shared_ptr<KernelObject> namedMapping(HANDLE hFile, uint64_t size, bool writable, LPCSTR name,
    const SECURITY_ATTRIBUTES* sa, bool& existed)
{
    auto init = [&](SharedHeader& header, int fd) {
        auto& m = header.u.mapping;
        m.writable = writable;
        if (hFile == INVALID_HANDLE_VALUE) {
            m.size = size;
            if (ftruncate(fd, off_t(kSharedDataOffset + size)) != 0) {
                vntSetLastErrorFromErrno(errno);
                return false;
            }
            return true;
        }
        uint64_t fileSize = 0;
        int file = fileFor(hFile, writable, fileSize);
        if (file < 0)
            return false;
        bool ok = true;
        char path[PATH_MAX];
        std::string self = "/proc/self/fd/" + std::to_string(file);
        ssize_t length = readlink(self.c_str(), path, sizeof path - 1);
        if (size == 0)
            size = fileSize;
        if (size == 0) {
            SetLastError(ERROR_FILE_INVALID);
            ok = false;
        } else if (length <= 0 || size_t(length) >= sizeof m.path) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            ok = false;
        } else {
            ok = fitFile(file, fileSize, size, writable);
        }
        ::close(file);
        if (ok) {
            m.size = size;
            m.fileBacked = 1;
            std::memcpy(m.path, path, size_t(length));
        }
        return ok;
    };
    return findOrMakeNamed(NamedKind::Mapping, name, true, modeFromSecurityAttributes(sa), init, mappingFromHold,
        existed);
}

} // namespace

} // namespace plat

using namespace plat;

HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES lpFileMappingAttributes, DWORD flProtect,
    DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCSTR lpName)
{
    DWORD protect = flProtect & 0xFF;
    if (protect != PAGE_READONLY && protect != PAGE_READWRITE && protect != PAGE_WRITECOPY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const bool writable = protect == PAGE_READWRITE;
    const uint64_t size = uint64_t(dwMaximumSizeHigh) << 32 | dwMaximumSizeLow;
    if (hFile == INVALID_HANDLE_VALUE && size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!lpName || !*lpName) {
        auto mapping = unnamedMapping(hFile, size, writable);
        return mapping ? handleFor(std::move(mapping), false) : nullptr;
    }
    bool existed = false;
    auto mapping = namedMapping(hFile, size, writable, lpName, lpFileMappingAttributes, existed);
    return mapping ? handleFor(std::move(mapping), existed) : nullptr;
}

HANDLE OpenFileMappingA(DWORD, BOOL, LPCSTR lpName)
{
    bool existed = false;
    auto mapping = findOrMakeNamed(NamedKind::Mapping, lpName, false, 0600, {}, mappingFromHold, existed);
    return mapping ? handleFor(std::move(mapping), false) : nullptr;
}

LPVOID MapViewOfFileEx(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
    DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap, LPVOID lpBaseAddress)
{
    auto mapping = kernelHandles().lookupAs<MappingObject>(hFileMappingObject);
    if (!mapping)
        return nullptr;
    const uint64_t offset = uint64_t(dwFileOffsetHigh) << 32 | dwFileOffsetLow;
    if (offset % kGranularity != 0) {
        SetLastError(ERROR_MAPPED_ALIGNMENT);
        return nullptr;
    }
    if (offset >= mapping->size() || dwNumberOfBytesToMap > mapping->size() - offset) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const size_t length = dwNumberOfBytesToMap ? dwNumberOfBytesToMap : size_t(mapping->size() - offset);
    const bool copy = (dwDesiredAccess & FILE_MAP_COPY) && !(dwDesiredAccess & FILE_MAP_WRITE);
    const bool write = (dwDesiredAccess & FILE_MAP_WRITE) || copy;
    if (write && !mapping->writable() && !copy) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    int flags = copy ? MAP_PRIVATE : MAP_SHARED;
    if (lpBaseAddress) {
        if (reinterpret_cast<uintptr_t>(lpBaseAddress) % kGranularity != 0) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return nullptr;
        }
        flags |= MAP_FIXED_NOREPLACE;
    }
    void* address = mmap(lpBaseAddress, length, PROT_READ | (write ? PROT_WRITE : 0), flags, mapping->fd(),
        off_t(uint64_t(mapping->dataOffset()) + offset));
    if (address == MAP_FAILED || (lpBaseAddress && address != lpBaseAddress)) {
        if (address != MAP_FAILED)
            munmap(address, length);
        SetLastError(lpBaseAddress ? ERROR_INVALID_ADDRESS : vntWin32ErrorFromErrno(errno));
        return nullptr;
    }
    std::lock_guard lock(viewsMutex());
    views()[reinterpret_cast<uintptr_t>(address)] = View{length, std::move(mapping)};
    return address;
}

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
    DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap)
{
    return MapViewOfFileEx(hFileMappingObject, dwDesiredAccess, dwFileOffsetHigh, dwFileOffsetLow,
        dwNumberOfBytesToMap, nullptr);
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress)
{
    View view;
    {
        std::lock_guard lock(viewsMutex());
        auto it = views().find(reinterpret_cast<uintptr_t>(lpBaseAddress));
        if (it == views().end()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        view = std::move(it->second);
        views().erase(it);
    }
    munmap(const_cast<LPVOID>(lpBaseAddress), view.length);
    return TRUE; // the mapping goes with the view if nothing else holds it
}

BOOL FlushViewOfFile(LPCVOID lpBaseAddress, SIZE_T dwNumberOfBytesToFlush)
{
    const uintptr_t address = reinterpret_cast<uintptr_t>(lpBaseAddress);
    uintptr_t start, end;
    {
        std::lock_guard lock(viewsMutex());
        auto it = views().upper_bound(address);
        if (it == views().begin()) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        --it;
        end = it->first + it->second.length;
        if (address >= end) {
            SetLastError(ERROR_INVALID_ADDRESS);
            return FALSE;
        }
        if (dwNumberOfBytesToFlush != 0 && dwNumberOfBytesToFlush < end - address)
            end = address + dwNumberOfBytesToFlush;
        const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
        start = address & ~(page - 1);
    }
    if (msync(reinterpret_cast<void*>(start), end - start, MS_SYNC) != 0) {
        vntSetLastErrorFromErrno(errno);
        return FALSE;
    }
    return TRUE;
}

SIZE_T vntMappedViewCount()
{
    std::lock_guard lock(viewsMutex());
    return views().size();
}
