#pragma once

// Free text utilities: 1-based searching and splitting, 64-bit integer and GUID parsing, the
// comparators of the sorted arrays, system error texts, microsecond clocks and starting programs.

#include "vbArray.h"
#include "vbExport.h"
#include "vbString.h"

#include "plat/types.h"

#include <cstdint>

class CWnd;

// 1-based position of find (or c) in text at or after start; 0 when absent. An empty find answers
// start (0 for an empty text). bNoCase folds ASCII letters. start < 1 throws vbEsys E_FAIL.
VBAPI int InStr(int start, const vbString& text, const vbString& find, int bNoCase);
VBAPI int InStr(int start, const vbString& text, char c, int bNoCase);

// Splits the trimmed text at each sep into trimmed parts appended to *parts (when given; the array
// is not emptied). Answers the number of parts, at least 1; an empty sep answers the text's length
// and adds nothing.
VBAPI int vbSplit(const vbString& text, const vbString& sep, vbArray<vbString>* parts, int bNoCase);

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" with optional braces, white space around and optional
// dashes between the last eight bytes. On failure *pGuid is left as it was; a null text fails.
// *pEnd: behind the white space (and closing brace) that follow.
VBAPI bool vbStrToGuid(const char* text, GUID* pGuid, const char** pEnd);

// White space, a sign, white space, digits in base (0: from a 0x, 0b or 0 prefix, else 10; else
// 2..36, otherwise vbEsys E_FAIL), trailing white space. False without any digit or when the
// magnitude exceeds 2^63-1 (signed) or 2^64-1 (unsigned); a minus sign fails the unsigned form
// at once. *pEnd: the first character not used.
VBAPI bool vbStrToInt64(const char* text, int64_t* pValue, int base, const char** pEnd);
VBAPI bool vbStrToUint64(const char* text, uint64_t* pValue, int base, const char** pEnd);

// Comparators of the sorted arrays: below 0, 0 or above 0. The find forms compare an element with
// the key; for strings the key is a record that begins with a vbString.
VBAPI int vbSortString(const vbString& a, const vbString& b);
VBAPI int vbFindString(const vbString& a, const void* key);
VBAPI int vbSortLong(const LONG& a, const LONG& b);
VBAPI int vbFindLong(const LONG& a, const void* key);
VBAPI int vbSortUlong(const ULONG& a, const ULONG& b);
VBAPI int vbFindUlong(const ULONG& a, const void* key);
VBAPI int vbSortInt64(const int64_t& a, const int64_t& b);
VBAPI int vbFindInt64(const int64_t& a, const void* key);
VBAPI int vbSortUint64(const uint64_t& a, const uint64_t& b);
VBAPI int vbFindUint64(const uint64_t& a, const void* key);

// The system's text for code, else for code & 0x1FFFFFFF, else for its low 16 bits; empty when
// none has one.
VBAPI vbString vbFormatErr(LONG code);

// Monotonic time in microseconds (all bits set without a performance counter).
VBAPI uint64_t vbGetTimeInMicroSec();
// Processor time of the calling thread in microseconds.
VBAPI uint64_t vbGetTimeSpentInMicroSec();

// vbLaunchFile flags.
enum : ULONG {
    vbLaunchShowMask = 0x0000000Fu, // 0 hidden, 2 minimised, 3 maximised, 4 no activation, 5 minimised no activation
    vbLaunchWait = 0x00008000u,     // wait up to 60000 ms and answer the exit code
    vbLaunchAttached = 0x00800000u, // no DETACHED_PROCESS
    vbLaunchDdeWait = 0x40000000u,  // shell form: SEE_MASK_FLAG_DDEWAIT
    vbLaunchShell = 0x80000000u,    // through ShellExecuteExA
};

// Starts file with params in dir (empty: none). Answers the process handle (the caller closes
// it), or with vbLaunchWait the exit code. A failed start throws vbEsys 0x8007xxxx
// "Can't execute program '<file>' !".
VBAPI void* vbLaunchFile(ULONG flags, CWnd* pParent, const vbString& file, const vbString& params,
    const vbString& dir);
