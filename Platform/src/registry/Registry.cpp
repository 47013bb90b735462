#include "RegStore.h"

#include "plat/errors.h"
#include "plat/folders.h"
#include "plat/registry.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <unordered_map>

#include <unistd.h>

using plat::reg::Failure;
using plat::reg::RegStore;
using plat::reg::Stmt;

namespace {

constexpr DWORD kMaximumAllowed = 0x02000000;
constexpr DWORD kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | 0x00010000 /*DELETE*/
    | 0x00040000 /*WRITE_DAC*/ | 0x00080000 /*WRITE_OWNER*/;
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
// ERROR_REGISTRY_IO_FAILED: a database that cannot be opened.
constexpr LONG kIoFailedResult = 1016;

// The predefined roots in the order of their handle numbers (0x80000000 + index), with the
// database each lives in and its position among that database's roots.
struct RootInfo {
    const char* name;
    bool user;
    size_t position;
};
const RootInfo kRoots[] = {
    {"HKEY_CLASSES_ROOT", false, 0},
    {"HKEY_CURRENT_USER", true, 0},
    {"HKEY_LOCAL_MACHINE", false, 1},
    {"HKEY_USERS", true, 1},
    {"HKEY_PERFORMANCE_DATA", false, 2},
    {"HKEY_CURRENT_CONFIG", false, 3},
    {"HKEY_DYN_DATA", false, 4},
};
constexpr int kRootCount = 7;

int rootIndexOf(HKEY hKey)
{
    auto value = (uintptr_t)hKey;
    auto first = (uintptr_t)HKEY_CLASSES_ROOT;
    if (value >= first && value < first + kRootCount)
        return (int)(value - first);
    return -1;
}

struct OpenKey {
    bool user;
    uint64_t generation;
    int64_t id;
    int root;
    REGSAM sam;
};

// What a call works on: the database, the key's id, its root and the rights of the handle.
struct Target {
    RegStore* store;
    int64_t id;
    int root;
    REGSAM sam;
    bool predefined;
};

class Registry;
Registry& registry();

// The read transactions of this thread, for the machine and the user database.
thread_local RegStore* t_readers[2] = {};

class Registry {
public:
    // Recursive: a spanning transaction holds it from its start to its end, and the calls of its
    // thread take it again.
    std::recursive_mutex mutex;
    // Called after each change; for tests that stop a process part-way.
    void (*writeHook)() = nullptr;

    void changed() const
    {
        if (writeHook)
            writeHook();
    }

    LONG target(HKEY hKey, Target& out)
    {
        int root = rootIndexOf(hKey);
        if (root >= 0) {
            RegStore* store;
            LONG rc = storeFor(kRoots[root].user, store);
            if (rc != ERROR_SUCCESS)
                return rc;
            out = {store, store->rootId(kRoots[root].position), root, KEY_ALL_ACCESS, true};
            return ERROR_SUCCESS;
        }
        auto it = m_handles.find((uintptr_t)hKey);
        if (it == m_handles.end())
            return ERROR_INVALID_HANDLE;
        const OpenKey& key = it->second;
        RegStore* store;
        LONG rc = storeFor(key.user, store);
        if (rc != ERROR_SUCCESS)
            return rc;
        // A handle from a store that was replaced (another configuration folder) names nothing.
        if (key.generation != m_generation[key.user])
            return ERROR_INVALID_HANDLE;
        out = {store, key.id, key.root, key.sam, false};
        return ERROR_SUCCESS;
    }

    HKEY newHandle(const Target& t, int64_t id, REGSAM sam)
    {
        uintptr_t value = m_next;
        m_next += 8;
        bool user = kRoots[t.root].user;
        m_handles[value] = {user, m_generation[user], id, t.root, sam};
        return (HKEY)value;
    }

    // A read of this thread goes to its read transaction on the same file, when it has one.
    static void readThrough(Target& t)
    {
        if (RegStore* reader = readerOf(t))
            t.store = reader;
    }

    // A change made: the thread's read transaction on the file starts again, so that its reads
    // see what it wrote.
    void changedBy(const Target& t) const
    {
        if (RegStore* reader = readerOf(t))
            reader->renewReading();
        changed();
    }

