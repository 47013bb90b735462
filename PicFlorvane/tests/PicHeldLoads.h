#pragma once

// Loads that wait part-way, for the tests of what shows while a picture is still coming.

#include "plat/errors.h"
#include "plat/module.h"

#include "testsupport/ImageFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace pic::test {

// The test picture plug-in whose loads wait at two fifths of their file until the gate opens,
// registered for "hold" files; the gate is closed until open() and opened at the end.
class HeldLoads {
public:
    HeldLoads()
    {
        m_module = LoadLibraryA(VNT_BIN_DIR "/pic_hold_plugin.so");
        EXPECT_NE(m_module, nullptr);
        m_setOpen = reinterpret_cast<void (*)(bool)>(GetProcAddress(m_module, "picHoldSetOpen"));
        m_waiting = reinterpret_cast<int (*)()>(GetProcAddress(m_module, "picHoldWaiting"));
        m_live = reinterpret_cast<int (*)()>(GetProcAddress(m_module, "picHoldLive"));
        m_setOpen(false);
        const auto registerServer = reinterpret_cast<HRESULT (*)()>(GetProcAddress(m_module, "DllRegisterServer"));
        EXPECT_EQ(registerServer(), S_OK);
    }
    ~HeldLoads()
    {
        m_setOpen(true);
        FreeLibrary(m_module);
    }
    HeldLoads(const HeldLoads&) = delete;
    HeldLoads& operator=(const HeldLoads&) = delete;

    // A file of the plug-in of that many bytes.
    static vnt::test::Bytes file(uint32_t length)
    {
        vnt::test::Bytes bytes(length, 'h');
        std::memcpy(bytes.data(), "HOLD", 4);
        std::memcpy(bytes.data() + 4, &length, 4);
        return bytes;
    }
    void open() { m_setOpen(true); }
    void close() { m_setOpen(false); }
    int waiting() const { return m_waiting(); }
    int live() const { return m_live(); }

private:
    HMODULE m_module = nullptr;
    void (*m_setOpen)(bool) = nullptr;
    int (*m_waiting)() = nullptr;
    int (*m_live)() = nullptr;
};

} // namespace pic::test
