#pragma once

// The picture library's failures. Both are created with new, thrown by pointer and deleted by
// whoever catches them; each records itself in the trace as it is built, a picEcompressUser twice
// (first as its base).

#include "picExport.h"

#include "vbException.h"

// Failures of the picture system and refusals of what it does not implement.
class PICAPI picEcompress : public vbEadv {
    DECLARE_DYNAMIC(picEcompress)
public:
    VB_EADV_CONSTRUCTORS(picEcompress);
    VB_EADV_DISPLAY;
};

// Failures meant for the user, logged only when the exception switches ask for it.
class PICAPI picEcompressUser : public picEcompress {
    DECLARE_DYNAMIC(picEcompressUser)
public:
    VB_EADV_CONSTRUCTORS(picEcompressUser);
    VB_EADV_DISPLAY;
};
