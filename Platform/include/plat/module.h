#pragma once

// Modules: shared objects loaded at run time, and the program itself. A module handle is the
// address of the module's first byte in memory, as on the original platform; a module loaded as
// a data file (resources only, nothing run) has a handle of its own with the low bit set.

#include "plat/api.h"
#include "plat/types.h"

// Without a result type of its own: casting it to the real function type is the only use, and
// this form of it is the one the compiler accepts such casts from without a warning.
typedef void (*FARPROC)();

#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_WITH_ALTERED_SEARCH_PATH 0x00000008

#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004

// A bare name is looked for beside the program first, then where the system loader looks.
// "x.dll" stands for "x.so"; a name without an extension gets ".so" (a trailing "." prevents it);
// "name" also finds "libname.so". Each successful load must be matched by FreeLibrary.
PLATAPI HMODULE LoadLibraryA(LPCSTR lpLibFileName);
// LOAD_LIBRARY_AS_DATAFILE reads only the module's resources from its file, running nothing; a
// module already loaded answers its ordinary handle (and counts one more load).
PLATAPI HMODULE LoadLibraryExA(LPCSTR lpLibFileName, HANDLE hFile, DWORD dwFlags);
// The last free of a module unloads it, except once the process has begun to exit (from main's
// return or exit() on any thread): then the count drops and the module stays, so that the static
// destructors running then may free the module they belong to.
PLATAPI BOOL FreeLibrary(HMODULE hLibModule);
// Only symbols the module itself defines are found (not those of the modules it uses).
PLATAPI FARPROC GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// Null answers the program; otherwise a loaded module by path or by name as LoadLibraryA names it.
PLATAPI HMODULE GetModuleHandleA(LPCSTR lpModuleName);
// With GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, lpModuleName is an address inside the module.
// The reference count is never changed here.
PLATAPI BOOL GetModuleHandleExA(DWORD dwFlags, LPCSTR lpModuleName, HMODULE* phModule);
// A null module names the program. A path that does not fit is cut (and terminated) and the
// answer is nSize with ERROR_INSUFFICIENT_BUFFER.
PLATAPI DWORD GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);
