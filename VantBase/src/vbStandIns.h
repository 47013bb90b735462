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

// The file path of a module (null: the program) and the handle of a loaded module by its path,
// until the platform's module calls are there.
vbString vbStandInModulePath(HINSTANCE hInst);
HINSTANCE vbStandInModuleHandle(const char* path);
