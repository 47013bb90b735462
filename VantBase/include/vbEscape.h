#pragma once

// Three escape codings of stored and transmitted text, each with an encoder and a decoder, in an
// 8-bit form (into a vbString) and a wide form (UTF-16, into a vbBSTR):
// backslash escapes (vbEscape, vbUnescape), URL percent escapes (vbUrlEscape, vbUrlUnescape) and
// HTML character references (vbHtmlEscape, vbHtmlUnescape).
//
// Every coder reads exactly len characters of s (0 characters are ordinary ones) and appends to
// *out. It answers true when it coded at least one character; otherwise it appends nothing, so the
// caller can use the source itself. A len below 1 answers false.
// Encoders take two optional 0-ended sets: extra (characters to escape as well, in the coding's
// generic form) and keep (characters never escaped). Code 127 is not escaped by default.
//
// The 8-bit forms are byte-oriented: a named entity, \xHH and %HH stand for single bytes (the
// entities for ISO 8859-1 bytes), while \u, %u and &#n; are UTF-16 code units converted to
// codePage (0: the ANSI code page, UTF-8 here).

#include "vbBSTR.h"
#include "vbExport.h"
#include "vbString.h"

#include "plat/types.h"

// Backslash escapes: codes below 32 and from 128, ", ' and \. \0 \t \n \r \" \' \\, any other
// as \xHH; with bUnicode codes 128-255 as \u00HH (wide form: from 256 always \uHHHH).
VBAPI bool vbEscape(const char* s, int len, vbString* out, const char* extra, const char* keep, bool bUnicode);
VBAPI bool vbEscape(const char* s, int len, vbString* out, const char* extra = nullptr, const char* keep = nullptr);
VBAPI bool vbEscape(const WCHAR* s, int len, vbBSTR* out, const WCHAR* extra, const WCHAR* keep, bool bUnicode);
VBAPI bool vbEscape(const WCHAR* s, int len, vbBSTR* out, const WCHAR* extra = nullptr, const WCHAR* keep = nullptr);

// \n \r \t, \0 and up to three octal digits, \x and one or two hex digits, \u and one to four hex
// digits; a backslash before any other character takes it literally, a final one stays.
VBAPI bool vbUnescape(const char* s, int len, vbString* out, unsigned int codePage = 0);
VBAPI bool vbUnescape(const WCHAR* s, int len, vbBSTR* out);

// URL escapes: codes below 32 and from 128, " ' \ > < # & + : % { } [ ] | ^ ~ as %HH (with
// bUnicode codes from 128 as %u00HH; wide form: from 256 always %uHHHH); a blank, escaped only when
// in extra, as +.
VBAPI bool vbUrlEscape(const char* s, int len, vbString* out, const char* extra = nullptr,
    const char* keep = nullptr, bool bUnicode = false);
VBAPI bool vbUrlEscape(const WCHAR* s, int len, vbBSTR* out, const WCHAR* extra = nullptr,
    const WCHAR* keep = nullptr, bool bUnicode = false);

// %% and % with one or two hex digits, %u with one to four; % before any other character gives
// that character, a final % stays; + is a blank only with bPlus.
VBAPI bool vbUrlUnescape(const char* s, int len, vbString* out, unsigned int codePage = 0, bool bPlus = false);
VBAPI bool vbUrlUnescape(const WCHAR* s, int len, vbBSTR* out, bool bPlus = false);

// HTML references: codes below 32 and from 128, " ' > < & as &name; from the entity table, else
// &#n;. LF and CR LF are the line break: "<br>\r\n" with bBr, else CR LF.
VBAPI bool vbHtmlEscape(const char* s, int len, vbString* out, const char* extra = nullptr,
    const char* keep = nullptr, bool bBr = false);
VBAPI bool vbHtmlEscape(const WCHAR* s, int len, vbBSTR* out, const WCHAR* extra = nullptr,
    const WCHAR* keep = nullptr, bool bBr = false);

// &name; and &#decimal; (at most 12 characters between & and ;). A reference that is unknown,
// malformed, cut off by the end of the text or above 0xFFFF stays as it is; an entity without
// text is removed. With bBr, CR, LF and CR LF each become a blank and <br> becomes CR LF.
VBAPI bool vbHtmlUnescape(const char* s, int len, vbString* out, bool bBr = false, unsigned int codePage = 0);
VBAPI bool vbHtmlUnescape(const WCHAR* s, int len, vbBSTR* out, bool bBr = false);

// s backslash-escaped, or s itself when nothing needed it; *pFlag, when given, is set to false.
VBAPI vbString vbEscape(const vbString& s, bool* pFlag);
// s decoded through the ANSI code page, or s itself when nothing was decoded.
VBAPI vbString vbUnescape(const vbString& s);

// The entity table: sorted by name (byte order) for a binary search, except the last entry.
struct vbHtmlEntity {
    const char* name;
    const WCHAR* wname;
    const char* text;   // "" when the entity has no 8-bit text
    const WCHAR* wtext; // u"" when it has no wide text
    bool bEncode;       // used by the encoders as well
};
VBAPI const vbHtmlEntity* vbHtmlEntities(int* pCount);
// The entry for a name of len characters (case-sensitive), or null.
VBAPI const vbHtmlEntity* vbHtmlFindEntity(const char* name, int len);