    static RegStore* readerOf(const Target& t)
    {
        RegStore* reader = t_readers[kRoots[t.root].user];
        return reader && reader->path() == t.store->path() ? reader : nullptr;
    }

    bool closeHandle(HKEY hKey) { return m_handles.erase((uintptr_t)hKey) > 0; }

    bool readOnly[kRootCount] = {};

    std::string userFile() const
    {
        std::string folder = plat::vantrelFolder(plat::Folder::Config, false);
        return folder + "/registry-user.db";
    }

    std::string machineFile() const
    {
        const char* named = std::getenv("VANTREL_MACHINE_REGISTRY");
        if (named && *named)
            return named;
        return plat::vantrelFolder(plat::Folder::Config, false) + "/registry-machine.db";
    }

    // The store of a root, opened as needed; null when it cannot be.
    RegStore* storeOf(int root)
    {
        RegStore* store = nullptr;
        return storeFor(kRoots[root].user, store) == ERROR_SUCCESS ? store : nullptr;
    }

    std::vector<std::string> takeNotices()
    {
        std::vector<std::string> notices;
        notices.swap(m_notices);
        return notices;
    }

    bool refuseWrites[2] = {};

    // Lets go of every store, as the program's end does; a log that must stay beside its file is
    // told. A store in a transaction of the calling thread stays with it.
    void closeStores()
    {
        for (bool user : {false, true})
            if (m_stores[user] && !m_stores[user]->spanning())
                closeStore(user);
    }

private:
    // The store for the current configuration folder, opened (or re-opened) as needed. A store
    // that met damage is made anew, which replaces the damaged file; handles on it name nothing.
    LONG storeFor(bool user, RegStore*& out)
    {
        const std::string path = user ? userFile() : machineFile();
        std::unique_ptr<RegStore>& store = m_stores[user];
        // A spanning transaction keeps its store to its end.
        if (store && store->spanning()) {
            out = store.get();
            return ERROR_SUCCESS;
        }
        if (!store || store->path() != path || store->damaged())
            makeStore(user, path);
        LONG rc = store->open();
        if (rc != ERROR_SUCCESS && store->damaged()) {
            makeStore(user, path);
            rc = store->open();
        }
        if (auto report = store->takeDamageReport()) {
            tell(damageNotice(user, path, *report));
            m_toldUnusable[user] = true;
        }
        if (rc != ERROR_SUCCESS) {
            if (!m_toldUnusable[user])
                tell("The registry file " + path + " cannot be used: "
                    + RegStore::describe(store->lastError() ? store->lastError() : SQLITE_CANTOPEN) + ".");
            m_toldUnusable[user] = true;
            return rc;
        }
        closeAtExit();
        out = store.get();
        return ERROR_SUCCESS;
    }

    // A file copied or moved once the process has ended must hold everything by itself: its
    // connections close at exit, the last one merging the log. A forked child inherits the
    // handler but not the connections' locks, and leaves them to its parent. A store opened again
    // by a later handler or static destructor asks for another close.
    void closeAtExit()
    {
        if (m_closingAtExit.load() == getpid())
            return;
        m_closingAtExit = getpid();
        std::atexit([] { registry().closeAtProcessEnd(); });
    }

    void closeAtProcessEnd()
    {
        if (m_closingAtExit.load() != getpid())
            return;
        std::lock_guard lock(mutex);
        m_closingAtExit = 0;
        closeStores();
    }

    // The file alone does not hold the registry while its log stays beside it: a person who
    // copies or moves the file must take the log along. Told once while it stays so.
    void closeStore(bool user)
    {
        RegStore& store = *m_stores[user];
        const std::string reason = store.keptLogReason();
        if (!reason.empty() && !m_toldKeptLog[user])
            tell("The registry file " + store.path() + " could not take in its latest changes (" + reason
                + "): they are kept in " + store.path() + "-wal, which must stay beside it; copy or move both.");
        m_toldKeptLog[user] = !reason.empty();
        store.close();
    }

