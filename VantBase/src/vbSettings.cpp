// The keys and values of one section of a profile file.

#include "vbSettings.h"

#include "vbProfile.h"

#include "vbException.h"
#include "vbExceptionReport.h"

#include "plat/errors.h"

#include <string>

namespace {

// The system read values into 200 bytes: longer values are cut to 199 characters.
constexpr size_t kValueChars = 199;

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
    // Every name of the section, however long the list.
    for (const std::string& key : vbImpl::profileKeys(file, section)) {
        Entry e;
        e.key = vbString(key.data(), static_cast<int>(key.size()));
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
    std::string value;
    if (!vbImpl::profileValue(m_file, m_section, e.key, &value))
        value.clear();
    if (value.size() > kValueChars)
        value.resize(kValueChars);
    e.value = vbString(value.data(), static_cast<int>(value.size()));
    e.loaded = 1;
    return e.value;
}
