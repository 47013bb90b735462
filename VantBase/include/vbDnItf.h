#pragma once

// The download centre's vocabulary, and the URL and path utilities every part of the system uses.
//
// URLs and paths are 8-bit texts. Paths take either separator; "file" paths are joined with "\"
// when they have a drive or already hold a "\", otherwise (native paths) with "/"; other protocols
// with "/". Every parser here is safe for any text: it answers false or an empty result rather
// than throwing, unless its comment names an error.

#include "vbExport.h"
#include "vbString.h"

#include "plat/types.h"

// Gives the root that relative URLs of a protocol are resolved against.
class VBAPI sIvbUrlRoots {
public:
    virtual vbString GetUrlRootForProtocol(const vbString& protocol);

protected:
    ~sIvbUrlRoots() = default;
};

// --- escaping ---

// Bytes below 32 or above 127, " ' \ > < # & + : % { } [ ] | ^ ~ and those of extra become %HH
// (a blank in extra becomes "+"); bytes of keep are always copied. The text itself when nothing
// needed escaping.
VBAPI vbString vbUrlEncode(const vbString& text, const char* extra = nullptr, const char* keep = nullptr);
// %HH (either case), %% and %u with up to four hex digits (through the ANSI code page); "+" stays.
VBAPI vbString vbUrlDecode(const vbString& text);
// A length of 0 or less gives "".
VBAPI vbString vbBase64encode(const void* bytes, int length);
// At most length characters, up to the first "="; CR, LF, blank and tab are skipped. Throws vbEsys
// "vbBase64decode() : Bad string to decode (ch)" for a character outside the alphabet and "... (lg)"
// for a single character left over.
VBAPI vbString vbBase64decode(const char* text, int length);

// --- splitting ---

VBAPI vbString vbUrlSlash(const vbString& text);  // every "\" becomes "/"
VBAPI vbString vbUrlAslash(const vbString& text); // every "/" becomes "\"
// The component before the first separator, *rest the text after it (both trimmed; found true);
// without a separator the whole trimmed path, rest empty, found false.
VBAPI vbString vbSubPath(const vbString& path, vbString* rest = nullptr, bool* found = nullptr);
// The same around the last separator: the component after it, *rest the text before it.
VBAPI vbString vbSubPathEnd(const vbString& path, vbString* rest = nullptr, bool* found = nullptr);

// --- protocols, drives and resolving ---

// The lower-case protocol before the first ":" (at least three of 0-9 a-z % .), or "" and *rest the
// whole URL. *rest is the trimmed text after the colon, without a leading "//" when stripSlashes;
// *hasSlashes tells whether that "//" was there.
VBAPI vbString vbGetProtocol(const vbString& url, vbString* rest = nullptr, bool* hasSlashes = nullptr,
    bool stripSlashes = false);
// The upper-case drive (0-9 A-Z % .) of a plain or "file" URL, *rest the trimmed text after its
// colon; "" when there is none.
VBAPI vbString vbGetDrive(const vbString& url, vbString* rest = nullptr);
// A protocol with "//", "data:", a drive, or a plain or "file" path that begins with "\" or "/".
VBAPI bool vbIsAbsUrl(const vbString& url);
// url resolved against base (an empty or null base: none), or against roots' root for its
// protocol. An absolute or empty url comes back unchanged, as does a "res" url without a root;
// any other url without a root throws vbEsys "vbMakeAbsUrl(<url>) : no root url".
VBAPI vbString vbMakeAbsUrl(const vbString& url, const vbString& base, sIvbUrlRoots* roots = nullptr);
VBAPI vbString vbMakeAbsUrl(const vbString& url, const char* base, sIvbUrlRoots* roots = nullptr);
// relative joined to current ("." and ".." resolved; the query or fragment of relative kept, that
// of current dropped). Without a current URL (nor a root for "" from roots) throws vbEsys
// "vbAddPath(<relative>) : no current url".
VBAPI vbString vbAddPath(const vbString& current, const vbString& relative, sIvbUrlRoots* roots = nullptr);
// protocol + "://" + what follows url's own protocol (and its "//").
VBAPI vbString vbSetProtocol(const vbString& url, const vbString& protocol);

// --- the download URL forms ---

// A "res:" URL: "[module/]name[!type]", or "*.ext[!fallback]" for the icon of a file type. Names
// "#n" are integer ids (1-65535), "#n" with n < 1 positional (the name "-k": the k-th); a type "#n"
// is an integer type, a standard type word its number. namePtr and typePtr point into *name and
// *type, or hold an integer id; an answer that needs an out-parameter not given is false. With all
// five out-parameters null, only tells whether the protocol is "res".
VBAPI bool vbGetResUrl(const vbString& url, vbString* module, vbString* name, LPCSTR* namePtr, vbString* type,
    LPCSTR* typePtr);
// "res:" [ "//" module file "/" ] name [ "!" type ]; integer ids as "#n". Throws vbEsys
// "vbMakeResUrl() failure" when the module's file name cannot be read.
VBAPI vbString vbMakeResUrl(LPCSTR name, LPCSTR type, HMODULE module);
// The name of the index-th (from 1) resource of type in module, "#n" for an integer id; "" when
// there are fewer.
VBAPI vbString vbGetResNo(int index, LPCSTR type, HMODULE module);
// A plain or "file" URL; *path its text with every "\" turned into "/" (never percent-decoded).
VBAPI bool vbGetFileUrl(const vbString& url, vbString* path);
// An "http", "https", "ftp" or "gopher" URL; *rest what follows the protocol and "//".
VBAPI bool vbGetNetUrl(const vbString& url, vbString* rest);
// A "data:" URL; *content the text after it (and a "//"), trimmed and not decoded.
VBAPI bool vbGetDataUrl(const vbString& url, vbString* content);
