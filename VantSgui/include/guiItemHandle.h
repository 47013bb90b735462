#pragma once

// A caller's hold on one item of a bar (a status bar panel, a tool bar button): the bar and the
// item's identifier, linked into the item's list of handles so that the bar detaches them all when
// the item goes. Copies hold the same item; a handle is not owning. Owner answers the head of an
// item's list with firstHandleOf(id) and names itself in exception displays with kSourceName.

#include "guiBase.h"

#include "vbException.h"

#include <cstdint>

template <class Owner>
class guiItemHandle {
public:
    guiItemHandle(const guiItemHandle& other) { Attach(other.m_pOwner, other.m_id); }
    guiItemHandle& operator=(const guiItemHandle& other)
    {
        if (this != &other)
            Attach(other.m_pOwner, other.m_id);
        return *this;
    }
    virtual ~guiItemHandle()
    {
        try {
            Detach();
        } catch (...) {
            guiShowCaught(Owner::kSourceName, __LINE__);
        }
    }

    void Detach()
    {
        if (!m_pOwner)
            return;
        if (m_pPrev)
            m_pPrev->m_pNext = m_pNext;
        else
            m_pOwner->firstHandleOf(m_id) = m_pNext;
        if (m_pNext)
            m_pNext->m_pPrev = m_pPrev;
        m_pNext = nullptr;
        m_pPrev = nullptr;
        m_pOwner = nullptr;
        m_id = -1;
    }
    // Attached, and the bar's window exists.
    bool IsValid() const { return m_pOwner && m_pOwner->GetSafeHwnd(); }
    // vbEsys "guiTBButton::MustBeValid() without parent" when detached.
    void MustBeValid() const
    {
        if (!m_pOwner)
            throw new vbEsys(E_FAIL, "guiTBButton::MustBeValid() without parent");
    }

protected:
    guiItemHandle() = default;
    guiItemHandle(Owner* owner, int id) { Attach(owner, id); }

    // Detaches, then with an owner becomes the head of that item's handles.
    void Attach(Owner* owner, int id)
    {
        Detach();
        if (!owner)
            return;
        guiItemHandle*& head = owner->firstHandleOf(id);
        m_pOwner = owner;
        m_id = id;
        m_pNext = head;
        if (m_pNext)
            m_pNext->m_pPrev = this;
        head = this;
    }
    Owner* owner() const { return m_pOwner; }
    int id() const { return m_id; }

private:
    int32_t m_id = -1;
    Owner* m_pOwner = nullptr;
    guiItemHandle* m_pNext = nullptr;
    guiItemHandle* m_pPrev = nullptr;
};
