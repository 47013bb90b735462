#include "picCompressPlugType.h"

#include "plat/message.h"

#include <gtest/gtest.h>

namespace {

TEST(picCompressPlugType, IsThePictureTypeWithItsConfigurationPlace)
{
    EXPECT_EQ(std::string(g_picCompressPlugType.GetPlugTypeName()), "Picture");
    EXPECT_EQ(std::string(g_picCompressPlugType.GetConfigPath()), "Picture plugins.5");
    EXPECT_EQ(std::string(g_picCompressPlugType.GetLabel()), "KVX Vantrel HotPlug Picture Compression");
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    EXPECT_EQ(static_cast<DWORD>(g_picCompressPlugMsg),
        RegisterWindowMessageA("KVX Vantrel HotPlug Picture Compression Message V5"));
}

TEST(picCompressPlugType, AnswersItsIdentifiers)
{
    picCompressPlugType* type = &g_picCompressPlugType;
    struct Case {
        GUID iid;
        const void* face;
    } cases[] = {
        {IID_sIvbBase, type},
        {VNT_GUID(0x5B6F3237, 0x5A39, 0x46E5, 0xA8, 0xA7, 0xA8, 0x8C, 0xA0, 0xF9, 0xFE, 0x0F), type},
        {VNT_GUID(0x72B5D83C, 0xED16, 0x43E7, 0xBD, 0xA0, 0x91, 0x54, 0x60, 0xD8, 0x0C, 0xB1), type},
        {VNT_GUID(0x321A9C42, 0xF414, 0x4F06, 0x92, 0xBE, 0xCD, 0xEE, 0x91, 0x5B, 0x2A, 0xD5), type},
        {IID_sIvbHotPlugType, static_cast<sIvbHotPlugType*>(type)},
        {IID_sIvbLock, static_cast<sIvbLock*>(type)},
        {IID_IvbObject, nullptr},
    };
    for (const Case& c : cases) {
        void* face = nullptr;
        EXPECT_EQ(type->GetInterface(c.iid, &face), c.face != nullptr);
        EXPECT_EQ(face, c.face);
    }
}

} // namespace
