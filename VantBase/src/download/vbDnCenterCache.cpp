// The download centre's object cache (entries in a table with reused slots, a use list from
// newest to oldest, and a sorted index rebuilt only after a change), and its dialog state.

#include "vbDnCenter.h"

#include "download/vbDnCenterParts.h"
#include "vbException.h"
#include "vbLog.h"

#include <algorithm>
#include <cstring>

using vbDnCenterParts::infoOf;

namespace {

using Info = vbDnCenter::CacheInfo;

// What an entry is compared with: class id, URL and key.
struct CacheKey {
    const GUID& clsid;
    const char* url;
    int64_t key;
};

int compareKeys(int64_t a, int64_t b) { return a < b ? -1 : a > b ? 1 : 0; }

int compareExact(const Info& e, const CacheKey& k)
{
    if (int c = std::memcmp(&e.clsid, &k.clsid, sizeof(GUID)))
        return c;
    if (int c = std::strcmp(e.url.c_str(), k.url))
        return c;
    return compareKeys(e.key, k.key);
}

// The array searches: an empty URL matches the whole class, a negative key makes the URL a
// prefix; otherwise as the exact comparison.
int compareExt(const Info& e, const CacheKey& k)
{
    if (int c = std::memcmp(&e.clsid, &k.clsid, sizeof(GUID)))
        return c;
    if (!*k.url)
        return 0;
    if (k.key < 0)
        return std::strncmp(e.url.c_str(), k.url, std::strlen(k.url));
    if (int c = std::strcmp(e.url.c_str(), k.url))
        return c;
    return compareKeys(e.key, k.key);
}

// Entry against key within one part of the index: null entries come last, cacheable entries
// before non-cacheable ones; an entry outside the searched part lies before or after it.
int compareIn(const Info* e, const CacheKey& k, bool cacheablePart, int (*compare)(const Info&, const CacheKey&))
{
    if (!e)
        return 1;
    if (e->cacheable != cacheablePart)
        return e->cacheable ? -1 : 1;
    return compare(*e, k);
}

// Sort order of the index.
bool sortsBefore(const Info* a, const Info* b)
{
    if (!a || !b)
        return a && !b;
    if (a->cacheable != b->cacheable)
        return a->cacheable;
    return compareExact(*a, CacheKey{b->clsid, b->url.c_str(), b->key}) < 0;
}

// The position of some entry comparing equal, or -1.
int binarySearch(const std::vector<Info*>& index, const CacheKey& k, bool cacheablePart,
    int (*compare)(const Info&, const CacheKey&))
{
    int lo = 0;
    int hi = static_cast<int>(index.size()) - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = compareIn(index[static_cast<size_t>(mid)], k, cacheablePart, compare);
        if (c == 0)
            return mid;
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    return -1;
}

} // namespace

void vbDnCenter::cacheSort()
{
    if (m_bSorted)
        return;
    m_sorted = m_cache;
    std::sort(m_sorted.begin(), m_sorted.end(), sortsBefore);
    m_bSorted = true;
}

void vbDnCenter::cacheTouch(CacheInfo* info)
{
    cacheUnlink(info);
    info->older = m_pNewest;
    info->newer = nullptr;
    if (m_pNewest)
        m_pNewest->newer = info;
    m_pNewest = info;
    if (!m_pOldest)
        m_pOldest = info;
    info->linked = true;
    info->lastUse = vbDnCenterParts::now();
    LONG size = static_cast<LONG>(info->obj->GetMemSizeForCache());
    if (size < 0)
        size = 0;
    if (size != info->size) {
        m_cacheSize += size - info->size;
        info->size = size;
        if (m_cacheSize > m_cacheSizePeak)
            m_cacheSizePeak = m_cacheSize;
    }
}

void vbDnCenter::cacheUnlink(CacheInfo* info)
{
    if (!info->linked)
        return;
    (info->newer ? info->newer->older : m_pNewest) = info->older;
    (info->older ? info->older->newer : m_pOldest) = info->newer;
    info->newer = info->older = nullptr;
    info->linked = false;
}

void vbDnCenter::cacheDestroy(CacheInfo* info)
{
    --m_cacheObjCnt;
    ++m_cacheObjDone;
    m_cache[static_cast<size_t>(info->id - 1)] = nullptr;
    m_bSorted = false;
    cacheUnlink(info);
    m_cacheSize -= info->size;
    m_cacheSizeDone += info->size;
    IvbDnObject* obj = info->obj;
    const int id = info->id;
    delete info;
    if (obj && !obj->dnCenter_tryDel(this, id))
        obj->dnCenter_cache(nullptr, 0);
}

