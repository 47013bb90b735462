#pragma once

// A mouse cursor held by value. It names its cursor by a resource id or name loaded on first use
// (the system's cursors are the fallback), by a module's resource, or by any URL the download
// centre can fetch; the centre's workers then create, cache and fill the shared cursor object.
// Animated cursors are recognised by the URL. The owner may be told when a cursor has arrived.

#include "guiExport.h"

#include "vbDnFileObject.h"
#include "vbString.h"

#include "plat/types.h"

#include <cstdint>

class guiCursor;

extern GUIAPI const IID IID_guiCursorObject;

// Told when a cursor has been loaded, on whichever thread the load finished.
class GUIAPI cbIguiCursorLoaded {
public:
    virtual void onCursorLoaded(guiCursor* cursor);

protected:
    cbIguiCursorLoaded() = default;
    cbIguiCursorLoaded(const cbIguiCursorLoaded&) = default;
    cbIguiCursorLoaded& operator=(const cbIguiCursorLoaded&) = default;
    ~cbIguiCursorLoaded() = default;
};

// The shared, counted cursor object that owns the cursor handle.
class GUIAPI guiCursorObject : public vbDnFileObject {
public:
    guiCursorObject(const vbString& url, int64_t key);
    ~guiCursorObject() override;

    static const GUID& DnClassId() { return IID_guiCursorObject; }

    // The download object's faces, as vbIconObject declares them in shape: each loads its own kind of handle.
    using vbDnFileObject::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;
    const GUID& GetClsId() const override;

    DWORD GetMemSizeForCache() const override;
    // Only resources named without a type; the others come as bytes.
    bool LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module) override;
    const char* GetDefaultResType() const override;
    bool LoadFromFile(vbDnData* data, const vbString& path) override;

    // Null until the load is finished.
    HCURSOR GetHandle() const;
    bool IsValid() const;
    bool IsAnimated() const { return m_bAnimated; }

protected:
    void onLoadedFromBytes(bool animated) override { m_bAnimated = animated; }

private:
    HCURSOR m_hCursor = nullptr;
    bool m_bShared = false;
    bool m_bAnimated = false;
};

class GUIAPI guiCursor : public vbDnPtr<guiCursorObject, &IID_guiCursorObject> {
public:
    explicit guiCursor(cbIguiCursorLoaded* cb = nullptr);
    // A resource to load at the first request of the handle.
    explicit guiCursor(unsigned int id);
    // The name is copied; an integer resource stays an id.
    explicit guiCursor(const char* name);
    // Shares the other's object, URL and key, then asks a load; no callback, nothing pending.
    guiCursor(const guiCursor& other);
    // The same sharing; the callback and the pending resource stay.
    guiCursor& operator=(const guiCursor& other);
    ~guiCursor();

    void Set(unsigned int id, HINSTANCE module, vbDnPriority prio);
    void Set(const char* name, HINSTANCE module, vbDnPriority prio);
    // Asks a load when the URL changed.
    void SetUrl(const vbString& url, vbDnPriority prio);

    // Loads a pending resource on the calling thread; null until there is a handle.
    operator HICON() const;
    bool IsValid() const;
    bool IsAnimated() const;
    guiCursor& WaitLoad(int timeout, vbDnPriority prio);
    void SetCursorLoadedCB(cbIguiCursorLoaded* cb) { m_pCb = cb; }

protected:
    void onSignal(int code) override;
    // False when nothing is pending.
    bool loadNow();

private:
    void setPending(const char* name);

    cbIguiCursorLoaded* m_pCb = nullptr;
    // An integer resource, or m_pendingName's text; null when nothing is pending.
    const char* m_pPending = nullptr;
    vbString m_pendingName;
};

extern GUIAPI guiCursor guiCursor_Arrow;
extern GUIAPI guiCursor guiCursor_Text;
extern GUIAPI guiCursor guiCursor_Wait;
extern GUIAPI guiCursor guiCursor_Move;
extern GUIAPI guiCursor guiCursor_No;
extern GUIAPI guiCursor guiCursor_AppStarting;
extern GUIAPI guiCursor guiCursor_Help;
