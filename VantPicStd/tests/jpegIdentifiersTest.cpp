// Every interface and class identifier the library defines, against its written form.

#include "CVantPicStdCtrl.h"

#include "testsupport/GuidTable.h"

namespace {

TEST(VantPicStdIdentifiers, EachIsWrittenAsDefined)
{
    ExpectGuidTexts({
        GUID_ROW(CLSID_VantPicStd, "{8726FE1A-AE7E-41D4-BAE6-AF992781D739}"),
        GUID_ROW(IID__DVantPicStd, "{509DF71E-B19E-4856-A267-92C2C05F08BF}"),
        GUID_ROW(IID__DVantPicStdEvents, "{8A8F40BD-BE99-4A0D-9192-1E75D9E35E93}"),
        GUID_ROW(LIBID_VANTPICSTDLib, "{8BA72E57-169A-4B8B-910A-589B0D25919D}"),
    });
}

} // namespace
