#pragma once

// User files are never left half written: the new content goes into a new file beside the
// target, which takes the target's place only once all of it was written.

#include "vbStream.h"
#include "vbString.h"

#include <functional>

// Opens a new file in target's folder as a file stream (the application's security attributes,
// a new file written from its start), lets write fill it, closes it and renames it over target.
// On any failure the new file is removed, target is left as it was and the exception goes on.
void picReplaceFile(const vbString& target, const std::function<void(vbStream*)>& write);
