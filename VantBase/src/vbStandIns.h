#pragma once

// Simple answers for services whose own code is not part of the library yet: the product name
// read from a module's version record, and the operating-system label. Each goes once the real
// service exists.

#include "vbString.h"

// The product name and version of the module file at path (null: the program); for now the
// file's name without folder and extension.
vbString vbStandInProductName(const char* path);
// A one-line description of the operating system.
vbString vbStandInOSlabel();

