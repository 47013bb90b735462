// The built-in protocol object's identity: the interfaces it answers and how it answers queries.

#include "vbDnPlugin.h"

#include "vbException.h"

const IID IID_vbDnBuiltinPlugin = {0xDF99DB2C, 0x4FC3, 0x471D, {0xAC, 0xD1, 0x4B, 0x95, 0xD1, 0x1C, 0x6E, 0xE7}};

namespace {

template <class Ptr>
HRESULT query(vbDnBuiltinPlugin* plugin, const GUID& iid, Ptr** ppv)
{
    if (!ppv)
        return E_POINTER;
    try {
        if (!plugin->GetInterface(iid, reinterpret_cast<void**>(const_cast<void**>(ppv))))
            return E_NOINTERFACE;
        plugin->AddRef();
        return S_OK;
    } catch (CException* e) {
        e->Delete();
    } catch (...) {
    }
    return E_POINTER;
}

} // namespace

HRESULT vbDnBuiltinPlugin::QueryInterface(REFIID iid, void** ppv) { return query(this, iid, ppv); }

HRESULT vbDnBuiltinPlugin::QueryInterface(const GUID& iid, const void** ppv) const
{
    return query(const_cast<vbDnBuiltinPlugin*>(this), iid, ppv);
}

bool vbDnBuiltinPlugin::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_IvbDnPlugProto || iid == IID_vbDnBuiltinPlugin) {
        *ppv = static_cast<IvbDnPlugProto*>(this);
        return true;
    }
    return vbObjectBase::GetInterface(iid, ppv);
}
