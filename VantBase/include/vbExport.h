#pragma once

// Marks what the base library exports to the other libraries and the program.
#define VBAPI __attribute__((visibility("default")))
