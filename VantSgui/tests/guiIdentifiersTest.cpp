// Every interface and class identifier the library defines, against its written form.

#include "guiContainer.h"
#include "guiCursor.h"
#include "guiMsImg32.h"
#include "guiProgress.h"
#include "guiTreeNode.h"

#include "testsupport/GuidTable.h"

namespace {

TEST(VantSguiIdentifiers, EachIsWrittenAsDefined)
{
    ExpectGuidTexts({
        GUID_ROW(IID_guiApp, "{471BDA88-7386-4E54-BB25-57498E853597}"),
        GUID_ROW(IID_guiCursorObject, "{368F6B0E-56F8-4A72-9A2E-D63EBC9AED39}"),
        GUID_ROW(IID_guiMsImg32, "{728C3559-443F-4D32-9479-C1A99F067349}"),
        GUID_ROW(IID_guiPlugObj, "{8DF52A37-1DD1-48CC-A2F5-8FE44EA644AC}"),
        GUID_ROW(CLSID_guiTreeAspect, "{38DA79F8-D5BD-4A09-A4FE-C151F2217FF6}"),
        GUID_ROW(CLSID_guiTreeNode, "{83DFF6D6-7BC0-4690-9E84-1C97D11B90B5}"),
        GUID_ROW(IID_IguiTreeAspect, "{F68E9160-A510-47A0-B249-4F317F72E485}"),
        GUID_ROW(IID_IguiTreeNode, "{495B58A8-7986-45EB-AB99-D923BF071F24}"),
        GUID_ROW(IID_IguiTreeNodeContainer, "{3632A6EE-1929-4202-B7F1-B3FAC7D54E92}"),
        GUID_ROW(IID_sIguiTreeAspectGet, "{9F463412-FD55-4775-B1C8-144F8450461D}"),
        GUID_ROW(IID_sIguiTreeNodeDraw, "{F43BDEB1-299B-479B-830F-2F2C11F4B755}"),
    });
}

} // namespace
