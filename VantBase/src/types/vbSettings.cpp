// The keys and values of one section of a profile file.

#include "vbSettings.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/errors.h"
#include "plat/file.h"

#include <cstring>
#include <vector>

namespace {

// The system read values into 200 bytes: longer values are cut to 199 characters.
constexpr DWORD kValueBytes = 200;
// The first size tried for the list of key names.
constexpr DWORD kKeyListBytes = 2048;

} // namespace

vbSettings::vbSettings(const vbSettings& o) : m_file(o.m_file), m_section(o.m_section), m_entries(o.m_entries) { }

vbSettings& vbSettings::operator=(const vbSettings& o)
{
    if (this != &o) {
        m_file = o.m_file;
        m_section = o.m_section;
        m_entries = o.m_entries;
    }
    return *this;
}

vbSettings::~vbSettings()
{
    try {
        m_entries.RemoveAll();
    } catch (CException* e) {
        vbShowException(e, true, __FILE__, __LINE__);
    } catch (...) {
    }
}

int vbSettings::GetAll(const vbString& file, const vbString& section)
{
    if (file.IsEmpty() || section.IsEmpty())
        throw new vbEsys(true, E_FAIL, "vbSettings::GetAll(%s) : invalid arg", file.c_str());
    m_file = file;
    m_section = section;
    m_entries.RemoveAll();
    // Every name of the section, however long the list: a list cut to fit answers size - 2, so
    // the buffer grows until the answer leaves room to spare.
    std::vector<char> names(kKeyListBytes);
    DWORD n;
    while ((n = GetPrivateProfileStringA(section, nullptr, "", names.data(), DWORD(names.size()), file))
        >= names.size() - 2)
        names.resize(names.size() * 2);
    // By the count answered: a line "=value" gives an empty name, which is kept.
    for (const char* key = names.data(); key < names.data() + n; key += std::strlen(key) + 1) {
        Entry e;
        e.key = key;
        m_entries.Add(e);
    }
    return m_entries.GetLength();
}

// The array's own message for a bad index, as GetValue gives it.
vbString vbSettings::GetKey(int i) const { return const_cast<vbArray<Entry>&>(m_entries)[i].key; }

vbString vbSettings::GetValue(int i)
{
    Entry& e = m_entries[i];
    if (e.loaded)
        return e.value;
    if (m_file.IsEmpty() || m_section.IsEmpty() || e.key.IsEmpty())
        throw new vbEsys(true, E_FAIL, "GetSetting(%s) : invalid arg", m_file.c_str());
    char value[kValueBytes];
    GetPrivateProfileStringA(m_section, e.key, "", value, kValueBytes, m_file);
    e.value = value;
    e.loaded = 1;
    return e.value;
}
