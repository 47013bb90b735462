// A module that stands for an ActiveX control's server: it only carries the string resources
// its class registration reads.

extern "C" __attribute__((visibility("default"))) int vbTestControlModule() { return 1; }
