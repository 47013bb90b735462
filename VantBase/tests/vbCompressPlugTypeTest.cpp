// The "Compress" plug type: configured plug-ins first, the built-in codec for "qvlz" and "qvlzss"
// otherwise, and the list of encodings in priority order.

#include "vbCompressLZSS.h"

#include "vbObjTestUtil.h"

#include "vbEngine.h"
#include "vbRegKey.h"

#include "plat/com.h"
#include "plat/module.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const char kModule[] = VNT_BIN_DIR "/vb_testmod_compress.so";
const char kModuleId[] = "{3E8A51C2-7D04-4B6F-A195-0C2E6B7F1844}";

// Registers the test plug-in ("qvlzss" and "Alpha", both at priority 3) with its server path.
void registerTestPlugin()
{
    HMODULE module = LoadLibraryA(kModule);
    ASSERT_NE(module, nullptr);
    auto reg = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, "DllRegisterServer"));
    ASSERT_EQ(reg(), S_OK);
    FreeLibrary(module);
    vbRegKey(vbRegClassesRoot, vbString("CLSID\\") + kModuleId + "\\InprocServer32").SetDefaultValue(vbVariant(kModule));
}

std::vector<std::string> encodings()
{
    vbArray<vbString> names;
    const int count = g_vbCompressPlugType.GetSupportedEncoding(&names);
    EXPECT_EQ(count, names.GetLength());
    std::vector<std::string> out;
    for (int i = 1; i <= names.GetLength(); ++i)
        out.emplace_back(names[i].c_str());
    return out;
}

class vbCompressPlugTypeTest : public ::testing::Test {
protected:
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
};

TEST_F(vbCompressPlugTypeTest, WithoutPluginsTheBuiltInCodecServesItsTwoNames)
{
    EXPECT_EQ(encodings(), std::vector<std::string>{"qvlzss"});
    EXPECT_EQ(g_vbCompressPlugType.GetSupportedEncoding(nullptr), 1);
    for (const char* name : {"QVLZ", "qvlzss"}) {
        vbCompressPlugPtr plug;
        vbHotPluginPtr plugin;
        EXPECT_TRUE(g_vbCompressPlugType.CreatePluggedObject(name, &plug, &plugin)) << name;
        ASSERT_NE(plug.Get(), nullptr);
        EXPECT_EQ(plug->GetCaps(), 0xBC000000u) << "the built-in codec";
        EXPECT_EQ(plugin.Get(), nullptr) << "belongs to no plug-in";
        EXPECT_TRUE(g_vbCompressPlugType.CanWorkWith(nullptr, name));
    }
    vbCompressPlugPtr plug;
    EXPECT_FALSE(g_vbCompressPlugType.CreatePluggedObject("zip", &plug, nullptr));
    EXPECT_FALSE(g_vbCompressPlugType.CanWorkWith(nullptr, "zip"));
    EXPECT_TRUE(g_vbCompressPlugType.CreatePluggedObject("qvlz", static_cast<vbCompressPlugPtr*>(nullptr), nullptr));

    void* face = nullptr;
    EXPECT_TRUE(g_vbCompressPlugType.GetInterface(IID_vbCompressPlugType, &face));
    EXPECT_EQ(face, static_cast<void*>(&g_vbCompressPlugType));
    EXPECT_TRUE(g_vbCompressPlugType.GetInterface(IID_sIvbHotPlugType, &face));
}

TEST_F(vbCompressPlugTypeTest, AConfiguredPluginTakesTheBuiltInNameAtItsPriority)
{
    registerTestPlugin();
    EXPECT_EQ(encodings(), (std::vector<std::string>{"Alpha", "qvlzss"})) << "listed once, equal priorities by name";
    vbCompressPlugPtr plug;
    vbHotPluginPtr plugin;
    ASSERT_TRUE(g_vbCompressPlugType.CreatePluggedObject("QVLZSS", &plug, &plugin));
    EXPECT_EQ(std::string(plug->GetCompressLabel(false)), "Test codec");
    ASSERT_NE(plugin.Get(), nullptr);
    EXPECT_TRUE(g_vbCompressPlugType.CanWorkWith(plugin, "qvlzss"));
    EXPECT_FALSE(g_vbCompressPlugType.CanWorkWith(plugin, "qvlz")) << "the plug-in does not serve it";
    EXPECT_TRUE(g_vbCompressPlugType.CanWorkWith(nullptr, "qvlz")) << "the built-in codec does";
}

TEST_F(vbCompressPlugTypeTest, AnOperationEndedWhileTheTypeIsInUseIsTheApplicationsCancel)
{
    vbCompressPlugPtr plug;
    ASSERT_TRUE(g_vbCompressPlugType.CreatePluggedObject("qvlz", &plug, nullptr));
    plug->askClose();
    vbtest::Caught t = vbtest::catchVb([&] { plug->CanWorkWithType("qvlz", nullptr); });
    EXPECT_EQ(t.cls, "vbEcompressUser");
    EXPECT_EQ(static_cast<uint32_t>(t.hr), 0x80004004u);
    EXPECT_EQ(t.msg, "QVLZSS compression : type detection aborted, operation canceled by application");
    EXPECT_EQ(t.ctx, "vbLZSSplug::CanWorkWithType()");
}

} // namespace
