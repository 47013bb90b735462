#include "picInstanceMsg.h"

vbExtraMsg g_picInstanceMsg("KVX PICflorvane Message");
vbExtraDataMsg g_picInstanceDataMsg("KVX PICflorvane data message");
