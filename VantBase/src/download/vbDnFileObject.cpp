#include "vbDnFileObject.h"

#include "vbDnTempFile.h"
#include "vbException.h"

vbDnFileObject::vbDnFileObject(const vbString& url, int64_t key, const char* owner, const char* kind,
    const char* fileKind)
    : vbTdnObject(url, key), m_owner(owner), m_kind(kind), m_fileKind(fileKind)
{
}

vbDnFileObject::~vbDnFileObject() = default;

void vbDnFileObject::LoadingStart(vbDnData* data, int64_t) { vbDnTempFile::LoadingStart(data, m_owner); }

bool vbDnFileObject::LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG count)
{
    return vbDnTempFile::LoadingAddBuffer(data, bytes, count, m_owner);
}

void vbDnFileObject::LoadingEnd(vbDnData* data, bool ok)
{
    const bool loaded =
        vbDnTempFile::LoadingEnd(data, ok, m_owner, [&](const vbString& path) { return LoadFromFile(data, path); });
    if (!ok)
        return;
    const vbString url = data->GetUrl();
    if (!loaded)
        throw new vbEdnUser(vbString(m_kind) + " url '" + url + "' is invalid or is not " + m_fileKind);
    onLoadedFromBytes(vbDnTempFile::IsAnimatedUrl(url));
}

// The deriving object's own: reached here only while it is being destroyed.
void vbDnFileObject::onLoadedFromBytes(bool) { vbPurecall(); }