void vbDnCenter::cacheAdd(IvbDnObject* obj, vbSectLock* lock, bool update)
{
    vbSectLock own;
    if (!lock)
        own.Lock(&m_sect);
    const int id = obj->dnCenter_getCacheId(this);
    CacheInfo* info = nullptr;
    if (id == 0) {
        info = new CacheInfo;
        info->obj = obj;
        info->center = this;
        size_t slot = 0;
        while (slot < m_cache.size() && m_cache[slot])
            ++slot;
        if (slot == m_cache.size())
            m_cache.push_back(nullptr);
        info->id = static_cast<int>(slot) + 1;
        m_cache[slot] = info;
        if (++m_cacheObjCnt > m_cacheObjPeak)
            m_cacheObjPeak = m_cacheObjCnt;
        obj->dnCenter_cache(this, info->id);
        update = true;
    } else {
        if (id < 1 || static_cast<size_t>(id) > m_cache.size() || !m_cache[static_cast<size_t>(id - 1)])
            vbImpl::throwSys(E_FAIL, "vbDnCenter::cacheAdd() : bad cache id (%d)", id);
        info = m_cache[static_cast<size_t>(id - 1)];
    }
    if (update) {
        sIvbDnInfo* dn = infoOf(obj);
        info->cacheable = dn->IsCacheable();
        info->url = dn->GetUrl();
        info->clsid = dn->GetClsId();
        info->key = dn->GetKey();
        m_bSorted = false;
    }
    cacheTouch(info);
}

bool vbDnCenter::cacheFind(const GUID& clsid, const vbString& url, int64_t key, ObjRef* out, bool cacheableOnly)
{
    cacheSort();
    const CacheKey k{clsid, url.c_str(), key};
    int pos = binarySearch(m_sorted, k, true, compareExact);
    if (pos < 0 && !cacheableOnly)
        pos = binarySearch(m_sorted, k, false, compareExact);
    if (pos < 0)
        return false;
    CacheInfo* info = m_sorted[static_cast<size_t>(pos)];
    // Revived first: a cached object whose last user left may be taken again.
    info->obj->dnCenter_cache(this, info->id);
    *out = info->obj;
    return true;
}

int vbDnCenter::cacheFind(const GUID& clsid, const char* url, int64_t key,
    vbArray<vbRefPtr<IvbDnObject, &IID_IvbDnObject>, 1, 1>* out, bool cacheable)
{
    cacheSort();
    const CacheKey k{clsid, url ? url : "", key};
    const int hit = binarySearch(m_sorted, k, cacheable, compareExt);
    if (hit < 0)
        return 0;
    auto matches = [&](int i) {
        return i >= 0 && i < static_cast<int>(m_sorted.size()) &&
            compareIn(m_sorted[static_cast<size_t>(i)], k, cacheable, compareExt) == 0;
    };
    int first = hit;
    while (matches(first - 1))
        --first;
    int count = 0;
    for (int i = first; matches(i); ++i, ++count) {
        CacheInfo* info = m_sorted[static_cast<size_t>(i)];
        info->obj->dnCenter_cache(this, info->id);
        if (out)
            out->Add(vbRefPtr<IvbDnObject, &IID_IvbDnObject>(info->obj));
    }
    return count;
}

bool vbDnCenter::cacheClean(bool force)
{
    const int64_t now = vbDnCenterParts::now();
    {
        vbSectLock lock(&m_dlgSect);
        if (!force && m_lastClean != -1 && now - m_lastClean < m_cleanTimeOut)
            return false;
        m_lastClean = now;
    }
    vbSectLock lock(&m_sect);
    const LONG limit = std::min<LONG>(m_cacheObjCnt, 5);
    LONG refusals = 0;
    bool removed = false;
    for (CacheInfo* info = m_pOldest; info;) {
        CacheInfo* newer = info->newer;
        if (!info->obj) {
            cacheDestroy(info);
            removed = true;
        } else if (force || m_cacheSize > m_cacheSizeMax || !info->cacheable ||
            now - info->lastUse >= m_objNotUsedTimeOut) {
            if (info->obj->dnCenter_tryDel(this, info->id)) {
                info->obj = nullptr;
                cacheDestroy(info);
                removed = true;
            } else {
                // A refusing object is asked again only after the others.
                cacheTouch(info);
                if (++refusals >= limit)
                    break;
            }
        }
        info = newer;
    }
    return removed;
}

void vbDnCenter::cacheClear()
{
    vbSectLock lock(&m_sect);
    for (CacheInfo* info : std::vector<CacheInfo*>(m_cache))
        if (info)
            cacheDestroy(info);
    m_cache.clear();
    m_sorted.clear();
    m_bSorted = false;
}

bool vbDnCenter::UpdateCacheInfo(IvbDnObject* obj, bool force)
{
    vbLock use;
    if (force)
        use.Lock(static_cast<const sIvbLock*>(this));
    else if (!isNowStarted())
        return false;
    vbSectLock lock(&m_sect);
    if (!force && obj->dnCenter_getCacheId(this) == 0)
        return false;
    cacheAdd(obj, &lock, true);
    return true;
}