    void makeStore(bool user, const std::string& path)
    {
        std::unique_ptr<RegStore>& store = m_stores[user];
        const bool damaged = store && store->path() == path && store->damaged();
        if (store)
            closeStore(user);
        plat::vantrelFolder(plat::Folder::Config, true);
        std::vector<std::string> roots;
        for (const RootInfo& r : kRoots)
            if (r.user == user)
                roots.emplace_back(r.name);
        store = std::make_unique<RegStore>(path, roots, user ? nullptr : &plat::reg::seedMachineStore);
        if (damaged)
            store->markDamaged();
        store->refuseWrites(refuseWrites[user]);
        ++m_generation[user];
        m_toldUnusable[user] = false;
    }

    static std::string damageNotice(bool user, const std::string& path, const RegStore::DamageReport& report)
    {
        std::string text = "The registry file " + path + " is damaged.";
        if (report.copy.empty())
            return text + " It is left as it is, since " + report.failure
                + "; the registry cannot be used until the file is moved away.";
        text += " It is kept as " + report.copy + ".";
        if (!report.failure.empty())
            return text + " The registry cannot be used: " + report.failure + ".";
        text += " What could still be read of it, " + std::to_string(report.keys) + " keys and "
            + std::to_string(report.values) + " values, was carried into a new file.";
        if (!user)
            text += " Plug-ins registered in it that are missing now are registered again by ./build.sh run"
                    " (or vntregsvr with each plug-in).";
        return text;
    }

    // A person learns it at once on stderr, and the program shows it when it can.
    void tell(const std::string& text)
    {
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, text.c_str());
        m_notices.push_back(text);
    }

    std::vector<std::string> m_notices;
    bool m_toldUnusable[2] = {};
    bool m_toldKeptLog[2] = {};

    std::unique_ptr<RegStore> m_stores[2];
    std::atomic<pid_t> m_closingAtExit{0};
    uint64_t m_generation[2] = {0, 0};
    std::unordered_map<uintptr_t, OpenKey> m_handles;
    uintptr_t m_next = 0x10000;
};

Registry& registry()
{
    static Registry* instance = new Registry; // used by static destructors of other libraries
    return *instance;
}

// Splits a sub-key path at its backslashes; empty parts are skipped. False for a part longer
// than a key name may be.
bool splitPath(const char* path, std::vector<std::string>& parts)
{
    parts.clear();
    if (!path)
        return true;
    const char* start = path;
    for (const char* p = path;; ++p) {
        if (*p == '\\' || *p == '\0') {
            if (p > start) {
                if ((size_t)(p - start) > kMaxKeyNameLength)
                    return false;
                parts.emplace_back(start, p);
            }
            if (*p == '\0')
                break;
            start = p + 1;
        }
    }
    return true;
}

// Inside a transaction: the key a non-predefined handle names must still exist.
void requireLive(const Target& t)
{
    if (!t.predefined && !t.store->keyExists(t.id))
        throw Failure{ERROR_KEY_DELETED};
}

void requireRights(const Target& t, REGSAM rights)
{
    if ((t.sam & rights) != rights)
        throw Failure{ERROR_ACCESS_DENIED};
}

REGSAM effectiveRights(REGSAM sam, int root)
{
    if (sam & kMaximumAllowed)
        sam = (sam & ~kMaximumAllowed) | (registry().readOnly[root] ? KEY_READ : KEY_ALL_ACCESS);
    return sam;
}

// Copies a name into a caller's buffer of *cch characters; answers ERROR_MORE_DATA (and the
// length needed) when it does not fit with its terminator.
LONG putName(const std::string& name, LPSTR buffer, DWORD* cch)
{
    if (name.size() + 1 > *cch) {
        *cch = (DWORD)name.size();
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    *cch = (DWORD)name.size();
    return ERROR_SUCCESS;
}

// Hands a value's data out the way the query and enumeration calls do.
LONG putData(const Stmt& row, int typeCol, int dataCol, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpType)
        *lpType = (DWORD)row.integer(typeCol);
    size_t size = row.size(dataCol);
    if (!lpcbData)
        return ERROR_SUCCESS;
    if (!lpData) {
        *lpcbData = (DWORD)size;
        return ERROR_SUCCESS;
    }
    if (size > *lpcbData) {
        *lpcbData = (DWORD)size;
        return ERROR_MORE_DATA;
    }
    if (size)
        std::memcpy(lpData, row.blob(dataCol), size);
    *lpcbData = (DWORD)size;
    return ERROR_SUCCESS;
}

