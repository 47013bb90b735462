#include "vbTypesTestUtil.h"

#include "vbActiveX.h"

#include "plat/com.h"
#include "plat/module.h"
#include "plat/registry.h"

#include <gtest/gtest.h>

#include <string>

using vbtypes::expectEsys;

namespace {

const GUID kClsid = VNT_GUID(0x1A2B3C4D, 0x5E6F, 0x4071, 0x82, 0x93, 0xA4, 0xB5, 0xC6, 0xD7, 0xE8, 0xF9);
const GUID kTypeLib = VNT_GUID(0x0F1E2D3C, 0x4B5A, 0x4968, 0x87, 0x96, 0xA5, 0xB4, 0xC3, 0xD2, 0xE1, 0xF0);
const GUID kCatid = VNT_GUID(0x40FC6ED4, 0x2438, 0x11CF, 0xA3, 0xDB, 0x08, 0x00, 0x36, 0xF1, 0x25, 0x02);
const char kClassText[] = "{1A2B3C4D-5E6F-4071-8293-A4B5C6D7E8F9}";
const char kClassKey[] = "CLSID\\{1A2B3C4D-5E6F-4071-8293-A4B5C6D7E8F9}";
const char kProgId[] = "Vantrel.TestCtrl.1";
const char kModule[] = VNT_BIN_DIR "/vb_testmod_control.so";
constexpr UINT kTypeNameId = 100;

// A REG_SZ value under HKEY_CLASSES_ROOT; "<none>" when the key or value is missing.
std::string classesText(const std::string& path, const char* name = nullptr)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<none>";
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return "<none>";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << path;
    return buffer;
}

bool classesKeyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class ControlRegistration : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_module = LoadLibraryA(kModule);
        ASSERT_NE(m_module, nullptr);
    }
    void TearDown() override
    {
        plat::registrySetReadOnly(HKEY_CLASSES_ROOT, false);
        FreeLibrary(m_module);
    }

    int registerClass(int flags, UINT typeNameId = kTypeNameId, DWORD status = 0x20181)
    {
        return vbOleRegisterControlClass(m_module, kClsid, kProgId, typeNameId, 7, flags, status, kTypeLib, 1, 0);
    }

    HMODULE m_module = nullptr;
};

TEST_F(ControlRegistration, WritesTheProgIdAndClassKeys)
{
    ASSERT_EQ(registerClass(0), 1);
    std::string cls = kClassKey;
    struct Entry {
        std::string key;
        const char* name;
        std::string value;
    } entries[] = {
        {kProgId, nullptr, "Vantrel Test Control"},
        {std::string(kProgId) + "\\CLSID", nullptr, kClassText},
        {cls, nullptr, "Vantrel Test Control"},
        {cls + "\\ProgID", nullptr, kProgId},
        {cls + "\\InprocServer32", nullptr, kModule},
        {cls + "\\InprocServer32", "ThreadingModel", "Both"},
        {cls + "\\ToolboxBitmap32", nullptr, std::string(kModule) + ", 7"},
        {cls + "\\MiscStatus", nullptr, "0"},
        {cls + "\\MiscStatus\\1", nullptr, "131457"},
        {cls + "\\Control", nullptr, ""},
        {cls + "\\TypeLib", nullptr, "{0F1E2D3C-4B5A-4968-8796-A5B4C3D2E1F0}"},
        {cls + "\\Version", nullptr, "1.0"},
    };
    for (const Entry& e : entries)
        EXPECT_EQ(classesText(e.key, e.name), e.value) << e.key << " " << (e.name ? e.name : "");
    EXPECT_FALSE(classesKeyExists(std::string(kProgId) + "\\Insertable"));
    EXPECT_FALSE(classesKeyExists(cls + "\\Insertable"));

    // Registering again replaces the values.
    ASSERT_EQ(vbOleRegisterControlClass(m_module, kClsid, kProgId, kTypeNameId, 9, 0, 0x80000001u, kTypeLib, 2, 5), 1);
    EXPECT_EQ(classesText(cls + "\\ToolboxBitmap32"), std::string(kModule) + ", 9");
    EXPECT_EQ(classesText(cls + "\\MiscStatus\\1"), "-2147483647");
    EXPECT_EQ(classesText(cls + "\\Version"), "2.5");
}

