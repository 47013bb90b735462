// The operation record: nesting, the recursion guard, and the dialog face over the centre's.

#include "vbDnItf.h"

#include "vbException.h"
#include "vbBaseItf.h"
#include "vbMemoryStream.h"

vbDnData::vbDnData(vbDnData* parent, vbDnOp op, const vbString& url, IvbDnObject* obj)
    : m_url(url), m_op(op), m_pObj(obj), m_pParent(parent), m_pCenter(parent ? parent->m_pCenter : nullptr),
      m_pSession(parent ? parent->m_pSession : nullptr)
{
    vbMemoryStream::CreateObject(&m_buffer);
}

vbDnData::vbDnData(sIvbDnCenter* center, sIvbDnSession* session) : m_pCenter(center), m_pSession(session)
{
    vbMemoryStream::CreateObject(&m_buffer);
}

vbDnData::~vbDnData()
{
    try {
        // A record that never opened its URL may outlive its object.
        if (m_bOpened || !m_readStm.IsNull() || !m_writeStm.IsNull())
            UrlClose();
    } catch (...) {
        vbImpl::reportCurrent(false, "vbDnItf", __LINE__);
    }
}

bool vbDnData::IsInDnOp(vbDnOp op, const vbString& url) const
{
    for (const vbDnData* d = this; d; d = d->m_pParent)
        if (d->m_op == op && d->m_url == url)
            return true;
    return false;
}

bool vbDnData::IsAlreadyInDnOp() const { return m_pParent && m_pParent->IsInDnOp(m_op, m_url); }

void vbDnData::CheckDnOp() const
{
    if (IsAlreadyInDnOp())
        throw new vbEdnUser("Recursive work on url = '" + m_url + "' cause infinite loop ...",
            vbString("vbDnData::checkDnOp()"));
    CheckStop();
}

void vbDnData::dlgUseLock()
{
    if (m_pCenter)
        m_pCenter->dlgUseLock();
}

void vbDnData::dlgUseUnlock()
{
    if (m_pCenter)
        m_pCenter->dlgUseUnlock();
}

void vbDnData::dlgDispLock()
{
    if (m_pCenter)
        m_pCenter->dlgDispLock();
}

void vbDnData::dlgDispUnlock()
{
    if (m_pCenter)
        m_pCenter->dlgDispUnlock();
}

bool vbDnData::IsDlgDispLocked() { return m_pCenter && m_pCenter->IsDlgDispLocked(); }
bool vbDnData::IsDlgUseLocked() { return m_pCenter && m_pCenter->IsDlgUseLocked(); }

bool vbDnData::CanShowDlg()
{
    if (!m_pCenter || !m_pCenter->CanShowDlg())
        return false;
    return !m_pObj || m_pObj->CanShowDnDlg();
}

HWND vbDnData::GetDlgParentHwnd() { return m_pCenter ? m_pCenter->GetDlgParentHwnd() : nullptr; }

sIvbDlg* vbDnData::CreateDlg(const GUID& iid, HWND hParent)
{
    return m_pCenter ? m_pCenter->CreateDlg(iid, hParent) : nullptr;
}
