#include "vbTempStream.h"

#include "vbException.h"
#include "vbExceptionReport.h"
#include "vbFileTools.h"

#include "plat/file.h"

const IID IID_vbTempStream = {0xAB11EC6A, 0xB798, 0x467D, {0xA5, 0x8B, 0x29, 0xCB, 0xBC, 0x57, 0x68, 0x40}};

vbTempStream::vbTempStream() = default;

vbTempStream::vbTempStream(bool open, vbWorkMode wm, vbAccessMode am, bool b)
{
    if (open)
        Open(wm, am, b);
}

vbTempStream::~vbTempStream()
{
    try {
        release(true);
    } catch (...) {
        showCurrent(__FILE__, __LINE__);
    }
}

void vbTempStream::CreateObject(vbRefPtr<vbStream, &IID_vbStream>* out) { createInto<vbTempStream>(out); }
void vbTempStream::CreateObject(vbRefPtr<vbTempStream, &IID_vbTempStream>* out) { createInto<vbTempStream>(out); }

bool vbTempStream::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbTempStream) {
        *ppv = this;
        return true;
    }
    return vbFileStream::GetInterface(iid, ppv);
}

void vbTempStream::Destroy()
{
    // The file goes before the object's own destruction, which may drop the last reference.
    {
        vbLock lock(this);
        release(true);
    }
    vbFileStream::Destroy();
}

vbString vbTempStream::GetName() const { return "vbTempStream[" + m_name + "]"; }

DWORD vbTempStream::onGetFileAttribute() const
{
    return m_bTemporary ? FILE_ATTRIBUTE_TEMPORARY : FILE_ATTRIBUTE_NORMAL;
}

bool vbTempStream::GetDelFileRequired() const
{
    vbLock lock(this);
    return m_bDelRequired;
}

void vbTempStream::SetDelFileRequired(bool required)
{
    vbLock lock(this);
    m_bDelRequired = required;
}

void vbTempStream::Open(const vbSecurityAttr*, vbOpenMode, vbAccessMode, vbWorkMode)
{
    throw new vbEsys(E_FAIL, "vbTempStream::Open(...) : call to this function not allowed");
}

void vbTempStream::Open(const vbSecurityAttr&, const vbString& name, vbOpenMode, vbAccessMode, vbWorkMode)
{
    vbString text = "vbTempStream::Open(" + name + ", ...) : call to this function not allowed";
    throw new vbEsys(E_FAIL, text.c_str());
}

void vbTempStream::Open(const vbString& name, vbOpenMode, vbAccessMode, vbWorkMode)
{
    vbString text = "vbTempStream::Open(" + name + ", ...) : call to this function not allowed";
    throw new vbEsys(E_FAIL, text.c_str());
}

void vbTempStream::release(bool bDelete)
{
    Close();
    if (m_name.IsEmpty())
        return;
    vbString name = m_name;
    m_name.Empty();
    if (m_bTemporary) {
        m_bTemporary = false;
        if (bDelete)
            vbDeleteFile(name, m_bDelRequired);
    }
}

void vbTempStream::openNamed(const vbSecurityAttr* sa, bool temporary, const vbString& name, vbOpenMode om,
    vbWorkMode wm, vbAccessMode am)
{
    vbLock lock(this);
    release(true);
    m_name = name;
    m_bTemporary = temporary;
    try {
        vbFileStream::Open(sa, om, am, wm);
    } catch (...) {
        m_name.Empty();
        m_bTemporary = false;
        throw;
    }
}

void vbTempStream::openTemp(const vbSecurityAttr* sa, bool bNew, bool deleteOld, vbOpenMode om, vbWorkMode wm,
    vbAccessMode am)
{
    vbLock lock(this);
    bool keep = !bNew && m_bTemporary && !m_name.IsEmpty();
    if (keep) {
        Close();
    } else {
        release(deleteOld);
        m_name = vbGetTempFile(nullptr, 0, nullptr);
        m_bTemporary = true;
    }
    try {
        vbFileStream::Open(sa, om, am, wm);
    } catch (...) {
        // A name made for this open is not left behind on the disk.
        if (!keep) {
            vbString name = m_name;
            m_name.Empty();
            m_bTemporary = false;
            vbDeleteFile(name, false);
        }
        throw;
    }
}

void vbTempStream::OpenCreate(const vbSecurityAttr& sa, bool temporary, const vbString& name, vbWorkMode wm,
    vbAccessMode am, bool b)
{
    openNamed(&sa, temporary, name, b ? vbOpenCreateAlways : vbOpenCreateNew, wm, am);
}

void vbTempStream::OpenCreate(const vbSecurityAttr& sa, vbWorkMode wm, vbAccessMode am, bool b)
{
    openTemp(&sa, false, true, b ? vbOpenCreateAlways : vbOpenCreateNew, wm, am);
}

void vbTempStream::OpenCreate(bool temporary, const vbString& name, vbWorkMode wm, vbAccessMode am, bool b)
{
    openNamed(nullptr, temporary, name, b ? vbOpenCreateAlways : vbOpenCreateNew, wm, am);
}

void vbTempStream::OpenCreate(vbWorkMode wm, vbAccessMode am, bool b)
{
    openTemp(nullptr, false, true, b ? vbOpenCreateAlways : vbOpenCreateNew, wm, am);
}

void vbTempStream::Open(const vbSecurityAttr& sa, bool temporary, const vbString& name, vbWorkMode wm,
    vbAccessMode am, bool b)
{
    openNamed(&sa, temporary, name, b ? vbOpenAlways : vbOpenExisting, wm, am);
}

void vbTempStream::Open(const vbSecurityAttr& sa, vbWorkMode wm, vbAccessMode am, bool b)
{
    openTemp(&sa, false, true, b ? vbOpenAlways : vbOpenExisting, wm, am);
}

void vbTempStream::Open(bool temporary, const vbString& name, vbWorkMode wm, vbAccessMode am, bool b)
{
    openNamed(nullptr, temporary, name, b ? vbOpenAlways : vbOpenExisting, wm, am);
}

void vbTempStream::Open(vbWorkMode wm, vbAccessMode am, bool b)
{
    openTemp(nullptr, false, true, b ? vbOpenAlways : vbOpenExisting, wm, am);
}

void vbTempStream::OpenNew(const vbSecurityAttr& sa, bool deleteOld, vbWorkMode wm, vbAccessMode am, bool b)
{
    openTemp(&sa, true, deleteOld, b ? vbOpenCreateAlways : vbOpenCreateNew, wm, am);
}

void vbTempStream::OpenNew(bool deleteOld, vbWorkMode wm, vbAccessMode am, bool b)
{
    openTemp(nullptr, true, deleteOld, b ? vbOpenCreateAlways : vbOpenCreateNew, wm, am);
}
