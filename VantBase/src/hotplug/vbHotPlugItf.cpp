#include "vbHotPlugItf.h"

const IID IID_IvbHotPlugger = {0x12F25D6E, 0xF589, 0x46DD, {0x9A, 0xC6, 0xAC, 0x50, 0xCB, 0x0B, 0x1C, 0xBE}};
const IID IID_IvbHotPlugCb = {0xE349E230, 0x0DE6, 0x4EA3, {0x92, 0x00, 0xF5, 0x7E, 0xE4, 0x93, 0xBD, 0x5D}};
const IID IID_sIvbHotPlugType = {0x665207F3, 0xB65A, 0x45D4, {0xB8, 0x8E, 0xCA, 0xCF, 0x02, 0x8D, 0x50, 0xF1}};
const IID IID_IvbHotPlugin = {0x29E92B51, 0xAE22, 0x41A0, {0xA7, 0xF9, 0x20, 0x94, 0x09, 0x3F, 0x13, 0xDD}};
const IID IID_IvbHotPluggedObject = {0x5B7D3A1E, 0x8C42, 0x4F6B, {0x9D, 0x0E, 0x3A, 0x71, 0xC5, 0xE2, 0xB9, 0x84}};
const IID IID_sIvbPlugPtr = {0x8E0D3622, 0x4326, 0x4EAE, {0xA3, 0xB1, 0x03, 0x03, 0x26, 0x2E, 0x36, 0xB2}};
const IID IID_IvbHotPlugTypeCb = {0x7C73CE65, 0xA624, 0x48A9, {0xBE, 0x9C, 0xBB, 0x47, 0xC5, 0x1D, 0xAF, 0xA3}};
const IID IID_sIvbHotPlugCb = {0x8E27A766, 0x5F7D, 0x4E42, {0x8C, 0xAA, 0xDB, 0x5C, 0x29, 0x32, 0x91, 0x9C}};
const IID IID_sIvbHotPlugTypeCb = {0xA5A024C0, 0xC8AA, 0x484E, {0xAC, 0x6F, 0x3F, 0x2A, 0xF4, 0x68, 0x2D, 0x7F}};
const IID IID_vbHotPlugCbObject = {0xE96827BB, 0x3B13, 0x41B4, {0x97, 0x96, 0xA4, 0xE0, 0x06, 0x5C, 0xD9, 0x36}};

// --- default bodies: reaching one means the purecall error ---

void IvbHotPlugger::AbortDownload() { vbPurecall(); }
bool IvbHotPlugger::IsExternalUpdate() const { vbPurecall(); }
bool IvbHotPlugger::IsUpdate() const { vbPurecall(); }
const GUID& IvbHotPlugger::GetClsId() const { vbPurecall(); }
vbString IvbHotPlugger::GetModulePath() const { vbPurecall(); }
void IvbHotPlugger::GetClassFactory(const GUID&, vbClassFactoryPtr*) { vbPurecall(); }
void IvbHotPlugger::CreateInstance(const GUID&, const GUID&, void**) { vbPurecall(); }
void IvbHotPlugger::SetUpdateRetryMax(LONG) { vbPurecall(); }
LONG IvbHotPlugger::GetUpdateRetryMax() const { vbPurecall(); }
LONG IvbHotPlugger::GetUpdateRetryCount() const { vbPurecall(); }

vbPlugUpdateCaps IvbHotPlugCb::OnGetPluginCaps(IvbHotPlugger*) { vbPurecall(); }
void IvbHotPlugCb::OnUnloadPluginAsked(IvbHotPlugger*, bool) { vbPurecall(); }
void IvbHotPlugCb::OnLoadPluginAsked(IvbHotPlugger*, bool) { vbPurecall(); }
void IvbHotPlugCb::OnProgress(IvbHotPlugger*, ULONG, ULONG, vbPlugStatus, const vbString&) { vbPurecall(); }
vbPlugUpdateCaps IvbHotPlugCb::OnError(IvbHotPlugger*, bool, LONG, const vbString&) { vbPurecall(); }

vbString sIvbHotPlugType::GetPlugTypeName() { vbPurecall(); }
vbString sIvbHotPlugType::GetPlugTypeVer() { vbPurecall(); }
vbString sIvbHotPlugType::GetPlugTypeLabel() { vbPurecall(); }
vbString sIvbHotPlugType::GetConfigPath() { vbPurecall(); }
vbRegKey sIvbHotPlugType::GetConfigKey() { vbPurecall(); }

