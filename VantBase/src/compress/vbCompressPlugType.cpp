#include "vbCompressLZSS.h"

#include <algorithm>
#include <vector>

const IID IID_vbCompressPlugType = VNT_GUID(0x212D3C18, 0x35FF, 0x492A, 0x97, 0x9E, 0x54, 0xA3, 0xB2, 0xA4, 0x94, 0xEF);

vbExtraMsg g_vbCompressPlugMsg("KVX Vantrel HotPlug Compression Message V5");
vbCompressPlugType g_vbCompressPlugType(
    "Compress", "5", "KVX Vantrel HotPlug Compression", &g_vbCompressPlugMsg, vbEngineDeps());

namespace {

const char kBuiltIn[] = "qvlzss";
constexpr LONG kBuiltInPriority = 65536;

bool isBuiltIn(const vbString& encoding)
{
    return encoding.CompareNoCase("qvlz") == 0 || encoding.CompareNoCase(kBuiltIn) == 0;
}

} // namespace

vbCompressPlugType::vbCompressPlugType(const char* name, const char* version, const char* label, vbExtraMsg* msg,
    const vbEngineDeps& deps)
    : vbHotPlugType(name, version, label, msg, deps)
{
}

vbCompressPlugType::~vbCompressPlugType() = default;

bool vbCompressPlugType::GetInterface(const GUID& iid, const void** ppv) const
{
    if (iid == IID_vbCompressPlugType) {
        *ppv = this;
        return true;
    }
    return vbHotPlugType::GetInterface(iid, ppv);
}

bool vbCompressPlugType::GetInterface(const GUID& iid, void** ppv)
{
    return static_cast<const vbCompressPlugType*>(this)->GetInterface(iid, const_cast<const void**>(ppv));
}

bool vbCompressPlugType::CreatePluggedObject(const vbString& encoding, vbCompressPlugPtr* plug, vbHotPluginPtr* plugin)
{
    vbHotPlugObjectPtr object;
    if (vbHotPlugType::CreatePluggedObject(encoding, plug ? &object : nullptr, plugin)) {
        if (plug)
            *plug = vbRefQIPtr<IvbCompressPlug, &IID_IvbCompressPlug>(object.Get(), true);
        return true;
    }
    if (!isBuiltIn(encoding))
        return false;
    // The built-in codec belongs to no plug-in.
    if (plugin)
        *plugin = nullptr;
    if (plug)
        vbLZSSplug::CreateObject(plug);
    return true;
}

bool vbCompressPlugType::CanWorkWith(IvbHotPlugin* plugin, const vbString& encoding)
{
    if (vbHotPlugType::CanWorkWith(plugin, encoding))
        return true;
    return !plugin && isBuiltIn(encoding);
}

int vbCompressPlugType::PrioritySort(const Object& a, const Object& b)
{
    if (a.priority != b.priority)
        return a.priority < b.priority ? -1 : 1;
    return a.name.CompareNoCase(b.name);
}

int vbCompressPlugType::GetSupportedEncoding(vbArray<vbString>* out)
{
    vbLock use(this);
    checkPlugins();
    loadConfig();
    std::vector<Object> encodings;
    bool builtInConfigured = false;
    {
        vbSectLock lock(&m_sect);
        for (int i = 1; i <= m_objects.GetLength(); ++i) {
            encodings.push_back(Object{m_objects[i].name, PluginPtr(), nullptr, m_objects[i].priority});
            builtInConfigured = builtInConfigured || m_objects[i].name.CompareNoCase(kBuiltIn) == 0;
        }
    }
    if (!builtInConfigured)
        encodings.push_back(Object{kBuiltIn, PluginPtr(), nullptr, kBuiltInPriority});
    const int count = static_cast<int>(encodings.size());
    if (!out)
        return count;
    std::sort(encodings.begin(), encodings.end(), [](const Object& a, const Object& b) { return PrioritySort(a, b) < 0; });
    out->SetLength(count);
    for (int i = 1; i <= count; ++i)
        (*out)[i] = encodings[static_cast<size_t>(i - 1)].name;
    return count;
}
