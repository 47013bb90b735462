#pragma once

// Marks what the picture library exports to the program and the picture plug-ins.
#define PICAPI __attribute__((visibility("default")))
