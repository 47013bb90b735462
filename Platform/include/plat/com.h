#pragma once

// COM: per-thread initialisation, task memory, and class objects of in-process servers. An
// in-process server is a shared object registered under
// HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 (default value: the module's path) that exports
// DllGetClassObject, DllCanUnloadNow, DllRegisterServer and DllUnregisterServer (extern "C").

#include "plat/api.h"
#include "plat/types.h"
#include "plat/unknwn.h"

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0
#define COINIT_DISABLE_OLE1DDE 0x4
#define COINIT_SPEED_OVER_MEMORY 0x8

#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106u)
#define SELFREG_E_CLASS ((HRESULT)0x80040201u)

// S_OK for a thread's first initialisation, S_FALSE for each further one (each must be matched
// by CoUninitialize); RPC_E_CHANGED_MODE when the thread was initialised in the other model.
PLATAPI HRESULT CoInitialize(LPVOID pvReserved);
PLATAPI HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
PLATAPI void CoUninitialize();

PLATAPI LPVOID CoTaskMemAlloc(SIZE_T cb);
PLATAPI LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
PLATAPI void CoTaskMemFree(LPVOID pv);

// Finds the class's in-process server (CO_E_NOTINITIALIZED on a thread without CoInitialize,
// REGDB_E_CLASSNOTREG when it is not registered), loads it and asks its DllGetClassObject. The
// module stays loaded until CoFreeUnusedLibraries finds that DllCanUnloadNow agrees.
PLATAPI HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv);
PLATAPI HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
PLATAPI void CoFreeUnusedLibraries();

typedef HRESULT (*LPFNGETCLASSOBJECT)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT (*LPFNCANUNLOADNOW)();
typedef HRESULT (*LPFNREGISTERSERVER)();
