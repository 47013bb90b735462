#pragma once

// The code download of a module named by a "file:" URL or a plain path: the installed module when
// it is current, else a copy into the per-user plug-in folder, registered, on a thread of its own
// that reports to the bind status callback.

#include "plat/urlmon.h"

#include <optional>
#include <string>

namespace plat::urlmon {

// The local path a "file:" URL or a plain path names; nothing for any other URL.
std::optional<std::string> localPathOf(const std::string& url);

// As CoGetClassObjectFromURL, for the module file at source; callback hears an asynchronous
// download (it is held until the download ends).
HRESULT fileCodeDownload(REFCLSID rclsid, const std::string& source, DWORD versionMS, DWORD versionLS,
    IBindStatusCallback* callback, DWORD clsContext, REFIID riid, void** ppv);

} // namespace plat::urlmon
