#pragma once

#include "plat/unknwn.h"

namespace plat::com {

// The class object of the standard component-category manager.
HRESULT categoryManagerClassObject(REFIID riid, void** ppv);

} // namespace plat::com
