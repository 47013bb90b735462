#pragma once

// The messages between running instances of the program: a stop or show request (first value 0
// or 1), and a data block that hands files over to the running instance.

#include "vbMsg.h"

extern vbExtraMsg g_picInstanceMsg;
extern vbExtraDataMsg g_picInstanceDataMsg;
