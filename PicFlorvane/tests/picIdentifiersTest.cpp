// Every interface and class identifier the library defines, against its written form.

#include "picGuiImageObject.h"
#include "picNode.h"

#include "testsupport/GuidTable.h"

namespace {

TEST(PicFlorvaneIdentifiers, EachIsWrittenAsDefined)
{
    ExpectGuidTexts({
        GUID_ROW(IID_picGuiImageObject, "{4E198CFD-3CDF-4024-AD75-0B800B867C7E}"),
        GUID_ROW(IID_IpicImageHolder, "{C4030D73-F5B5-429D-9A37-A3EB58F8F539}"),
        GUID_ROW(IID_IpicLightFilter, "{2BF6E13F-0B42-46E7-ACAA-EA8887940475}"),
        GUID_ROW(IID_IpicNode, "{DD7674BC-45D9-41A6-98D5-F83DDEA3C155}"),
        GUID_ROW(IID_IpicSourceImage, "{8915111B-70FB-4D9C-A0A7-90AAEBB0FDA2}"),
    });
}

} // namespace
