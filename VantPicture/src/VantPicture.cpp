// This library's module; its parts live beside this file.
// The library's static objects, in the order they are built (and the reverse of the order they go
// at unload), ending with the library's entry.

#include "picCompressPlugType.h"
#include "picTypes.h"

#include "vbVantLib.h"

const picColor picColor_Invalid(picColor::kInvalid);

vbExtraMsg g_picCompressPlugMsg("KVX Vantrel HotPlug Picture Compression Message V5");
picCompressPlugType g_picCompressPlugType(
    "Picture", "5", "KVX Vantrel HotPlug Picture Compression", &g_picCompressPlugMsg, vbEngineDeps());

namespace {
vbVantLibEntry g_libraryEntry("VantPicture", "5");
} // namespace
