#pragma once

// Content that a download delivers as bytes, when only a file can be loaded (icons and cursors go
// to LoadImageA): the bytes are written to a temporary file "KVX....TMP" in the temporary folder,
// which is loaded once they are complete and deleted whatever happens. The record of the file
// (path and open handle) lives in the operation record's user slot from LoadingStart to
// LoadingEnd, so concurrent loads share nothing.
//
// The texts of the failures name the loading class given as owner, as in
// "<owner>::LoadingStart() : can't get temp path". A failure that leaves no system error reports
// E_FAIL, never a success code.

#include "vbDnItf.h"

#include <functional>

class VBAPI vbDnTempFile {
public:
    // Creates the file and keeps its record in data (a record left there before is dropped first).
    // Throws vbEsys "<owner>::LoadingStart() : can't get temp path", "... : can't create temp file"
    // or "<owner> / dnData(<path>) : can't open temp file".
    static void LoadingStart(vbDnData* data, const char* owner);
    // Appends the bytes. Throws vbEsys "<owner>::LoadingAddBuffer() : LoadingStart() not called"
    // or "<owner>::LoadingAddBuffer() : write failure" (also for a short write).
    static bool LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG count, const char* owner);
    // Takes the record out of data (throws vbEsys "<owner>::LoadingEnd() : LoadingStart() not
    // called" without one). When ok, closes the file and answers load(path); otherwise false. The
    // file is deleted on every path, also when load throws.
    static bool LoadingEnd(vbDnData* data, bool ok, const char* owner,
        const std::function<bool(const vbString& path)>& load);

    // An animated cursor or icon by the URL that named it: a "res:" URL of type 21 (RT_ANICURSOR)
    // or 22 (RT_ANIICON); any other URL ending ".ani" (any case) after at least one character.
    static bool IsAnimatedUrl(const vbString& url);
    // A path longer than 4 characters ending ".ani", any case.
    static bool IsAniPath(const vbString& path);
};
