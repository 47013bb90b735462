// A module with a version record and resources, for the platform's module tests.

#include <cstdlib>

// Loading runs this; reading the version record must not.
__attribute__((constructor)) static void markLoaded() { setenv("VNT_TESTMOD_LOADED", "1", 1); }

extern "C" __attribute__((visibility("default"))) int vntTestAnswer() { return 42; }
