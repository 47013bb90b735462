#pragma once

// Where an exception caught with catch (...) ends: shown to the user, or only traced to the log,
// under the source name of the code that caught it. Called inside the catch block.

#include "vbString.h"

void picShowCaught(const char* source, int line);
void picTraceCaught(const char* source, int line);
// The message of the exception being handled, which stays to be shown or traced.
vbString picCaughtMessage();
