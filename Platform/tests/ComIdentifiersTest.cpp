// Every interface and class identifier the library defines, against its written form.

#include "plat/comcat.h"
#include "plat/objidl.h"
#include "plat/oleidl.h"

#include "testsupport/GuidTable.h"

namespace {

TEST(PlatformIdentifiers, EachIsWrittenAsDefined)
{
    ExpectGuidTexts({
        GUID_ROW(CLSID_StdComponentCategoriesMgr, "{0002E005-0000-0000-C000-000000000046}"),
        GUID_ROW(IID_ICatRegister, "{0002E012-0000-0000-C000-000000000046}"),
        GUID_ROW(IID_ISequentialStream, "{0C733A30-2A1C-11CE-ADE5-00AA0044773D}"),
        GUID_ROW(IID_IStream, "{0000000C-0000-0000-C000-000000000046}"),
        GUID_ROW(IID_IOleControlSite, "{B196B289-BAB4-101A-B69C-00AA00341D07}"),
        GUID_ROW(IID_IOleObject, "{00000112-0000-0000-C000-000000000046}"),
    });
}

} // namespace
