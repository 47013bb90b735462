#pragma once

// Shared by the keyboard manager's sources: what the thread's message extra information says
// about the key message in hand, and how a failed system call is reported.

#include "plat/errors.h"
#include "plat/types.h"

namespace guiKeysImpl {

// A buffered key is being replayed.
constexpr LPARAM kReplay = 0x12344321;
// A key of a sequence is being played.
constexpr LPARAM kSequence = 0x23455432;
// The key was already recorded by an outer filter.
constexpr LPARAM kRecorded = 0x34566543;

// The thread's last error as HRESULT, 0 when there is none.
inline HRESULT lastErrorHr()
{
    const DWORD err = GetLastError();
    return err == 0 ? 0 : static_cast<HRESULT>(0x80070000u | (err & 0xFFFFu));
}

} // namespace guiKeysImpl