// Keys have no class names, and no write times are kept.
void noClassNorTime(LPSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime)
{
    if (lpClass && lpcchClass && *lpcchClass)
        *lpClass = '\0';
    if (lpcchClass)
        *lpcchClass = 0;
    if (lpftLastWriteTime)
        *lpftLastWriteTime = FILETIME{0, 0};
}

LONG openOrCreate(HKEY hKey, LPCSTR lpSubKey, REGSAM samDesired, bool create, HKEY* phkResult, LPDWORD disposition)
{
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    std::vector<std::string> parts;
    if (!splitPath(lpSubKey, parts))
        return ERROR_INVALID_PARAMETER;
    if (create && lpSubKey && lpSubKey[0] == '\\')
        return ERROR_BAD_PATHNAME;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    LONG rc = r.target(hKey, t);
    if (rc != ERROR_SUCCESS)
        return rc;
    REGSAM sam = effectiveRights(samDesired, t.root);
    if (r.readOnly[t.root] && (create || (sam & kWriteRights)))
        return ERROR_ACCESS_DENIED;
    if (!create)
        r.readThrough(t);
    int64_t id = 0;
    bool createdAny = false;
    rc = t.store->transact(create, [&]() -> LONG {
        requireLive(t);
        id = t.id;
        for (const std::string& part : parts) {
            if (create) {
                bool created;
                id = t.store->makeChild(id, part, created);
                createdAny = createdAny || created;
            } else if (!(id = t.store->child(id, part))) {
                return ERROR_FILE_NOT_FOUND;
            }
        }
        if (createdAny && !t.predefined && !(t.sam & KEY_CREATE_SUB_KEY))
            return ERROR_ACCESS_DENIED;
        return ERROR_SUCCESS;
    });
    if (rc != ERROR_SUCCESS)
        return rc;
    if (createdAny)
        r.changedBy(t);
    *phkResult = r.newHandle(t, id, sam);
    if (disposition)
        *disposition = createdAny ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

// Runs a call on the key a handle names, in one transaction.
template <class Body>
LONG onKey(HKEY hKey, bool write, Body body)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Target t;
    LONG rc = r.target(hKey, t);
    if (rc != ERROR_SUCCESS)
        return rc;
    if (write && r.readOnly[t.root])
        return ERROR_ACCESS_DENIED;
    if (!write)
        r.readThrough(t);
    rc = t.store->transact(write, [&]() -> LONG {
        requireLive(t);
        return body(t);
    });
    if (write && rc == ERROR_SUCCESS)
        r.changedBy(t);
    return rc;
}

} // namespace

LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, HKEY* phkResult)
{
    return openOrCreate(hKey, lpSubKey, samDesired, false, phkResult, nullptr);
}

LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, HKEY* phkResult)
{
    return openOrCreate(hKey, lpSubKey, kMaximumAllowed, false, phkResult, nullptr);
}

LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired, LPSECURITY_ATTRIBUTES,
    HKEY* phkResult, LPDWORD lpdwDisposition)
{
    if (!lpSubKey)
        return ERROR_INVALID_PARAMETER;
    return openOrCreate(hKey, lpSubKey, samDesired, true, phkResult, lpdwDisposition);
}

LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, HKEY* phkResult)
{
    return openOrCreate(hKey, lpSubKey ? lpSubKey : "", kMaximumAllowed, true, phkResult, nullptr);
}

LONG RegCloseKey(HKEY hKey)
{
    if (rootIndexOf(hKey) >= 0)
        return ERROR_SUCCESS;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.closeHandle(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY hKey)
{
    // Every call is committed when it returns, or with its transaction; there is nothing left to
    // write.
    return onKey(hKey, false, [](const Target&) -> LONG { return ERROR_SUCCESS; });
}

LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey)
{
    std::vector<std::string> parts;
    if (!lpSubKey || !splitPath(lpSubKey, parts) || parts.empty())
        return ERROR_INVALID_PARAMETER;
    return onKey(hKey, true, [&](const Target& t) -> LONG {
        int64_t id = t.id;
        for (const std::string& part : parts)
            if (!(id = t.store->child(id, part)))
                return ERROR_FILE_NOT_FOUND;
        Stmt children = t.store->sql("SELECT 1 FROM keys WHERE parent=?1 LIMIT 1");
        children.bind(1, id);
        if (children.step())
            return ERROR_ACCESS_DENIED;
        Stmt values = t.store->sql("DELETE FROM vals WHERE key=?1");
        values.bind(1, id).step();
        Stmt key = t.store->sql("DELETE FROM keys WHERE id=?1");
        key.bind(1, id).step();
        return ERROR_SUCCESS;
    });
}

LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName)
{
    std::string name = lpValueName ? lpValueName : "";
    return onKey(hKey, true, [&](const Target& t) -> LONG {
        requireRights(t, KEY_SET_VALUE);
        Stmt s = t.store->sql("DELETE FROM vals WHERE key=?1 AND name=?2 RETURNING 1");
        s.bind(1, t.id).bind(2, name);
        bool deleted = s.step();
        while (s.step()) {
        }
        return deleted ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
    });
}

LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData)
{
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    std::string name = lpValueName ? lpValueName : "";
    return onKey(hKey, false, [&](const Target& t) -> LONG {
        requireRights(t, KEY_QUERY_VALUE);
        Stmt s = t.store->sql("SELECT type, data FROM vals WHERE key=?1 AND name=?2");
        s.bind(1, t.id).bind(2, name);
        if (!s.step())
            return ERROR_FILE_NOT_FOUND;
        return putData(s, 0, 1, lpType, lpData, lpcbData);
    });
}

LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData)
{
    if (!lpData && cbData)
        return ERROR_NOACCESS;
    std::string name = lpValueName ? lpValueName : "";
    // The store keeps values below 2 GB; a count above that is a caller's mistake.
    if (name.size() > kMaxValueNameLength || cbData > 0x7FFFFFFFu)
        return ERROR_INVALID_PARAMETER;
    return onKey(hKey, true, [&](const Target& t) -> LONG {
        requireRights(t, KEY_SET_VALUE);
        t.store->setValue(t.id, name, dwType, lpData, cbData);
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
    LPDWORD lpcchClass, FILETIME* lpftLastWriteTime)
{
    if (!lpName || !lpcchName)
        return ERROR_INVALID_PARAMETER;
    return onKey(hKey, false, [&](const Target& t) -> LONG {
        requireRights(t, KEY_ENUMERATE_SUB_KEYS);
        Stmt s = t.store->sql("SELECT name FROM keys WHERE parent=?1 ORDER BY name LIMIT 1 OFFSET ?2");
        s.bind(1, t.id).bind(2, (int64_t)dwIndex);
        if (!s.step())
            return ERROR_NO_MORE_ITEMS;
        LONG rc = putName(s.text(0), lpName, lpcchName);
        if (rc != ERROR_SUCCESS)
            return rc;
        noClassNorTime(lpClass, lpcchClass, lpftLastWriteTime);
        return ERROR_SUCCESS;
    });
}

LONG RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName)
{
    return RegEnumKeyExA(hKey, dwIndex, lpName, &cchName, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType,
    LPBYTE lpData, LPDWORD lpcbData)
{
    if (!lpValueName || !lpcchValueName || (lpData && !lpcbData))
        return ERROR_INVALID_PARAMETER;
    return onKey(hKey, false, [&](const Target& t) -> LONG {
        requireRights(t, KEY_QUERY_VALUE);
        Stmt s = t.store->sql("SELECT name, type, data FROM vals WHERE key=?1 ORDER BY name LIMIT 1 OFFSET ?2");
        s.bind(1, t.id).bind(2, (int64_t)dwIndex);
        if (!s.step())
            return ERROR_NO_MORE_ITEMS;
        LONG rc = putName(s.text(0), lpValueName, lpcchValueName);
        if (rc != ERROR_SUCCESS)
            return rc;
        return putData(s, 1, 2, lpType, lpData, lpcbData);
    });
}

LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
    LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
    LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime)
{
    return onKey(hKey, false, [&](const Target& t) -> LONG {
        requireRights(t, KEY_QUERY_VALUE);
        Stmt keys = t.store->sql("SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0) FROM keys WHERE parent=?1");
        keys.bind(1, t.id).step();
        Stmt vals = t.store->sql(
            "SELECT count(*), coalesce(max(length(CAST(name AS BLOB))), 0), coalesce(max(length(data)), 0) FROM vals WHERE key=?1");
        vals.bind(1, t.id).step();
        noClassNorTime(lpClass, lpcchClass, lpftLastWriteTime);
        if (lpcSubKeys)
            *lpcSubKeys = (DWORD)keys.integer(0);
        if (lpcbMaxSubKeyLen)
            *lpcbMaxSubKeyLen = (DWORD)keys.integer(1);
        if (lpcbMaxClassLen)
            *lpcbMaxClassLen = 0;
        if (lpcValues)
            *lpcValues = (DWORD)vals.integer(0);
        if (lpcbMaxValueNameLen)
            *lpcbMaxValueNameLen = (DWORD)vals.integer(1);
        if (lpcbMaxValueLen)
            *lpcbMaxValueLen = (DWORD)vals.integer(2);
        if (lpcbSecurityDescriptor)
            *lpcbSecurityDescriptor = 0;
        return ERROR_SUCCESS;
    });
}

namespace plat {

void registrySetReadOnly(HKEY root, bool readOnly)
{
    int index = rootIndexOf(root);
    if (index < 0)
        return;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.readOnly[index] = readOnly;
}

void registrySetRefusingWrites(HKEY root, bool refuse)
{
    const int index = rootIndexOf(root);
    if (index < 0)
        return;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.refuseWrites[kRoots[index].user] = refuse;
    if (RegStore* store = r.storeOf(index))
        store->refuseWrites(refuse);
}

std::string registryWriteFailure(HKEY root)
{
    const int index = rootIndexOf(root);
    if (index < 0)
        return {};
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    RegStore* store = r.storeOf(index);
    const int failure = store ? store->writeFailure() : SQLITE_CANTOPEN;
    return failure ? RegStore::describe(failure) : std::string();
}

std::vector<std::string> registryTakeNotices()
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.takeNotices();
}

void registryClose()
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.closeStores();
}

