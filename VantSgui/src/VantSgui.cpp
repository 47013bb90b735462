// This library's module and its static objects, in the order they must be built.

#include "guiMsImg32.h"

guiMsImg32 g_guiMsImg32("KVX Vantrel MSimg32 Engine", vbEngineDeps());
