#pragma once

#include "plat/unknwn.h"

namespace plat::com {

// The classes the platform serves itself, without a registered module. True when rclsid is one
// of them; hr is then the answer of its class object's QueryInterface(riid, ppv).
bool builtinClassObject(REFCLSID rclsid, REFIID riid, void** ppv, HRESULT& hr);

} // namespace plat::com
