#include "kernel/NamedObjects.h"

#include "plat/errors.h"
#include "plat/folders.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr uint32_t kMagic = 0x4A424F4E;

// Serialises this process's use of the names; recursive because dropping an object (and so its
// hold) can happen while a lookup holds it.
std::recursive_mutex& namesMutex()
{
    static auto* mutex = new std::recursive_mutex;
    return *mutex;
}

struct Entry {
    NamedKind kind;
    std::weak_ptr<KernelObject> object;
};

// This process's live named objects, by folder and name (tests change the folder).
std::map<std::string, Entry>& registry()
{
    static auto* names = new std::map<std::string, Entry>;
    return *names;
}

// Excludes other processes from the folder's names while a name is looked up, made or
// removed. Taken under namesMutex(); a thread that holds it already does not take it again.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
    {
        if (t_depth++ > 0)
            return;
        m_fd = ::open((folder + "/.names.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0)
            while (flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~FolderLock()
    {
        --t_depth;
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd = -1;
    static thread_local int t_depth;
};
thread_local int FolderLock::t_depth = 0;

uint64_t fnv1a(const std::string& text)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// The name's file in the folder: the user's id and the name, with every byte outside a safe set
// written as %XX; long names are cut and completed with a hash (the header keeps the full name).
std::string fileNameFor(const std::string& name)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string escaped;
    for (unsigned char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_'
            || c == '-') {
            escaped += char(c);
        } else {
            escaped += '%';
            escaped += hex[c >> 4];
            escaped += hex[c & 15];
        }
    }
    if (escaped.size() > 160) {
        char suffix[24];
        std::snprintf(suffix, sizeof suffix, "~%016llx", static_cast<unsigned long long>(fnv1a(name)));
        escaped = escaped.substr(0, 120) + suffix;
    }
    return std::string("n").append(std::to_string(getuid())).append(".").append(escaped);
}

// The names "Global\x" and "Local\x" mean x: all of a user's processes share one namespace.
std::string plainName(const char* name)
{
    std::string text(name);
    for (const char* prefix : {"Global\\", "Local\\"}) {
        size_t length = std::strlen(prefix);
        if (text.compare(0, length, prefix) == 0)
            return text.substr(length);
    }
    return text;
}

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

SharedHeader* mapHeader(int fd)
{
    void* address = mmap(nullptr, sizeof(SharedHeader), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return address == MAP_FAILED ? nullptr : static_cast<SharedHeader*>(address);
}

// What another process wrote is checked before it is trusted.
bool headerNames(const SharedHeader& header, const std::string& name)
{
    return header.magic == kMagic && header.nameLength == name.size() && header.nameLength < sizeof header.name
        && std::memcmp(header.name, name.data(), name.size()) == 0;
}

} // namespace

std::string nameFilePath(const std::string& folder, const char* name)
{
    return folder + "/" + fileNameFor(plainName(name));
}

NameHold::NameHold(int fd, SharedHeader* header, std::string path)
    : m_fd(fd), m_header(header), m_path(std::move(path))
{
}

NameHold::~NameHold()
{
    std::lock_guard lock(namesMutex());
    FolderLock folder(folderOf(m_path));
    munmap(m_header, sizeof(SharedHeader));
    // Nobody else holds it: the object ends with this hold.
    if (flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        ::unlink(m_path.c_str());
    ::close(m_fd);
}

SharedLock::SharedLock(pthread_mutex_t& mutex) : m_mutex(mutex)
{
    if (pthread_mutex_lock(&m_mutex) == EOWNERDEAD)
        pthread_mutex_consistent(&m_mutex); // a holder died: the state it guards is whole words
}

SharedLock::~SharedLock() { pthread_mutex_unlock(&m_mutex); }

void initSharedMutex(pthread_mutex_t& mutex, bool recursive)
{
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    if (recursive)
        pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&mutex, &attr);
    pthread_mutexattr_destroy(&attr);
}

std::shared_ptr<KernelObject> findOrMakeNamed(NamedKind kind, const char* rawName, bool create, mode_t mode,
    const InitNamed& init, const MakeNamed& make, bool& existed)
{
    existed = false;
    if (!rawName || !*rawName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string name = plainName(rawName);
    if (name.empty() || name.size() >= sizeof(SharedHeader::name)) {
        SetLastError(name.empty() ? ERROR_INVALID_NAME : ERROR_FILENAME_EXCED_RANGE);
        return nullptr;
    }
    const std::string folder = vantrelFolder(Folder::Runtime, true);
    if (folder.empty())
        return nullptr;

    std::lock_guard lock(namesMutex());
    const std::string key = folder + "/" + name;
    auto& names = registry();
    auto found = names.find(key);
    if (found != names.end()) {
        if (auto alive = found->second.object.lock()) {
            if (found->second.kind != kind) {
                SetLastError(ERROR_INVALID_HANDLE);
                return nullptr;
            }
            existed = true;
            return alive;
        }
        names.erase(found);
    }

    FolderLock folderLock(folder);
    const std::string path = nameFilePath(folder, rawName);
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), mode);
    if (fd < 0) {
        vntSetLastErrorFromErrno(errno);
        return nullptr;
    }
    const bool fresh = flock(fd, LOCK_EX | LOCK_NB) == 0;
    SharedHeader* header = nullptr;
    auto fail = [&](DWORD error) -> std::shared_ptr<KernelObject> {
        if (header)
            munmap(header, sizeof(SharedHeader));
        if (fresh)
            ::unlink(path.c_str()); // nobody else holds it
        ::close(fd);
        SetLastError(error);
        return nullptr;
    };
    if (fresh) {
        // A new object, or the stale file of one whose holders are all gone.
        if (!create)
            return fail(ERROR_FILE_NOT_FOUND);
        if (ftruncate(fd, 0) != 0 || ftruncate(fd, kSharedDataOffset) != 0 || fchmod(fd, mode) != 0)
            return fail(vntWin32ErrorFromErrno(errno));
        header = mapHeader(fd);
        if (!header)
            return fail(vntWin32ErrorFromErrno(errno));
        header->kind = uint32_t(kind);
        header->nameLength = uint32_t(name.size());
        std::memcpy(header->name, name.data(), name.size());
        initSharedMutex(header->lock, false);
        if (!init(*header, fd))
            return fail(GetLastError());
        header->magic = kMagic;
        flock(fd, LOCK_SH); // under the folder lock, so nobody sees it unheld meanwhile
    } else {
        while (flock(fd, LOCK_SH) != 0 && errno == EINTR) {
        }
        struct stat st;
        if (fstat(fd, &st) != 0 || st.st_size < off_t(sizeof(SharedHeader)))
            return fail(ERROR_INVALID_HANDLE);
        header = mapHeader(fd);
        if (!header)
            return fail(vntWin32ErrorFromErrno(errno));
        if (!headerNames(*header, name) || header->kind != uint32_t(kind))
            return fail(ERROR_INVALID_HANDLE);
    }
    auto object = make(std::make_shared<NameHold>(fd, header, path));
    if (!object)
        return nullptr;
    names[key] = Entry{kind, object};
    existed = !fresh;
    return object;
}

} // namespace plat
