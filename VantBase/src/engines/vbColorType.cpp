// User colours: named colour settings kept in the registry.

#include "vbColor.h"

#include "vbObjects.h"
#include "vbRegKey.h"
#include "vbVariant.h"

const IID IID_vbColorType = {0x1D691F3A, 0xB14B, 0x410B, {0x95, 0x36, 0x39, 0x46, 0xB0, 0x93, 0x00, 0xF1}};

namespace {

vbEngineDeps colorTypeDeps(vbRegPath* userPath, vbRegPath* machinePath)
{
    vbEngineDeps deps;
    deps.Add(&g_vbColorEngine);
    if (userPath)
        deps.Add(userPath);
    if (machinePath)
        deps.Add(machinePath);
    return deps;
}

bool hasText(const char* s) { return s && *s; }

} // namespace

vbColorType::vbColorType(const char* name, const char* description, const char* family, DWORD defaultColor)
    : vbColorType(&vbRegVantColors, &vbRegVantMachineColors, name, description, family, defaultColor)
{
}

vbColorType::vbColorType(vbRegPath* userPath, vbRegPath* machinePath, const char* name, const char* description,
    const char* family, DWORD defaultColor)
    : vbEngine(vbEngineStartAuto, description, colorTypeDeps(userPath, machinePath)),
      m_default(defaultColor),
      m_pUserPath(userPath),
      m_pMachinePath(machinePath),
      m_name(name),
      m_family(family)
{
}

vbColorType::~vbColorType() { Destroy(); }

bool vbColorType::GetInterface(const GUID& iid, void** ppv)
{
    if (iid == IID_vbColorType) {
        *ppv = this;
        return true;
    }
    return vbEngine::GetInterface(iid, ppv);
}

void vbColorType::checkReady() const
{
    g_vbColorEngine.CheckReady();
    CheckReady();
}

template <class F>
void vbColorType::change(F&& apply)
{
    checkReady();
    DWORD before;
    DWORD after;
    {
        vbSectLock lock(&g_vbColorEngine.m_sect);
        before = effective();
        apply();
        after = effective();
    }
    if (before == after)
        return;
    vbLock self;
    if (IsNowStarted(&self))
        g_vbColorEngine.SetUserColor(m_number, after);
}

DWORD vbColorType::GetColor() const
{
    checkReady();
    vbSectLock lock(&g_vbColorEngine.m_sect);
    return effective();
}

void vbColorType::SetColor(DWORD color)
{
    change([&] { m_color = color; });
}

DWORD vbColorType::GetDfltColor() const
{
    checkReady();
    vbSectLock lock(&g_vbColorEngine.m_sect);
    return m_default;
}

void vbColorType::SetDfltColor(DWORD color)
{
    change([&] { m_default = color; });
}

void vbColorType::Default()
{
    change([&] { m_color = vbNULLCOLOR; });
}

DWORD vbColorType::GetRef() const
{
    vbLock self(this);
    return m_ref.m_color;
}

vbColorType::operator DWORD() const
{
    vbLock self(this);
    return m_ref;
}

CPen& vbColorType::GetPen()
{
    vbLock self(this);
    return m_ref.GetPen();
}

CBrush& vbColorType::GetBrush()
{
    vbLock self(this);
    return m_ref.GetBrush();
}

bool vbColorType::ConfigRead()
{
    checkReady();
    vbSectLock lock(&g_vbColorEngine.m_sect);
    if (!hasText(m_name))
        return false;
    for (vbRegPath* path : {m_pUserPath, m_pMachinePath}) {
        if (!path)
            continue;
        vbRegKey key(static_cast<vbRegRoot>(*path), m_name);
        if (!key.Exists())
            continue;
        const vbVariant stored = key.GetValue("Value");
        if (!stored.IsString() && !stored.IsNum())
            continue; // missing, or bytes no colour text can be
        vbColor parsed;
        if (!parsed.Set(stored.GetAsString(), false))
            continue;
        lock.Unlock();
        SetColor(parsed.m_color);
        return true;
    }
    return false;
}

void vbColorType::ConfigWrite()
{
    checkReady();
    vbSectLock lock(&g_vbColorEngine.m_sect);
    if (!m_pUserPath || !hasText(m_name))
        return;
    vbRegKey key(static_cast<vbRegRoot>(*m_pUserPath), m_name);
    if (m_color == vbNULLCOLOR) {
        key.DeleteKey(true, false);
        return;
    }
    const char* description = GetLabelPtr();
    if (hasText(description))
        key.SetDefaultValue(vbVariant(description));
    const vbString text = vbColor(m_color);
    key.SetValue("Value", vbVariant(text));
    if (hasText(m_family))
        key.SetValue("Family", vbVariant(m_family));
}

void vbColorType::onStart()
{
    vbSectLock lock(&g_vbColorEngine.m_sect);
    ConfigRead();
    g_vbColorEngine.Add(this);
}

bool vbColorType::onStop(bool)
{
    vbSectLock lock(&g_vbColorEngine.m_sect);
    g_vbColorEngine.Remove(this);
    ConfigWrite();
    return true;
}
