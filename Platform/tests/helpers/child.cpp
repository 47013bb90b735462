// A child program for the process tests.
//   child exit <code>            ends with that exit code
//   child sleep <ms> <code>      sleeps, then ends with the code
//   child wait <fd>              reads the inherited descriptor to its end, then ends with 0
//   child report <file> args...  writes what it was started with to <file>, ends with 0:
//                                "arg:<x>" for each further argument, "cwd:<folder>",
//                                "leader:<1 when it leads its own session>",
//                                "fds:<descriptors open above 2>", "env:<VNT_PROBE or ->"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <unistd.h>

namespace {

int openDescriptorsAbove2()
{
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    while (dirent* entry = readdir(dir)) {
        int fd = std::atoi(entry->d_name);
        if (entry->d_name[0] != '.' && fd > 2 && fd != dirfd(dir))
            ++count;
    }
    closedir(dir);
    return count;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "exit") == 0)
        return std::atoi(argv[2]);
    if (argc >= 4 && std::strcmp(argv[1], "sleep") == 0) {
        usleep(useconds_t(std::atoi(argv[2])) * 1000);
        return std::atoi(argv[3]);
    }
    if (argc >= 3 && std::strcmp(argv[1], "wait") == 0) {
        char byte;
        while (read(std::atoi(argv[2]), &byte, 1) > 0) {
        }
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "report") == 0) {
        int fds = openDescriptorsAbove2();
        FILE* out = std::fopen(argv[2], "w");
        if (!out)
            return 100;
        for (int i = 3; i < argc; ++i)
            std::fprintf(out, "arg:%s\n", argv[i]);
        char cwd[4096] = "";
        if (!getcwd(cwd, sizeof cwd))
            cwd[0] = 0;
        const char* probe = std::getenv("VNT_PROBE");
        std::fprintf(out, "cwd:%s\nleader:%d\nfds:%d\nenv:%s\n", cwd, getsid(0) == getpid() ? 1 : 0, fds,
            probe ? probe : "-");
        std::fclose(out);
        return 0;
    }
    return 99;
}
