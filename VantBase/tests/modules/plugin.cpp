// A stand-in for a plug-in module file, for the module lookup tests: built once with a version
// record and once without.

extern "C" __attribute__((visibility("default"))) int vbTestPluginFile() { return 1; }