const GUID& IvbHotPlugin::GetPluginId() { vbPurecall(); }
vbString IvbHotPlugin::GetPluginLabel() { vbPurecall(); }
vbString IvbHotPlugin::GetPlugTypeName() { vbPurecall(); }
vbString IvbHotPlugin::GetPlugTypeVer() { vbPurecall(); }
vbString IvbHotPlugin::GetPlugTypeLabel() { vbPurecall(); }
vbString IvbHotPlugin::GetConfigPath() { vbPurecall(); }
vbRegKey IvbHotPlugin::GetConfigKey() { vbPurecall(); }
void IvbHotPlugin::_forceUnload() { vbPurecall(); }

void IvbHotPluggedObject::OnPluginUnloadAsked(IvbHotPlugin*) { vbPurecall(); }

void sIvbPlugPtr::SetPluggedObject(IvbHotPlugin*, IvbObject*) { vbPurecall(); }
bool sIvbPlugPtr::ReleasePluggedObject(IvbHotPlugin*, vbRefPtr<IvbHotPluggedObject, &IID_IvbHotPluggedObject>*)
{
    vbPurecall();
}

vbPlugUpdateCaps IvbHotPlugTypeCb::OnGetPluginCaps(IvbHotPlugin*, IvbHotPlugger*) { vbPurecall(); }
void IvbHotPlugTypeCb::OnUnloadPluginAsked(IvbHotPlugin*, IvbHotPlugger*, bool) { vbPurecall(); }
void IvbHotPlugTypeCb::OnLoadPluginAsked(IvbHotPlugin*, IvbHotPlugger*, bool) { vbPurecall(); }
void IvbHotPlugTypeCb::OnProgress(IvbHotPlugin*, IvbHotPlugger*, ULONG, ULONG, vbPlugStatus, const vbString&)
{
    vbPurecall();
}
vbPlugUpdateCaps IvbHotPlugTypeCb::OnError(IvbHotPlugin*, IvbHotPlugger*, bool, LONG, const vbString&)
{
    vbPurecall();
}
void IvbHotPlugTypeCb::OnReloadConfig(sIvbHotPlugType*) { vbPurecall(); }

vbPlugUpdateCaps sIvbHotPlugCb::onGetPluginCaps(vbHotPlugCb*, IvbHotPlugger*, vbSectLock&) { vbPurecall(); }
void sIvbHotPlugCb::onUnloadPluginAsked(vbHotPlugCb*, IvbHotPlugger*, bool, vbSectLock&) { vbPurecall(); }
void sIvbHotPlugCb::onLoadPluginAsked(vbHotPlugCb*, IvbHotPlugger*, bool, vbSectLock&) { vbPurecall(); }
vbPlugUpdateCaps sIvbHotPlugCb::onError(vbHotPlugCb*, IvbHotPlugger*, bool, LONG, const vbString&, vbSectLock&)
{
    vbPurecall();
}
void sIvbHotPlugCb::onProgress(vbHotPlugCb*, IvbHotPlugger*, ULONG, ULONG, vbPlugStatus, const vbString&, vbSectLock&)
{
    vbPurecall();
}

vbPlugUpdateCaps sIvbHotPlugTypeCb::onGetPluginCaps(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, vbSectLock&)
{
    vbPurecall();
}
void sIvbHotPlugTypeCb::onUnloadPluginAsked(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, bool, vbSectLock&)
{
    vbPurecall();
}
void sIvbHotPlugTypeCb::onLoadPluginAsked(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, bool, vbSectLock&)
{
    vbPurecall();
}
vbPlugUpdateCaps sIvbHotPlugTypeCb::onError(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, bool, LONG, const vbString&,
    vbSectLock&)
{
    vbPurecall();
}
void sIvbHotPlugTypeCb::onReloadConfig(vbHotPlugCb*, sIvbHotPlugType*, vbSectLock&) { vbPurecall(); }
void sIvbHotPlugTypeCb::onProgress(vbHotPlugCb*, IvbHotPlugin*, IvbHotPlugger*, ULONG, ULONG, vbPlugStatus,
    const vbString&, vbSectLock&)
{
    vbPurecall();
}
