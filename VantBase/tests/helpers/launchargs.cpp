// Answers 42 when it was started with exactly the two arguments a and "b c", 3 otherwise, so that
// a test can see how a command line reached it.

#include <cstring>

int main(int argc, char** argv)
{
    return argc == 3 && std::strcmp(argv[1], "a") == 0 && std::strcmp(argv[2], "b c") == 0 ? 42 : 3;
}
