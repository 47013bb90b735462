// The registry engine's table of path objects, and the path objects themselves.

#include "vbRegEngine.h"

#include "vbException.h"
#include "vbObjects.h"

#include "plat/errors.h"

const IID IID_vbRegEngine = {0x11CBDDB3, 0x98E3, 0x4931, {0xB3, 0xD3, 0x57, 0x24, 0x20, 0xE7, 0x29, 0x13}};
const IID IID_vbRegPath = {0xD40DFD5E, 0xA423, 0x40DE, {0x9D, 0x2E, 0xAF, 0xAF, 0xCC, 0x8D, 0x29, 0x3A}};

// Constructed in this order: the paths only record the engine's and their parents' addresses.
vbRegEngine g_vbRegEngine("KVX Vantrel Registry Engine", vbEngineDeps());
vbRegPath vbRegVantMachine("VantMachine", "KVX Vantrel Base Machine Configuration Path", vbRegLocalMachine,
    "Software\\KVX Vantrel");
vbRegPath vbRegVantUser("VantUser", "KVX Vantrel Base User Configuration Path", vbRegCurrentUser,
    "Software\\KVX Vantrel");
vbRegPath vbRegVantColors("VantUserColors", "KVX Vantrel Base User Colors Configuration Path", &vbRegVantUser,
    "Colors");
vbRegPath vbRegVantMachineColors("VantMachineColors", "KVX Vantrel Base Machine Colors Configuration Path",
    &vbRegVantMachine, "Colors");

namespace {

vbEngineDeps onRegEngine(vbRegPath* parent)
{
    vbEngineDeps deps;
    deps.Add(&g_vbRegEngine);
    if (parent)
        deps.Add(parent);
    return deps;
}

[[noreturn]] void throwBadRoot(const char* fn, vbRegRoot root)
{
    throw new vbEsys(true, E_FAIL, "vbRegEngine::%s(root=%d) : bad registry root id", fn, static_cast<int>(root));
}

} // namespace

// --- engine ---

vbRegEngine::vbRegEngine(const char* label, const vbEngineDeps& deps) : vbEngine(vbEngineStartAuto, label, deps) { }

vbRegEngine::~vbRegEngine() { Destroy(); }

bool vbRegEngine::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbRegEngine) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

int vbRegEngine::Add(vbRegPath* path)
{
    vbLock use(this);
    vbSectLock lock(centerLock());
    const int count = m_paths.GetLength();
    for (int i = 1; i <= count; ++i) {
        if (!m_paths[i]) {
            m_paths[i] = path;
            return i;
        }
    }
    return m_paths.Add(path);
}

// Paths stop before the engine (they depend on it), also while the centre shuts down and the
// engine can no longer be locked, so the slot is emptied under the centre's section alone.
void vbRegEngine::Remove(int index)
{
    vbSectLock lock(centerLock());
    if (index >= 1 && index <= m_paths.GetLength())
        m_paths[index] = nullptr;
}

vbRegPath* vbRegEngine::findPath(vbRegRoot root, const char* fn)
{
    const int index = -static_cast<int>(root);
    if (root >= 0 || index > m_paths.GetLength() || !m_paths[index])
        throwBadRoot(fn, root);
    return m_paths[index];
}

vbRegPath* vbRegEngine::GetRegPath(vbRegRoot root)
{
    vbLock use(this);
    vbSectLock lock(centerLock());
    return findPath(root, "GetRegPath");
}

void vbRegEngine::GetPath(vbRegRoot root, vbRegRoot* realRoot, vbString* path)
{
    vbLock use(this);
    vbSectLock lock(centerLock());
    findPath(root, "GetPath")->GetAbsPath(realRoot, path);
}

bool vbRegEngine::onStop(bool)
{
    // Every path has stopped before (they depend on the engine); what is left are slots of paths
    // whose stop could not reach the table.
    m_paths.Empty();
    return true;
}

// --- path objects ---

vbRegPath::vbRegPath(const char* name, const char* label, vbRegRoot root, const char* path)
    : vbEngine(vbEngineStartOnDemand, label, onRegEngine(nullptr)), m_root(root), m_path(path), m_name(name)
{
    if (root < 0)
        m_pParent = g_vbRegEngine.GetRegPath(root);
}

vbRegPath::vbRegPath(const char* name, const char* label, vbRegPath* parent, const char* path)
    : vbEngine(vbEngineStartOnDemand, label, onRegEngine(parent)), m_pParent(parent), m_path(path), m_name(name)
{
}

vbRegPath::~vbRegPath() { Destroy(); }

bool vbRegPath::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbRegPath) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

vbString vbRegPath::GetName() const
{
    CheckReady();
    return vbString(m_name);
}

vbRegPath::operator vbRegRoot() const
{
    vbLock use(this);
    vbSectLock lock(centerLock());
    return static_cast<vbRegRoot>(-m_index);
}

void vbRegPath::absPath(vbRegRoot* root, vbString* path) const
{
    if (!m_pParent) {
        if (root)
            *root = m_root;
        if (path)
            *path = m_path;
        return;
    }
    vbString parentPath;
    m_pParent->absPath(root, &parentPath);
    if (!path)
        return;
    if (parentPath.IsEmpty())
        *path = m_path;
    else if (!m_path.IsEmpty())
        *path = parentPath + "\\" + m_path;
    else
        *path = parentPath;
}

void vbRegPath::GetAbsPath(vbRegRoot* root, vbString* path) const
{
    CheckReady();
    vbSectLock lock(centerLock());
    absPath(root, path);
}

vbString vbRegPath::GetPath() const
{
    vbSectLock lock(centerLock());
    return m_path;
}

void vbRegPath::SetPath(const vbString& path)
{
    vbSectLock lock(centerLock());
    m_path = path;
}

vbRegRoot vbRegPath::rootNumber() const { return m_pParent ? static_cast<vbRegRoot>(-m_pParent->m_index) : m_root; }

vbRegRoot vbRegPath::GetRoot() const
{
    vbSectLock lock(centerLock());
    return rootNumber();
}

// A parent chain that came back to the path would send every lookup round for ever.
void vbRegPath::checkParent(const vbRegPath* parent) const
{
    for (const vbRegPath* p = parent; p; p = p->m_pParent)
        if (p == this)
            throw new vbEsys(E_INVALIDARG, "vbRegPath::SetRoot() : the parent lies below this path");
}

void vbRegPath::SetRoot(vbRegRoot root)
{
    vbRegPath* parent = root < 0 ? g_vbRegEngine.GetRegPath(root) : nullptr;
    vbSectLock lock(centerLock());
    checkParent(parent);
    m_pParent = parent;
    m_root = root;
}

void vbRegPath::SetRoot(vbRegPath* parent)
{
    vbSectLock lock(centerLock());
    checkParent(parent);
    m_pParent = parent;
    m_root = vbRegCurrentUser;
}

void vbRegPath::onStart()
{
    const int index = g_vbRegEngine.Add(this);
    vbSectLock lock(centerLock());
    m_index = index;
}

bool vbRegPath::onStop(bool)
{
    vbSectLock lock(centerLock());
    if (m_index)
        g_vbRegEngine.Remove(m_index);
    m_index = 0;
    return true;
}
