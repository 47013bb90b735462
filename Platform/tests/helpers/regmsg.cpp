// Prints the numbers that RegisterWindowMessageA gives in this process for each argument, one per
// line, so that a test can compare them with its own.

#include "plat/message.h"

#include <cstdio>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        std::printf("%u\n", RegisterWindowMessageA(argv[i]));
    return 0;
}