bool vbDnCenter::RetrieveFromCache(const GUID& clsid, const vbString& url, int64_t key, ObjRef* out, bool cacheableOnly)
{
    if (!isNowStarted())
        return false;
    vbSectLock lock(&m_sect);
    return cacheFind(clsid, url, key, out, cacheableOnly);
}

int vbDnCenter::RetrieveFromCache(const GUID& clsid, const char* url, int64_t key,
    vbArray<vbRefPtr<IvbDnObject, &IID_IvbDnObject>, 1, 1>* out, bool cacheableOnly)
{
    if (!isNowStarted())
        return 0;
    vbSectLock lock(&m_sect);
    int n = cacheFind(clsid, url, key, out, true);
    if (!cacheableOnly)
        n += cacheFind(clsid, url, key, out, false);
    return n;
}

bool vbDnCenter::RemoveFromCache(IvbDnObject* obj)
{
    if (!isNowStarted())
        return false;
    vbSectLock lock(&m_sect);
    const int id = obj->dnCenter_getCacheId(this);
    if (id == 0)
        return false;
    cacheDestroy(m_cache[static_cast<size_t>(id - 1)]);
    return true;
}

int vbDnCenter::RemoveFromCache(const GUID& clsid, const char* url, int64_t key, bool cacheableOnly)
{
    vbArray<vbRefPtr<IvbDnObject, &IID_IvbDnObject>, 1, 1> found;
    vbSectLock lock(&m_sect);
    cacheFind(clsid, url, key, &found, true);
    if (!cacheableOnly)
        cacheFind(clsid, url, key, &found, false);
    int removed = 0;
    for (int i = 1; i <= found.GetSize(); ++i) {
        IvbDnObject* obj = found[i];
        if (obj->IsDnOpInWork())
            obj->StopDnOp();
        const int id = obj->dnCenter_getCacheId(this);
        if (id == 0) {
            vbRelOutput("ERROR: vbDnCenter::RemoveFromCache(" + vbString(clsid) + ", url=" + (url ? url : "All") +
                    ") : object (url=" + infoOf(obj)->GetUrl() + ") in cache with no id !",
                true);
            continue;
        }
        cacheDestroy(m_cache[static_cast<size_t>(id - 1)]);
        ++removed;
    }
    lock.Unlock();
    return removed;
}

// --- the dialog state ---

void vbDnCenter::SetDlgCtx(sIvbDlgCtx* ctx)
{
    vbSectLock lock(&m_dlgSect);
    m_pDlgCtx = ctx;
}

void vbDnCenter::dlgUseLock()
{
    vbSectLock lock(&m_dlgSect);
    if (m_pDlgCtx)
        return m_pDlgCtx->dlgUseLock();
    if (m_dlgUse >= 1)
        throw new vbEdnRetryLater(vbString("Dialog box opened for download center"), 1000);
    ++m_dlgUse;
}

void vbDnCenter::dlgUseUnlock()
{
    vbSectLock lock(&m_dlgSect);
    if (m_pDlgCtx)
        return m_pDlgCtx->dlgUseUnlock();
    --m_dlgUse;
}

void vbDnCenter::dlgDispLock()
{
    vbSectLock lock(&m_dlgSect);
    if (m_pDlgCtx)
        return m_pDlgCtx->dlgDispLock();
    ++m_dlgDisp;
}

void vbDnCenter::dlgDispUnlock()
{
    vbSectLock lock(&m_dlgSect);
    if (m_pDlgCtx)
        return m_pDlgCtx->dlgDispUnlock();
    --m_dlgDisp;
}

bool vbDnCenter::IsDlgDispLocked()
{
    vbSectLock lock(&m_dlgSect);
    return m_pDlgCtx ? m_pDlgCtx->IsDlgDispLocked() : m_dlgDisp > 0;
}

bool vbDnCenter::IsDlgUseLocked()
{
    vbSectLock lock(&m_dlgSect);
    return m_pDlgCtx ? m_pDlgCtx->IsDlgUseLocked() : m_dlgUse > 0;
}

bool vbDnCenter::CanShowDlg()
{
    vbSectLock lock(&m_dlgSect);
    return m_pDlgCtx ? m_pDlgCtx->CanShowDlg() : m_dlgDisp < 1;
}

HWND vbDnCenter::GetDlgParentHwnd()
{
    vbSectLock lock(&m_dlgSect);
    return m_pDlgCtx ? m_pDlgCtx->GetDlgParentHwnd() : nullptr;
}

sIvbDlg* vbDnCenter::CreateDlg(const GUID& iid, HWND hParent)
{
    vbSectLock lock(&m_dlgSect);
    return m_pDlgCtx ? m_pDlgCtx->CreateDlg(iid, hParent) : nullptr;
}
