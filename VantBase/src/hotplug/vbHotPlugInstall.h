#pragma once

// The two text forms of installation strings, read apart from the centre that takes the records
// in: a list of entries "url#name=value;..." separated by "|", and one entry as URL and
// parameter text. Syntax faults are logged and the faulty entry or item is skipped.

#include "vbHotPlug.h"

#include <functional>

namespace vbHotPlugInstall {

// Hands each entry of list that has parameters to addEntry (URL, parameter text); answers how
// many it took. A null or empty list answers 0.
int readList(const char* list, const std::function<bool(const vbString& url, const vbString& params)>& addEntry);

// Reads one entry into *info; false, logged, when the URL or the parameters are blank.
bool readEntry(vbString plugurl, vbString plugparams, vbHotPlugCenter::PlugInfo* info);

} // namespace vbHotPlugInstall
