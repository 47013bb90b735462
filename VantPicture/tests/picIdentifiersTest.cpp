// Every interface identifier the library defines, against its written form; the image and bitmap
// implementation identifiers stay inside the library, and their objects' tests ask with them.

#include "picItf.h"

#include "testsupport/GuidTable.h"

namespace {

TEST(VantPictureIdentifiers, EachIsWrittenAsDefined)
{
    ExpectGuidTexts({
        GUID_ROW(IID_IpicBitmap, "{DA1064E7-1254-42AF-A158-A218394BF0F5}"),
        GUID_ROW(IID_IpicCompressPlug, "{97404814-01A8-4DAF-96D2-2AF5FA771EB4}"),
        GUID_ROW(IID_IpicCompressor, "{E798BE00-1308-41E2-8849-E45B2B6F6685}"),
        GUID_ROW(IID_IpicDecompressor, "{E68F6C27-C4D1-4958-950A-A1E91FB40B16}"),
        GUID_ROW(IID_IpicImage, "{899F89F2-B700-42D1-AD8C-CCACB1DFA6D9}"),
    });
}

} // namespace
