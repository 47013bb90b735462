#pragma once

// The registry: keys and values under predefined roots, kept in two SQLite databases in the
// configuration folder (one for the user roots, one for the machine roots). Names are
// case-insensitive and keep their case; sub-keys and values are enumerated in case-insensitive
// name order. Every call is atomic, also between processes.

#include "plat/api.h"
#include "plat/errors.h"
#include "plat/types.h"

#include <string>
#include <vector>

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_PERFORMANCE_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000004))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))
#define HKEY_DYN_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000006))

typedef DWORD REGSAM;
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_EXECUTE 0x20019
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define REG_OPTION_NON_VOLATILE 0x00000000
#define REG_OPTION_VOLATILE 0x00000001
#define REG_CREATED_NEW_KEY 0x00000001
#define REG_OPENED_EXISTING_KEY 0x00000002

// Results are Win32 error numbers: 0, 2 (no such key or value), 5 (access denied), 6 (bad
// handle), 87 (bad parameter), 234 (buffer too small, size reported), 259 (no more items),
// 1018 (key deleted while open).
PLATAPI LONG RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, HKEY* phkResult);
PLATAPI LONG RegOpenKeyA(HKEY hKey, LPCSTR lpSubKey, HKEY* phkResult);
PLATAPI LONG RegCreateKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
    REGSAM samDesired, LPSECURITY_ATTRIBUTES lpSecurityAttributes, HKEY* phkResult, LPDWORD lpdwDisposition);
PLATAPI LONG RegCreateKeyA(HKEY hKey, LPCSTR lpSubKey, HKEY* phkResult);
PLATAPI LONG RegCloseKey(HKEY hKey);
PLATAPI LONG RegFlushKey(HKEY hKey);
PLATAPI LONG RegDeleteKeyA(HKEY hKey, LPCSTR lpSubKey);
PLATAPI LONG RegDeleteValueA(HKEY hKey, LPCSTR lpValueName);
PLATAPI LONG RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData,
    LPDWORD lpcbData);
PLATAPI LONG RegSetValueExA(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
    DWORD cbData);
PLATAPI LONG RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName);
PLATAPI LONG RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD lpReserved,
    LPSTR lpClass, LPDWORD lpcchClass, FILETIME* lpftLastWriteTime);
PLATAPI LONG RegEnumValueA(HKEY hKey, DWORD dwIndex, LPSTR lpValueName, LPDWORD lpcchValueName, LPDWORD lpReserved,
    LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
PLATAPI LONG RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved, LPDWORD lpcSubKeys,
    LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
    LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor, FILETIME* lpftLastWriteTime);

namespace plat {

// Makes every change under a predefined root fail with ERROR_ACCESS_DENIED (or allows it again),
// in this process; for tests of refused writes.
PLATAPI void registrySetReadOnly(HKEY root, bool readOnly);

// Makes the database of root's store refuse every change as SQLite refuses it on a read-only file
// (or take changes again), in this process; for tests of a registry that cannot be written.
PLATAPI void registrySetRefusingWrites(HKEY root, bool refuse);

// Why the last change written to the database that holds root was refused, in words ("the file
// is read-only", "the disk is full"); empty once a change there succeeded.
PLATAPI std::string registryWriteFailure(HKEY root);

// What the registry had to tell a person since the last call, oldest first: a damaged database
// kept aside and replaced by what could be read of it, a database that cannot be used. Each was
// written to stderr when it happened.
PLATAPI std::vector<std::string> registryTakeNotices();

// Lets go of the registry's databases now, as the program's end does, merging each log into its
// file where it can; a log that must stay beside its file is told (registryTakeNotices). The next
// call opens them again.
PLATAPI void registryClose();

// Calls hook (or nothing) after each change the registry makes in this process: a call that
// changed a database, also inside a transaction, and a committed transaction; for tests that
// stop a process part-way.
PLATAPI void registrySetWriteHook(void (*hook)());

// One transaction for the registry calls that this thread makes on root's database until it is
// committed, as a transacted key does: the others' calls wait for its end, and another process
// sees all of its changes or none. Each call in it stays atomic: one that fails leaves none of
// its own changes, and the caller decides whether to commit. Not committed, it is rolled back
// when it goes. One started by the thread of an open one joins it: it commits nothing (its
// commit answers ERROR_BUSY) and undoes nothing.
class PLATAPI RegistryTransaction {
public:
    explicit RegistryTransaction(HKEY root);
    ~RegistryTransaction();
    RegistryTransaction(const RegistryTransaction&) = delete;
    RegistryTransaction& operator=(const RegistryTransaction&) = delete;

    // A Win32 result: the start's failure, or the commit's (a refusal of the file, as a call's,
    // registryWriteFailure tells why).
    LONG commit();

private:
    void release();

    void* m_store = nullptr;
    LONG m_result = 0;
    bool m_locked = false;
};

// One read transaction for the registry calls that only read, made by this thread on root's
// database while it lives: they see the database as it was at their first read, through a
// connection of their own, and neither wait for the others' calls nor hold them up between
// calls. A change this thread makes meanwhile starts it again, so that its reads see it. Without
// one (a database that cannot be opened, one already open on this thread) the reads go on as
// they would.
class PLATAPI RegistryReadTransaction {
public:
    explicit RegistryReadTransaction(HKEY root);
    ~RegistryReadTransaction();
    RegistryReadTransaction(const RegistryReadTransaction&) = delete;
    RegistryReadTransaction& operator=(const RegistryReadTransaction&) = delete;

private:
    void* m_store = nullptr;
    bool m_user = false;
};

// The database files in use for the user roots and the machine roots (the machine file is
// VANTREL_MACHINE_REGISTRY when set); they follow the configuration folder as it changes.
PLATAPI std::string registryUserFile();
PLATAPI std::string registryMachineFile();

} // namespace plat
