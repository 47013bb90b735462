#pragma once

// A download object whose content only a file can give (icons and cursors go to LoadImageA): the
// bytes of a download go to a temporary file, which LoadFromFile loads once they are complete.

#include "vbDnObject.h"

#include <cstdint>

class VBAPI vbDnFileObject : public vbTdnObject<vbObject> {
public:
    void LoadingStart(vbDnData* data, int64_t size) override;
    bool LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG count) override;
    // Throws vbEdnUser "<kind> url '<url>' is invalid or is not <file kind>" for bytes that
    // LoadFromFile refuses; the temporary file is gone either way.
    void LoadingEnd(vbDnData* data, bool ok) override;

protected:
    // owner names the loader in the temporary file's failure texts; kind ("Icon") and fileKind
    // ("an icon file") make the refusal's text.
    vbDnFileObject(const vbString& url, int64_t key, const char* owner, const char* kind, const char* fileKind);
    ~vbDnFileObject() override;

    // Told after the bytes of url were loaded: whether the URL names an animated one; the URL
    // decides, never the temporary file's name.
    virtual void onLoadedFromBytes(bool animated);

private:
    const char* const m_owner;
    const char* const m_kind;
    const char* const m_fileKind;
};
