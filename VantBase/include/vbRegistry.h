#pragma once

// The registry classes: places (roots, path objects, the registry engine) and keys with their
// enumerators.

#include "vbRegEngine.h"
#include "vbRegKey.h"
