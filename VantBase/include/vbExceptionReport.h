#pragma once

// Where a caught exception ends: shown to the user (and traced) or only traced to the log, and
// the codes and texts of any framework exception, of this family or not. A null exception is
// accepted everywhere.

#include "vbExport.h"
#include "vbString.h"

#include "plat/afx.h"
#include "plat/types.h"

// Shows e and writes its trace block to the log; answers the message box's result, 0 when no box
// was shown. Deletes e when bDelete.
VBAPI int vbShowException(CException* e, bool bDelete, const char* file = nullptr, int line = 0,
    const char* textBefore = nullptr, const char* textAfter = nullptr, DWORD type = 0);
// Writes e's trace block to the log (unless its class is not logged); deletes e when bDelete.
VBAPI void vbTraceException(CException* e, bool bDelete, const char* file = nullptr, int line = 0);
// The system's message box. Without an exception context, or while the context's display lock is
// held, no box is shown: the text goes to the log and the answer is 0. A pending WM_QUIT is kept.
VBAPI int vbMBox(HWND hParent, const vbString& text, const vbString& title, DWORD type);

// 0x80004003 for null; GetHR() of the family; otherwise the framework status with bit 31 set.
VBAPI HRESULT vbGetHR(CException* e);
VBAPI WORD vbGetHRcode(CException* e);
VBAPI DWORD vbGetHRfacCode(CException* e);
// The message, with the error code and its system text appended unless bNoErrCode.
VBAPI vbString vbGetMsg(CException* e, bool bNoErrCode);
VBAPI vbString vbGetHRmsg(CException* e);

// The plug-in centre's trace level from the machine configuration, -1 when none is set.
VBAPI int vbHotPlugTraceLevel();
