#pragma once

// What a strip and its listeners share. A listener reaches its strip only through the link, under
// its lock, and the strip cuts the link under that lock before it goes: a listener that outlives
// its strip (still held by the plug-in centre) then finds no strip instead of a freed one.

#include <atomic>
#include <cstdint>
#include <shared_mutex>

class guiProgress;

struct guiProgressLink {
    // Shared while listeners are inside the strip (they do not wait for each other), taken alone to
    // cut the link.
    std::shared_mutex sect;
    guiProgress* strip = nullptr;
    // Listeners alive for the strip; the strip waits for none before it goes.
    std::atomic<int32_t> live{0};
};
