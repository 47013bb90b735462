#pragma once

// Numbers typed on the property pages.

#include "vbString.h"

// The number text holds (a decimal number as strtod reads one in the C locale, without the
// hexadecimal, infinite and undefined forms), optionally followed directly by suffix (ASCII
// letters folded) and nothing else, when it lies strictly between low and high; false (value
// untouched) for anything else, an empty text included.
bool picParseNumber(const vbString& text, const char* suffix, double low, double high, double* value);

// A factor in per cent: a number, optionally followed by "%", above -1000 and below 1000.
bool parsePercent(const vbString& text, double* value);
// A wavelength: a number, optionally followed by "nm", above 0 and below 2000.
bool parseWavelength(const vbString& text, double* value);

// The number as "%lg" writes it in the C locale ("500", "1e-05"): the normal forms are this
// followed by "nm" or "%".
vbString picFormatNumber(double value);
