#pragma once

// Numbers typed on the property pages.

#include "vbString.h"

// The number text holds, optionally followed by suffix and nothing else, when it lies strictly
// between low and high; false (value untouched) for anything else, an empty text included.
bool picParseNumber(const vbString& text, const char* suffix, double low, double high, double* value);

// A factor in per cent: a number, optionally followed by "%", above -1000 and below 1000.
bool parsePercent(const vbString& text, double* value);
