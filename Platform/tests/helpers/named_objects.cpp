// Holds or uses named kernel objects from a second process, for the named-object tests:
//   event NAME          create the event, say "ready", wait for it for ever
//   set NAME            open the event and set it
//   release NAME        open the semaphore and raise it by one
//   take NAME           open the mutex, take it, say "ready" and end without releasing it
//   mapping NAME        open the mapping, check the parent's text at 0, write a reply at 65536
// Prints "ready" or "ok" on success; anything else (and exit code 1) on failure.

#include "plat/errors.h"
#include "plat/handles.h"
#include "plat/mapping.h"
#include "plat/sync.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int fail(const char* what)
{
    std::printf("%s failed: %u\n", what, GetLastError());
    return 1;
}

void say(const char* text)
{
    std::printf("%s\n", text);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string command = argv[1];
    const char* name = argv[2];
    if (command == "event") {
        HANDLE event = CreateEventA(nullptr, TRUE, FALSE, name);
        if (!event)
            return fail("CreateEventA");
        say("ready");
        WaitForSingleObject(event, INFINITE);
        return 0;
    }
    if (command == "set") {
        HANDLE event = OpenEventA(EVENT_ALL_ACCESS, FALSE, name);
        if (!event || !SetEvent(event))
            return fail("SetEvent");
        say("ok");
        return 0;
    }
    if (command == "release") {
        HANDLE semaphore = OpenSemaphoreA(SEMAPHORE_ALL_ACCESS, FALSE, name);
        LONG previous = -1;
        if (!semaphore || !ReleaseSemaphore(semaphore, 1, &previous))
            return fail("ReleaseSemaphore");
        std::printf("ok %d\n", previous);
        return 0;
    }
    if (command == "take") {
        HANDLE mutex = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
        if (!mutex || WaitForSingleObject(mutex, 5000) != WAIT_OBJECT_0)
            return fail("take mutex");
        say("ready");
        return 0; // ends holding it
    }
    if (command == "mapping") {
        HANDLE mapping = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, name);
        if (!mapping)
            return fail("OpenFileMappingA");
        auto* first = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 65536));
        auto* second = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 65536, 0));
        if (!first || !second)
            return fail("MapViewOfFile");
        if (std::strcmp(first, "from the parent") != 0)
            return fail("reading the parent's text");
        std::strcpy(second, "from the helper");
        UnmapViewOfFile(first);
        UnmapViewOfFile(second);
        CloseHandle(mapping);
        say("ok");
        return 0;
    }
    return 2;
}
