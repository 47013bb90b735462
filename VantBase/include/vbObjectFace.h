#pragma once

// The IvbObject operations of an object's second face (a class that derives from vbObject and
// from another IvbObject interface), forwarded to Base: every face shares the object's one count,
// its pointers and its lookup.

#include "vbObjects.h"

// All but QueryInterface, for a class that answers queries its own way.
#define VB_OBJECT_FACE_REST(Base) \
    ULONG AddRef() override { return Base::AddRef(); } \
    ULONG Release() override { return Base::Release(); } \
    ULONG AddRef() const override { return Base::AddRef(); } \
    ULONG Release() const override { return Base::Release(); } \
    bool AddPtr(sIvbPtr* p, bool bThrow) override { return Base::AddPtr(p, bThrow); } \
    void RemovePtr(sIvbPtr* p, bool bSilent) override { Base::RemovePtr(p, bSilent); } \
    void SignalPtr(int signal) override { Base::SignalPtr(signal); } \
    void LockPtr() const override { Base::LockPtr(); } \
    void UnlockPtr() const override { Base::UnlockPtr(); } \
    bool IsInDestruction() const override { return Base::IsInDestruction(); } \
    bool GetInterface(const GUID& iid, const void** ppv) const override { return Base::GetInterface(iid, ppv); }

#define VB_OBJECT_FACE(Base) \
    HRESULT QueryInterface(REFIID iid, void** ppv) override { return Base::QueryInterface(iid, ppv); } \
    HRESULT QueryInterface(const GUID& iid, const void** ppv) const override { return Base::QueryInterface(iid, ppv); } \
    VB_OBJECT_FACE_REST(Base)
