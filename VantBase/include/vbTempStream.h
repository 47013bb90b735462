#pragma once

// A file stream on a temporary file that it names, creates and deletes by itself: the file is
// deleted when the stream lets it go (opening another file, being destroyed). It can also open a
// file of the caller's, temporary or not. The file stream's own opens are refused.

#include "vbFileStream.h"

extern VBAPI const IID IID_vbTempStream;

class VBAPI vbTempStream : public vbFileStream {
public:
    vbTempStream();
    // open: Open(wm, am, b) at once.
    vbTempStream(bool open, vbWorkMode wm, vbAccessMode am, bool b);

    static void CreateObject(vbRefPtr<vbStream, &IID_vbStream>* out);
    static void CreateObject(vbRefPtr<vbTempStream, &IID_vbTempStream>* out);

    using vbFileStream::GetInterface;
    bool GetInterface(const GUID& iid, void** ppv) override;
    void Destroy() override;
    vbString GetName() const override;

    // Refused: a temporary stream chooses its files itself.
    void Open(const vbSecurityAttr* sa, vbOpenMode om, vbAccessMode am, vbWorkMode wm) override;
    void Open(const vbSecurityAttr& sa, const vbString& name, vbOpenMode om, vbAccessMode am, vbWorkMode wm) override;
    void Open(const vbString& name, vbOpenMode om, vbAccessMode am, vbWorkMode wm) override;

    // b: CREATE_ALWAYS, else CREATE_NEW. Without a name: the held temporary file, or a new one.
    virtual void OpenCreate(const vbSecurityAttr& sa, bool temporary, const vbString& name, vbWorkMode wm,
        vbAccessMode am, bool b);
    virtual void OpenCreate(const vbSecurityAttr& sa, vbWorkMode wm, vbAccessMode am, bool b);
    virtual void OpenCreate(bool temporary, const vbString& name, vbWorkMode wm, vbAccessMode am, bool b);
    virtual void OpenCreate(vbWorkMode wm, vbAccessMode am, bool b);
    // b: OPEN_ALWAYS, else OPEN_EXISTING.
    virtual void Open(const vbSecurityAttr& sa, bool temporary, const vbString& name, vbWorkMode wm,
        vbAccessMode am, bool b);
    virtual void Open(const vbSecurityAttr& sa, vbWorkMode wm, vbAccessMode am, bool b);
    virtual void Open(bool temporary, const vbString& name, vbWorkMode wm, vbAccessMode am, bool b);
    virtual void Open(vbWorkMode wm, vbAccessMode am, bool b);
    // Always a new temporary file; deleteOld deletes the held one first.
    virtual void OpenNew(const vbSecurityAttr& sa, bool deleteOld, vbWorkMode wm, vbAccessMode am, bool b);
    virtual void OpenNew(bool deleteOld, vbWorkMode wm, vbAccessMode am, bool b);

    bool GetDelFileRequired() const;
    void SetDelFileRequired(bool required);
    bool IsTemporary() const { return m_bTemporary; }

protected:
    ~vbTempStream() override;
    DWORD onGetFileAttribute() const override;

private:
    // Closes and forgets the held file, deleting it when it is a temporary one and bDelete.
    void release(bool bDelete);
    // The held temporary file or a new one.
    void useTempName(bool bNew, bool deleteOld);
    void openNamed(const vbSecurityAttr* sa, bool temporary, const vbString& name, vbOpenMode om, vbWorkMode wm,
        vbAccessMode am);
    void openTemp(const vbSecurityAttr* sa, bool bNew, bool deleteOld, vbOpenMode om, vbWorkMode wm,
        vbAccessMode am);

    bool m_bTemporary = false;
    bool m_bDelRequired = true;
};
