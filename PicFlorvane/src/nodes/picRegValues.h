#pragma once

// How the project keeps numbers in the registry: every integer as a signed 32-bit value, read
// back unsigned; a 64-bit number (a counter, or a double's bit pattern) as two such values, name
// + "H" (high half) and name + "L" (low half).

#include "vbRegKey.h"
#include "vbString.h"
#include "vbVariant.h"

#include <cstdint>

// A 32-bit value as stored: an integer gives its bits, any other value is converted.
uint32_t picHalfOf(const vbVariant& v);
uint32_t picReadHalf(vbRegKey& key, const vbString& name);
void picWriteHalf(vbRegKey& key, const vbString& name, uint32_t value);

uint64_t picReadHalves(vbRegKey& key, const vbString& name);
// "H" first.
void picWriteHalves(vbRegKey& key, const vbString& name, uint64_t value);

// The double whose bit pattern the two stored halves make.
double picDoubleOf(const vbVariant& low, const vbVariant& high);
double picReadDouble(vbRegKey& key, const vbString& name);
void picWriteDouble(vbRegKey& key, const vbString& name, double value);
