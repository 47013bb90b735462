#include "plat/afxctl.h"

namespace {

constexpr const char* kVersionName = "_Version";

} // namespace

CPropExchange::CPropExchange(CPropSet* pProps, BOOL bLoading) : m_pProps(pProps), m_bLoading(bLoading || !pProps) {}

BOOL CPropExchange::ExchangeVersion(DWORD& dwVersionLoaded, DWORD dwVersionDefault, BOOL bConvert)
{
    if (!m_pProps) {
        dwVersionLoaded = dwVersionDefault;
    } else if (m_bLoading) {
        auto stored = m_pProps->find(kVersionName);
        dwVersionLoaded = stored == m_pProps->end() ? dwVersionDefault : stored->second;
    } else {
        (*m_pProps)[kVersionName] = bConvert ? dwVersionDefault : dwVersionLoaded;
    }
    m_dwVersion = m_bLoading ? dwVersionLoaded : (*m_pProps)[kVersionName];
    return TRUE;
}
