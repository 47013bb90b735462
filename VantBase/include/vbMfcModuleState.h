#pragma once

// A private framework module state, owned for the life of this object (the plug-in centre keeps
// one for the modules it loads).

#include "vbExport.h"

#include "plat/afxdll.h"

#include <cstddef>

class VBAPI vbMfcModuleState {
public:
    // The state proper, on zero-filled storage of the runtime heap.
    struct VBAPI ModuleState : AFX_MODULE_STATE {
        ModuleState(BOOL bDLL, WNDPROC pfnAfxWndProc, DWORD dwVersion, BOOL bSystem);
        // Throws the framework's memory exception when the heap is exhausted.
        static void* operator new(size_t size);
        static void operator delete(void* p) noexcept;
    };

    vbMfcModuleState(BOOL bDLL, WNDPROC pfnAfxWndProc, DWORD dwVersion, BOOL bSystem = FALSE);
    // One owner only: a copy would delete the state twice.
    vbMfcModuleState(const vbMfcModuleState&) = delete;
    vbMfcModuleState& operator=(const vbMfcModuleState&) = delete;
    ~vbMfcModuleState();

    AFX_MODULE_STATE* GetModuleState() const { return m_pState; }

    // Makes a state the current one for the life of the switch. The platform keeps one module
    // state for the whole process, so the switch leaves it as it is.
    class Switch {
    public:
        explicit Switch(const vbMfcModuleState&) { }
        Switch(const Switch&) = delete;
        Switch& operator=(const Switch&) = delete;
    };

private:
    ModuleState* m_pState;
};
