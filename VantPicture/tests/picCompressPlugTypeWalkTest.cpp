// The "Picture" plug type choosing plug-in objects from its configuration, loading the modules
// through the plug-in centre: the JPEG plug-in and a test plug-in whose objects refuse files.

#include "picTestUtil.h"

#include "picCompressPlugType.h"

#include "vbEngine.h"
#include "vbRegKey.h"

#include "plat/com.h"
#include "plat/module.h"

#include "testsupport/ImageFiles.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <string>
#include <vector>

namespace {

const char kJpegModule[] = VNT_BIN_DIR "/Vt05pcST.so";
const char kTestModule[] = VNT_BIN_DIR "/pic_testmod_plugin.so";
const char kTestModuleId[] = "{6C1D0E77-2B4A-4E19-8F03-5A219C447B10}";
const char kTypeKey[] = "Software\\KVX Vantrel\\Picture plugins.5";

// Registers the JPEG plug-in as its own registration does.
void registerJpegPlugin()
{
    HMODULE module = LoadLibraryA(kJpegModule);
    ASSERT_NE(module, nullptr);
    auto reg = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, "DllRegisterServer"));
    ASSERT_EQ(reg(), S_OK);
    FreeLibrary(module);
}

// Serves object name at priority in the plug-in id, whose module (when given) is path.
void configure(const char* id, const char* name, LONG priority, const char* path = nullptr)
{
    vbRegKey(vbRegLocalMachine, vbString(kTypeKey) + "\\" + id + "\\" + name).SetValue("priority", vbVariant(priority));
    if (path)
        vbRegKey(vbRegClassesRoot, vbString("CLSID\\") + id + "\\InprocServer32").SetDefaultValue(vbVariant(path));
}

bool isLoaded(const char* path)
{
    void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

std::vector<std::string> supportedTypes()
{
    vbArray<vbString> names;
    const int count = g_picCompressPlugType.GetSupportedType(&names);
    EXPECT_EQ(count, names.GetLength());
    std::vector<std::string> out;
    for (int i = 1; i <= names.GetLength(); ++i)
        out.emplace_back(names[i].c_str());
    return out;
}

const vnt::test::Bytes& jpegBytes()
{
    static const vnt::test::Bytes file = vnt::test::jpegFile(vnt::test::JpegLayout{});
    return file;
}

class picCompressPlugTypeWalk : public ::testing::Test {
protected:
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
};

TEST_F(picCompressPlugTypeWalk, ListsObjectsByPriorityThenNameIgnoringCase)
{
    const char* id = "{00000000-0000-0000-0000-0000000000AB}";
    configure(id, "beta", 5);
    configure(id, "Alpha", 5);
    configure(id, "gamma", 1);
    EXPECT_EQ(supportedTypes(), (std::vector<std::string>{"gamma", "Alpha", "beta"}));
    EXPECT_EQ(g_picCompressPlugType.GetSupportedType(nullptr), 3);
}

TEST_F(picCompressPlugTypeWalk, NothingConfiguredAcceptsNothing)
{
    EXPECT_EQ(g_picCompressPlugType.GetSupportedType(nullptr), 0);
    int needed = -1;
    picDecompressorPtr d;
    EXPECT_FALSE(g_picCompressPlugType.CanWorkWithType(
        nullptr, jpegBytes().data(), static_cast<int>(jpegBytes().size()), &needed, &d, nullptr));
    EXPECT_EQ(needed, -1);
    EXPECT_FALSE(g_picCompressPlugType.CanWorkWithType("jpg", static_cast<IvbInputStream*>(nullptr), &d, nullptr));
    picCompressPlugPtr plug;
    EXPECT_FALSE(g_picCompressPlugType.CreatePluggedObject("jpg", &plug, nullptr));
}

TEST_F(picCompressPlugTypeWalk, FindsTheJpegPluginByWholeNameOrByOnePart)
{
    registerJpegPlugin();
    EXPECT_EQ(supportedTypes(), (std::vector<std::string>{"jpg.jpeg", "default"}));
    picCompressPlugPtr plug;
    EXPECT_FALSE(g_picCompressPlugType.CreatePluggedObject("jp", &plug, nullptr));
    EXPECT_FALSE(isLoaded(kJpegModule)) << "an unserved type loads no module";
    for (const char* type : {"JPG", "jpeg", "DEFAULT", "jpg.jpeg"}) {
        plug = nullptr;
        EXPECT_TRUE(g_picCompressPlugType.CreatePluggedObject(type, &plug, nullptr)) << type;
        ASSERT_NE(plug.Get(), nullptr) << type;
        EXPECT_EQ(std::string(plug->GetDescription(0, 0)), "VantPicture JPEG-6b Plugin");
    }
    EXPECT_TRUE(isLoaded(kJpegModule)) << "loaded from its registered server path";
    vbHotPluginPtr plugin;
    EXPECT_TRUE(g_picCompressPlugType.CreatePluggedObject("jpeg", static_cast<picCompressPlugPtr*>(nullptr), &plugin));
    EXPECT_NE(plugin.Get(), nullptr);
    EXPECT_TRUE(g_picCompressPlugType.CanWorkWithType("Jpeg", static_cast<IvbInputStream*>(nullptr), nullptr, nullptr));
}

TEST(picCompressPlugTypeWalks, TheFirstPlugThatAsksForBytesEndsTheWalk)
{
    struct Case {
        const char* objects;
        bool jpeg;
        bool accepted;
        int needed;
    } cases[] = {
        {"ask", true, false, 20},
        {"never", true, true, -1},
        {"never", false, false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.objects) + (c.jpeg ? " and the JPEG plug-in" : " alone"));
        vbRegKey(vbRegLocalMachine, kTypeKey).DeleteKey(true, false);
        configure(kTestModuleId, c.objects, 1, kTestModule);
        if (c.jpeg)
            registerJpegPlugin();
        vbUseEngineCenter use(&g_vbEngineCenter, true);
        int needed = -1;
        picDecompressorPtr d;
        EXPECT_EQ(g_picCompressPlugType.CanWorkWithType(nullptr, jpegBytes().data(), 10, &needed, &d, nullptr), c.accepted);
        EXPECT_EQ(needed, c.needed);
        ASSERT_EQ(d.Get() != nullptr, c.accepted);
        if (c.accepted) {
            ASSERT_EQ(d->Write(jpegBytes().data(), static_cast<DWORD>(jpegBytes().size()), true), jpegBytes().size());
            picImagePtr image;
            ASSERT_TRUE(d->GetOutput(&image, picReqThrow));
            EXPECT_EQ(image->GetPixelSize(1), picSize(8, 8)) << "decoded by the JPEG plug-in";
        }
    }
}

} // namespace
