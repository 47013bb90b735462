#include "hotplug/vbHotPlugInstall.h"

#include "vbLog.h"
#include "vbStrUtil.h"

#include <cstdint>

namespace {

void logAlways(const vbString& text) { vbRelOutput(text, true); }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A signed decimal at *p (white space and a sign may lead), in 32-bit two's complement; false
// without a digit. *p is left behind the digits.
bool readDecimal(const char*& p, uint32_t* value)
{
    while (isSpace(*p))
        ++p;
    const bool bNeg = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (*p < '0' || *p > '9')
        return false;
    uint32_t v = 0;
    while (*p >= '0' && *p <= '9')
        v = v * 10u + uint32_t(*p++ - '0');
    *value = bNeg ? 0u - v : v;
    return true;
}

// "a,b,c,d" into the two version words; false when the text is anything else.
bool readVersion(const char* p, uint32_t* high, uint32_t* low)
{
    uint32_t part[4];
    for (int i = 0; i < 4; ++i) {
        if (!readDecimal(p, &part[i]))
            return false;
        if (*p != (i < 3 ? ',' : '\0'))
            return false;
        ++p;
    }
    *high = part[0] * 65536u + (part[1] & 0xFFFFu);
    *low = part[2] * 65536u + (part[3] & 0xFFFFu);
    return true;
}

// Appends the GUIDs of a "," separated text, empty items allowed; false at the first character
// that is neither a GUID nor a separator (what was read before stays).
bool readIds(const char* p, vbArray<GUID>* ids)
{
    while (*p) {
        GUID id;
        const char* end = nullptr;
        const bool bRead = vbStrToGuid(p, &id, &end);
        if (!bRead)
            end = p; // nothing read: it stopped where it started
        if (*end != ',' && *end != '\0')
            return false;
        if (bRead)
            ids->Add(id);
        if (*end == '\0')
            break;
        p = end + 1;
    }
    return true;
}

// Calls f with each part of text between the separators, empty parts included.
template <class F>
void forEachPart(const vbString& text, char sep, F f)
{
    for (int start = 1;;) {
        const int found = text.Find(sep, start);
        const int stop = found ? found : text.GetLength() + 1;
        f(text.Mid(start, stop - start));
        if (!found)
            return;
        start = found + 1;
    }
}

} // namespace

void vbHotPlugCenter::PlugInfo::SetParam(const vbString& name, const vbString& value)
{
    if (name.CompareNoCase("version") == 0) {
        uint32_t high = 0;
        uint32_t low = 0;
        if (!readVersion(value, &high, &low)) {
            logAlways("vbHotPlugCenter::PlugInfo::SetParam() : version=" + value + "', bad version string");
            return;
        }
        versionMS = high;
        versionLS = low;
    } else if (name.CompareNoCase("id") == 0) {
        if (!readIds(value, &ids))
            logAlways("vbHotPlugCenter::PlugInfo::SetParam() : id=" + value + "', bad guid string");
    } else if (name.CompareNoCase("plugtype") == 0) {
        forEachPart(value, ',', [this](vbString type) {
            type.Trim(" \t\n\r");
            if (!type.IsEmpty())
                plugTypes.Add(type);
        });
    } else {
        logAlways("vbHotPlugCenter::PlugInfo::SetParam() : '" + name + "' is not a valid parameter (value='" + value
            + "')");
    }
}

namespace vbHotPlugInstall {

int readList(const char* list, const std::function<bool(const vbString& url, const vbString& params)>& addEntry)
{
    if (!list || !*list)
        return 0;
    const vbString all(list);
    int count = 0;
    forEachPart(all, '|', [&](const vbString& entry) {
        if (entry.IsEmpty())
            return;
        const int hash = entry.ReverseFind('#');
        if (hash == 0)
            logAlways("vbHotPlugCenter::AddInstall(" + all + ") : install string without parameters : " + entry);
        else if (addEntry(entry.Left(hash - 1), entry.Mid(hash + 1)))
            ++count;
    });
    return count;
}

bool readEntry(vbString plugurl, vbString plugparams, vbHotPlugCenter::PlugInfo* info)
{
    plugurl.Trim();
    plugparams.Trim();
    const vbString head = "vbHotPlugCenter::AddInstall(plugurl='" + plugurl + "', plugparams='" + plugparams + "') : ";
    if (plugurl.IsEmpty() || plugparams.IsEmpty()) {
        logAlways(head + "plugurl or plugparam is empty");
        return false;
    }
    info->plugurl = plugurl;
    forEachPart(plugparams, ';', [&](const vbString& item) {
        if (item.IsEmpty())
            return;
        const int eq = item.Find('=');
        if (eq == 0)
            logAlways(head + "parameter without value : " + item);
        else
            info->SetParam(item.Left(eq - 1), item.Mid(eq + 1));
    });
    return true;
}

} // namespace vbHotPlugInstall