void registrySetWriteHook(void (*hook)())
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.writeHook = hook;
}

RegistryTransaction::RegistryTransaction(HKEY root)
{
    const int index = rootIndexOf(root);
    Registry& r = registry();
    r.mutex.lock();
    m_locked = true;
    RegStore* store = index >= 0 ? r.storeOf(index) : nullptr;
    if (!store || store->spanning()) {
        m_result = store ? ERROR_BUSY : index >= 0 ? kIoFailedResult : ERROR_INVALID_HANDLE;
        release();
        return;
    }
    // A transaction that could not start keeps its store failing every change until it ends:
    // none of them may be stored on its own.
    m_result = store->beginSpan();
    m_store = store;
}

RegistryTransaction::~RegistryTransaction()
{
    if (m_store)
        static_cast<RegStore*>(m_store)->rollbackSpan();
    release();
}

LONG RegistryTransaction::commit()
{
    if (!m_store)
        return m_result;
    auto* store = static_cast<RegStore*>(m_store);
    m_store = nullptr;
    m_result = store->commitSpan();
    if (m_result == ERROR_SUCCESS)
        registry().changed();
    release();
    return m_result;
}

void RegistryTransaction::release()
{
    if (m_locked)
        registry().mutex.unlock();
    m_locked = false;
}

RegistryReadTransaction::RegistryReadTransaction(HKEY root)
{
    const int index = rootIndexOf(root);
    if (index < 0 || t_readers[kRoots[index].user])
        return;
    std::string path;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        RegStore* store = r.storeOf(index);
        if (!store)
            return;
        path = store->path();
    }
    auto reader = std::make_unique<RegStore>(path, std::vector<std::string>(), nullptr);
    if (reader->beginReading() != ERROR_SUCCESS)
        return;
    m_user = kRoots[index].user;
    t_readers[m_user] = reader.release();
    m_store = t_readers[m_user];
}

RegistryReadTransaction::~RegistryReadTransaction()
{
    if (!m_store)
        return;
    t_readers[m_user] = nullptr;
    delete static_cast<RegStore*>(m_store);
}

std::string registryUserFile() { return registry().userFile(); }

std::string registryMachineFile() { return registry().machineFile(); }

} // namespace plat
