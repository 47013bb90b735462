#include "picRegistryNotices.h"

#include "plat/msgbox.h"
#include "plat/registry.h"

void picShowRegistryNotices()
{
    for (const std::string& notice : plat::registryTakeNotices())
        MessageBoxA(nullptr, notice.c_str(), "PicFlorvane", MB_OK | MB_ICONWARNING);
}
