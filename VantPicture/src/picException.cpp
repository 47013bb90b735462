#include "picException.h"

#include "vbExceptionEngine.h"

IMPLEMENT_DYNAMIC(picEcompress, vbEadv)
VB_EADV_IMPLEMENT(picEcompress, vbEadv, "picEcompress")
VB_EADV_DISPLAY_IMPLEMENT(picEcompress, "Compression system error", 16, true)

IMPLEMENT_DYNAMIC(picEcompressUser, picEcompress)
VB_EADV_IMPLEMENT(picEcompressUser, picEcompress, "picEcompressUser")
VB_EADV_DISPLAY_IMPLEMENT(picEcompressUser, "Compression error", 48, g_vbExceptionEngine.IsToLog("picEcompressUser"))