TEST_F(ControlRegistration, FlagsChooseInsertableAndThreadingModel)
{
    struct Case {
        int flags;
        const char* model;
        bool insertable;
    } cases[] = {{0, "Both", false}, {1, "Both", true}, {2, "Apartment", false}, {3, "Apartment", true}};
    std::string cls = kClassKey;
    for (const Case& c : cases) {
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(kProgId) + "\\Insertable").c_str());
        RegDeleteKeyA(HKEY_CLASSES_ROOT, (cls + "\\Insertable").c_str());
        ASSERT_EQ(registerClass(c.flags), 1) << c.flags;
        EXPECT_EQ(classesText(cls + "\\InprocServer32", "ThreadingModel"), c.model) << c.flags;
        EXPECT_EQ(classesText(std::string(kProgId) + "\\Insertable"), c.insertable ? "" : "<none>") << c.flags;
        EXPECT_EQ(classesText(cls + "\\Insertable"), c.insertable ? "" : "<none>") << c.flags;
    }
}

TEST_F(ControlRegistration, UnknownTypeNameGivesTheClassText)
{
    ASSERT_EQ(registerClass(0, 4711), 1);
    EXPECT_EQ(classesText(kProgId), kClassText);
    EXPECT_EQ(classesText(kClassKey), kClassText);
}

TEST_F(ControlRegistration, FailuresAnswerZero)
{
    EXPECT_EQ(vbOleRegisterControlClass(m_module, kClsid, nullptr, kTypeNameId, 7, 0, 0, kTypeLib, 1, 0), 0);
    plat::registrySetReadOnly(HKEY_CLASSES_ROOT, true);
    EXPECT_EQ(registerClass(2), 0);
    plat::registrySetReadOnly(HKEY_CLASSES_ROOT, false);
    EXPECT_FALSE(classesKeyExists(kClassKey));
    EXPECT_FALSE(classesKeyExists(kProgId));
}

class ComponentCategories : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override
    {
        plat::registrySetReadOnly(HKEY_CLASSES_ROOT, false);
        CoUninitialize();
    }
};

TEST_F(ComponentCategories, DescriptionIsCutTo127Units)
{
    std::u16string description;
    for (int i = 0; i < 200; ++i)
        description += static_cast<char16_t>(i < 126 ? u'a' + i % 26 : u'\u00E9');
    vbCreateComponentCategory(kCatid, description.c_str());
    std::string expected;
    for (int i = 0; i < 126; ++i)
        expected += static_cast<char>('a' + i % 26);
    expected += "\xC3\xA9";
    EXPECT_EQ(classesText("Component Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}", "409"), expected);

    vbCreateComponentCategory(kCatid, u"Short");
    EXPECT_EQ(classesText("Component Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}", "409"), "Short");
}

TEST_F(ComponentCategories, ClassesJoinAndLeaveCategories)
{
    std::string implemented = std::string(kClassKey) + "\\Implemented Categories\\{40FC6ED4-2438-11CF-A3DB-080036F12502}";
    vbRegisterCLSIDInCategory(kClsid, kCatid);
    EXPECT_TRUE(classesKeyExists(implemented));
    vbUnRegisterCLSIDInCategory(kClsid, kCatid);
    EXPECT_FALSE(classesKeyExists(implemented));
}

TEST_F(ComponentCategories, FailingManagerThrowsItsResult)
{
    plat::registrySetReadOnly(HKEY_CLASSES_ROOT, true);
    HRESULT denied = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    expectEsys([] { vbRegisterCLSIDInCategory(kClsid, kCatid); }, denied,
        "Instruction 'pcr->RegisterClassImplCategories(clsid, 1, rgcatid)' failed !");
    expectEsys([] { vbCreateComponentCategory(kCatid, u"x"); }, denied,
        "Instruction 'pcr->RegisterCategories(1, &catinfo)' failed !");
    // Its result is not looked at.
    vbUnRegisterCLSIDInCategory(kClsid, kCatid);
}

TEST(ComponentCategoriesWithoutCom, ManagerCannotBeCreated)
{
    expectEsys([] { vbRegisterCLSIDInCategory(kClsid, kCatid); }, CO_E_NOTINITIALIZED,
        "Instruction '::CoCreateInstance(rclsid, pUnkOuter, dwClsContext, *piid, (void**)&m_pObj)' failed !");
}

} // namespace
