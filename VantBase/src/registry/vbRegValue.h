#pragma once

// The fixed mapping between registry values and variants, shared by key reads, value
// enumeration and writes.

#include "plat/types.h"

#include <string>

class vbVariant;

namespace vbImpl {

enum class RegValueRead { ok, unsupportedType, badSize };

// The value of type type held in size bytes at data, as a variant of locale 1033; nothing is read
// beyond size. *pValue is emptied unless the answer is ok.
RegValueRead regValueToVariant(DWORD type, const BYTE* data, DWORD size, vbVariant* pValue);

// The registry type and bytes that store v (text with its terminating zero); v must not be empty.
DWORD variantToRegValue(const vbVariant& v, bool bExpand, std::string* pBytes);

// v as text in the en-US rules, for messages; "" when it has none.
std::string regValueText(const vbVariant& v) noexcept;

} // namespace vbImpl
