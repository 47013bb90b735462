// A module that only carries icon resources.

extern "C" __attribute__((visibility("default"))) int vbTestIconsModule() { return 1; }
