#include "picCompressPlugType.h"

#include "vbStrUtil.h"

#include <algorithm>
#include <vector>

namespace {

const GUID kObjectIds[] = {
    IID_sIvbBase,
    VNT_GUID(0x5B6F3237, 0x5A39, 0x46E5, 0xA8, 0xA7, 0xA8, 0x8C, 0xA0, 0xF9, 0xFE, 0x0F),
    VNT_GUID(0x72B5D83C, 0xED16, 0x43E7, 0xBD, 0xA0, 0x91, 0x54, 0x60, 0xD8, 0x0C, 0xB1),
    VNT_GUID(0x321A9C42, 0xF414, 0x4F06, 0x92, 0xBE, 0xCD, 0xEE, 0x91, 0x5B, 0x2A, 0xD5),
};

bool servesType(const vbString& objectName, const vbString& fileType)
{
    vbArray<vbString> parts;
    vbSplit(objectName, ".", &parts, 0);
    for (int i = 1; i <= parts.GetLength(); ++i) {
        if (parts[i].CompareNoCase(fileType) == 0)
            return true;
    }
    return false;
}

} // namespace

picCompressPlugType::picCompressPlugType(const char* name, const char* version, const char* label, vbExtraMsg* msg,
    const vbEngineDeps& deps)
    : vbHotPlugType(name, version, label, msg, deps)
{
}

picCompressPlugType::~picCompressPlugType() = default;

bool picCompressPlugType::GetInterface(const GUID& iid, const void** ppv) const
{
    for (const GUID& id : kObjectIds) {
        if (iid == id) {
            *ppv = this;
            return true;
        }
    }
    if (iid == IID_sIvbHotPlugType) {
        *ppv = static_cast<const sIvbHotPlugType*>(this);
        return true;
    }
    if (iid == IID_sIvbLock) {
        *ppv = static_cast<const sIvbLock*>(this);
        return true;
    }
    return false;
}

bool picCompressPlugType::GetInterface(const GUID& iid, void** ppv)
{
    return static_cast<const picCompressPlugType*>(this)->GetInterface(iid, const_cast<const void**>(ppv));
}

bool picCompressPlugType::matchType(const vbString& fileType, vbString* name, PluginPtr* plugin)
{
    vbSectLock lock(&m_sect);
    const Object* found = m_objects.FindSorted<const vbString&>(fileType, findPlugObj, nullptr);
    for (int i = 1; !found && i <= m_objects.GetLength(); ++i) {
        if (servesType(m_objects[i].name, fileType))
            found = &m_objects[i];
    }
    if (!found)
        return false;
    *name = found->name;
    *plugin = found->plugin;
    return true;
}

bool picCompressPlugType::CreatePluggedObject(const vbString& fileType, vbHotPlugObjectPtr* object,
    vbHotPluginPtr* plugin)
{
    vbLock use(this);
    checkPlugins();
    loadConfig();
    vbString name;
    PluginPtr serving;
    if (!matchType(fileType, &name, &serving))
        return false;
    serving->createPluggedObject(name, object, plugin);
    return true;
}

bool picCompressPlugType::CreatePluggedObject(const vbString& fileType, picCompressPlugPtr* plug, vbHotPluginPtr* plugin)
{
    vbLock use(this);
    if (!plug)
        return CreatePluggedObject(fileType, static_cast<vbHotPlugObjectPtr*>(nullptr), plugin);
    vbHotPlugObjectPtr object;
    if (!CreatePluggedObject(fileType, &object, plugin))
        return false;
    *plug = vbRefQIPtr<IpicCompressPlug, &IID_IpicCompressPlug>(object.Get(), true);
    return true;
}

int picCompressPlugType::PrioritySort(const Object& a, const Object& b)
{
    if (a.priority != b.priority)
        return a.priority < b.priority ? -1 : 1;
    return a.name.CompareNoCase(b.name);
}

int picCompressPlugType::GetSupportedType(vbArray<vbString>* out)
{
    vbLock use(this);
    checkPlugins();
    loadConfig();
    std::vector<Object> copies;
    {
        vbSectLock lock(&m_sect);
        for (int i = 1; i <= m_objects.GetLength(); ++i)
            copies.push_back(Object{m_objects[i].name, PluginPtr(), nullptr, m_objects[i].priority});
    }
    const int count = static_cast<int>(copies.size());
    if (!out)
        return count;
    std::sort(copies.begin(), copies.end(), [](const Object& a, const Object& b) { return PrioritySort(a, b) < 0; });
    out->SetLength(count);
    for (int i = 1; i <= count; ++i)
        (*out)[i] = copies[static_cast<size_t>(i - 1)].name;
    return count;
}

bool picCompressPlugType::CanWorkWithType(const char* ext, IvbInputStream* stream, picDecompressorPtr* decompressor,
    IpicImage* image)
{
    vbLock use(this);
    vbArray<vbString> names;
    GetSupportedType(&names);
    for (int i = 1; i <= names.GetLength(); ++i) {
        picCompressPlugPtr plug;
        if (CreatePluggedObject(names[i], &plug, nullptr) && plug->CanWorkWithType(ext, stream, decompressor, image))
            return true;
    }
    return false;
}

bool picCompressPlugType::CanWorkWithType(const char* ext, const unsigned char* data, int length, int* needed,
    picDecompressorPtr* decompressor, IpicImage* image)
{
    vbLock use(this);
    vbArray<vbString> names;
    GetSupportedType(&names);
    for (int i = 1; i <= names.GetLength(); ++i) {
        picCompressPlugPtr plug;
        if (!CreatePluggedObject(names[i], &plug, nullptr))
            continue;
        int asked = -1;
        if (plug->CanWorkWithType(ext, data, length, &asked, decompressor, image))
            return true;
        if (asked > 0) {
            if (needed)
                *needed = asked;
            return false;
        }
    }
    return false;
}
