#pragma once

// Marks what the platform library exports; everything else stays inside it.
#define PLATAPI __attribute__((visibility("default")))
