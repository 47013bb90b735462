// The library's static objects, in the order they are built (and the reverse of the order they go
// at unload), ending with the library's entry.

#include "picTypes.h"

#include "vbVantLib.h"

const picColor picColor_Invalid(picColor::kInvalid);

namespace {
vbVantLibEntry g_libraryEntry("VantPicture", "5");
} // namespace
