#pragma once

#include "vbBaseItf.h"

// Holds a bitmap's row lock between GetBitmapRow calls and lets it go on every way out.
struct jpegRowLock {
    sIvbLock* lock = nullptr;

    jpegRowLock() = default;
    jpegRowLock(const jpegRowLock&) = delete;
    jpegRowLock& operator=(const jpegRowLock&) = delete;
    ~jpegRowLock() { release(); }

    void release()
    {
        if (sIvbLock* held = lock) {
            lock = nullptr;
            held->Unlock();
        }
    }
};
