#pragma once

// Marks what the GUI library exports to the program and the controls built on it.
#define GUIAPI __attribute__((visibility("default")))
