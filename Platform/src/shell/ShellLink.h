#pragma once

#include "plat/unknwn.h"

namespace plat::shell {

// A new shell link object, asked for riid.
HRESULT createShellLink(REFIID riid, void** ppv);

} // namespace plat::shell
