#pragma once

// Kernel objects found by name, shared by every process of the user. Each name is a file in the
// runtime folder that holds the object's header and state in shared memory; every process that
// holds the object keeps a shared flock on it, so the object is alive exactly while some process
// holds it (the kernel drops the locks of a process that dies). The last holder to let go
// removes the file; a file that nobody holds is stale and the next creator starts it afresh.
//
// A name that an object of another kind uses fails with ERROR_INVALID_HANDLE; a name whose
// object is alive answers that object with existed set.

#include "kernel/HandleTable.h"

#include <functional>
#include <pthread.h>
#include <string>
#include <sys/types.h>

namespace plat {

enum class NamedKind : uint32_t { Event = 1, Mutex = 2, Semaphore = 3, Mapping = 4 };

// The shared part of a named object, at the start of its file.
struct SharedHeader {
    uint32_t magic;
    uint32_t kind;
    uint32_t nameLength;
    uint32_t wakeCount; // raised at every change of the state (see Waitable::sharedWakeWord)
    char name[272];
    // Robust and process-shared: guards the state of events and semaphores.
    pthread_mutex_t lock;
    union {
        struct {
            uint32_t manual;
            uint32_t signalled;
            uint32_t pulseCount;  // raised by every PulseEvent
            uint32_t pulseTokens; // threads the last pulse may still release (all: UINT32_MAX)
        } event;
        struct {
            int32_t count;
            int32_t maximum;
        } semaphore;
        struct {
            pthread_mutex_t owner; // robust, recursive, process-shared: held by the owning thread
            uint32_t abandoned;    // the next owner is told WAIT_ABANDONED
        } mutex;
        struct {
            uint64_t size;
            uint32_t writable;
            uint32_t fileBacked; // the data are in the file at path, else after the header
            char path[4096];
        } mapping;
    } u;
};

// Where the data of a mapping on the paging file start in its name file.
constexpr off_t kSharedDataOffset = 65536;
static_assert(sizeof(SharedHeader) <= kSharedDataOffset, "the header must fit before the data");

// This process's hold on one name: the open name file (with its shared flock) and its header
// mapped. Destroying it lets go; the last holder anywhere removes the file.
class NameHold {
public:
    NameHold(int fd, SharedHeader* header, std::string path);
    ~NameHold();
    NameHold(const NameHold&) = delete;
    NameHold& operator=(const NameHold&) = delete;

    SharedHeader& header() const { return *m_header; }
    int fd() const { return m_fd; }

private:
    int m_fd;
    SharedHeader* m_header;
    std::string m_path;
};

// Locks a robust process-shared mutex for its scope, taking it over from a dead holder.
class SharedLock {
public:
    explicit SharedLock(pthread_mutex_t& mutex);
    ~SharedLock();
    SharedLock(const SharedLock&) = delete;
    SharedLock& operator=(const SharedLock&) = delete;

private:
    pthread_mutex_t& m_mutex;
};

// Makes a robust process-shared mutex (recursive when asked) in shared memory.
void initSharedMutex(pthread_mutex_t& mutex, bool recursive);

// The file that stands for name in the runtime folder (exported for the reader's fuzz target).
PLATAPI std::string nameFilePath(const std::string& folder, const char* name);

// Finds the object called name in this process or anywhere, or (create) makes it: make builds
// the object around a new hold, after init has set up the state of a new name (its kind and
// name are filled in). Null with the last error set on failure (ERROR_FILE_NOT_FOUND when
// opening a name that no one holds).
using MakeNamed = std::function<std::shared_ptr<KernelObject>(std::shared_ptr<NameHold>)>;
using InitNamed = std::function<bool(SharedHeader&, int fd)>;
std::shared_ptr<KernelObject> findOrMakeNamed(NamedKind kind, const char* name, bool create, mode_t mode,
    const InitNamed& init, const MakeNamed& make, bool& existed);

std::shared_ptr<KernelObject> createNamedEvent(const char* name, bool manualReset, bool initialState,
    const SECURITY_ATTRIBUTES* sa, bool& existed);
std::shared_ptr<KernelObject> createNamedMutex(const char* name, bool initialOwner, const SECURITY_ATTRIBUTES* sa,
    bool& existed);
std::shared_ptr<KernelObject> createNamedSemaphore(const char* name, LONG initial, LONG maximum,
    const SECURITY_ATTRIBUTES* sa, bool& existed);
// Null with ERROR_FILE_NOT_FOUND when no object of that name is alive.
std::shared_ptr<KernelObject> openNamed(NamedKind kind, const char* name);

} // namespace plat
