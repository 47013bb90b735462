// A module without version record or resources, for the platform's module tests.

extern "C" __attribute__((visibility("default"))) int vntTestPlain() { return 7; }
