#include "vbBaseItf.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/afx.h"
#include "plat/errors.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

const IID IID_sIvbBase = {0x8B1A16F9, 0x0C3A, 0x403D, {0x92, 0x2F, 0x89, 0x67, 0x90, 0x60, 0x3E, 0x60}};
const IID IID_sIvbLock = {0xB8609710, 0xEC74, 0x4810, {0x96, 0x91, 0xDF, 0x40, 0xD1, 0x76, 0x94, 0x3B}};

void vbPurecall()
{
    vbImpl::throwSys(E_ABORT, "VantBase: Object of called method is in destruction (purecall)");
}

bool sIvbBase::GetInterface(const GUID&, const void**) const { vbPurecall(); }
bool sIvbBase::GetInterface(const GUID&, void**) { vbPurecall(); }
void sIvbLock::Lock() const { vbPurecall(); }
void sIvbLock::Unlock() const { vbPurecall(); }

bool vbBase::GetInterface(const GUID& iid, const void** ppv) const
{
    return const_cast<vbBase*>(this)->GetInterface(iid, const_cast<void**>(ppv));
}

bool vbBase::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_sIvbBase) {
        *ppv = static_cast<sIvbBase*>(this);
        return true;
    }
    return false;
}

vbBase::~vbBase() = default;

namespace vbImpl {

void throwSys(HRESULT hr, const char* fmt, ...)
{
    char buf[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    throw new vbEsys(hr, buf);
}

void throwUser(HRESULT hr, const char* msg, const char* ctx)
{
    throw new vbEuser(hr, vbString(msg), vbString(ctx));
}

void reportCaught(CException* e, bool bShow, const char* file, int line) noexcept
{
    try {
        if (bShow)
            vbShowException(e, true, file, line);
        else
            vbTraceException(e, true, file, line);
    } catch (...) {
        // Reporting must not fail the caller; a report that fails has nowhere else to go.
    }
}

HRESULT hrOf(const CException* e) noexcept { return vbGetHR(const_cast<CException*>(e)); }

void reportCurrent(bool bShow, const char* file, int line) noexcept
{
    try {
        throw;
    } catch (CException* e) {
        reportCaught(e, bShow, file, line);
    } catch (...) {
        reportCaught(nullptr, bShow, file, line);
    }
}

} // namespace vbImpl
