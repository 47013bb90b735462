#include "vbTypesTestUtil.h"

#include "vbData.h"
#include "vbEngine.h"
#include "vbRegEngine.h"
#include "vbRegKey.h"
#include "vbVariant.h"

#include "plat/registry.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

using vbtypes::expectEsys;

namespace {

// The engine centre in use, so that path objects can start.
class vbRegPathTest : public ::testing::Test {
protected:
    void SetUp() override { m_use.StartUse(true); }
    void TearDown() override { m_use.StopUse(); }

    vbUseEngineCenter m_use;
};

TEST_F(vbRegPathTest, FreedSlotsAreHandedOutFirstFree)
{
    vbRegPath first("first", "first test path", vbRegCurrentUser, "Software\\A");
    vbRegPath second("second", "second test path", vbRegCurrentUser, "Software\\B");
    const vbRegRoot r1 = first;
    const vbRegRoot r2 = second;
    EXPECT_EQ(r1, -1) << "no other path runs";
    EXPECT_EQ(r2, -2);
    first.Stop();
    vbRegPath third("third", "third test path", vbRegCurrentUser, "Software\\C");
    EXPECT_EQ(static_cast<vbRegRoot>(third), r1);
    EXPECT_EQ(g_vbRegEngine.GetRegPath(r1), &third);
    vbtypes::expectEsys([&] { g_vbRegEngine.GetRegPath(static_cast<vbRegRoot>(-1000)); }, E_FAIL,
        "vbRegEngine::GetRegPath(root=-1000) : bad registry root id");
}

TEST_F(vbRegPathTest, TheBaseLibraryPlaces)
{
    vbRegRoot root = vbRegPerformanceData;
    vbString path;
    vbRegVantColors.GetAbsPath(&root, &path);
    EXPECT_EQ(root, vbRegCurrentUser);
    EXPECT_STREQ(path, "Software\\KVX Vantrel\\Colors");
    vbRegVantMachineColors.GetAbsPath(&root, &path);
    EXPECT_EQ(root, vbRegLocalMachine);
    EXPECT_STREQ(path, "Software\\KVX Vantrel\\Colors");
    EXPECT_STREQ(vbRegVantUser.GetName(), "VantUser");
    EXPECT_STREQ(vbRegVantMachine.GetLabelPtr(), "KVX Vantrel Base Machine Configuration Path");

    // Keys on a path object's number resolve it when they open.
    vbRegKey key(vbRegVantColors, "Test");
    key.SetValue("v", vbVariant(7));
    EXPECT_EQ(vbRegKey(vbRegCurrentUser, "Software\\KVX Vantrel\\Colors\\Test").GetValue("v").GetAsLong(), 7);
    EXPECT_EQ(vbRegVantColors.GetRoot(), static_cast<vbRegRoot>(vbRegVantUser)) << "the parent's number";
}

TEST_F(vbRegPathTest, GetPathTakesOnlyNumbersOfRunningPaths)
{
    for (int root : {0, 4, 7}) {
        vbtypes::expectEsys([&] { g_vbRegEngine.GetPath(static_cast<vbRegRoot>(root), nullptr, nullptr); }, E_FAIL,
            "vbRegEngine::GetPath(root=" + std::to_string(root) + ") : bad registry root id");
    }
}

TEST_F(vbRegPathTest, EmptyPiecesOfThePlace)
{
    vbRegPath top("top", "empty top", vbRegUsers, "");
    vbRegPath below("below", "below empty top", &top, "Sub");
    vbRegPath same("same", "empty below", &below, "");
    vbRegRoot root = vbRegCurrentUser;
    vbString path;
    below.GetAbsPath(&root, &path);
    EXPECT_EQ(root, vbRegUsers);
    EXPECT_STREQ(path, "Sub");
    same.GetAbsPath(nullptr, &path);
    EXPECT_STREQ(path, "Sub");

    // A root-form path on a path object's number lies below it.
    vbRegPath onNumber("onNumber", "on a number", static_cast<vbRegRoot>(below), "Deeper");
    onNumber.GetAbsPath(&root, &path);
    EXPECT_EQ(root, vbRegUsers);
    EXPECT_STREQ(path, "Sub\\Deeper");
    vbtypes::expectEsys([&] { top.SetRoot(&same); }, E_INVALIDARG,
        "vbRegPath::SetRoot() : the parent lies below this path");
}

// --- keys ---

// Raw look at a stored value.
struct RawValue {
    DWORD type = 0;
    std::vector<unsigned char> data;
};

RawValue readRaw(HKEY root, const char* path, const char* name)
{
    RawValue raw;
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return raw;
    DWORD size = 0;
    RegQueryValueExA(h, name, nullptr, &raw.type, nullptr, &size);
    raw.data.resize(size);
    RegQueryValueExA(h, name, nullptr, &raw.type, raw.data.data(), &size);
    RegCloseKey(h);
    return raw;
}

TEST(vbRegKey, ValuesAreStoredByTheFixedTable)
{
    vbVariant bytes;
    const unsigned char b[] = {1, 0, 0xFF};
    bytes.SetData(b, 3);
    vbVariant ui2;
    ui2.SetAsUshort(65535);
    vbVariant ui4;
    ui4.SetAsUlong(0xFFFFFFFFu);
    vbVariant i1;
    i1.SetAsChar(-1);
    vbVariant cy(static_cast<int64_t>(1234567890123LL));
    struct Case {
        const char* name;
        vbVariant value;
        DWORD type;
        std::string bytes;
        VARTYPE readType;
    } cases[] = {
        {"bool", vbVariant(true), REG_DWORD, "01 00 00 00", VT_I4},
        {"false", vbVariant(false), REG_DWORD, "00 00 00 00", VT_I4},
        {"i2", vbVariant(static_cast<short>(-2)), REG_DWORD, "FE FF FF FF", VT_I4},
        {"ui1", vbVariant(static_cast<unsigned char>(200)), REG_DWORD, "C8 00 00 00", VT_I4},
        {"i1", i1, REG_DWORD, "FF 00 00 00", VT_I4},
        {"ui2", ui2, REG_DWORD, "FF FF 00 00", VT_I4},
        {"i4", vbVariant(-5), REG_DWORD, "FB FF FF FF", VT_I4},
        {"ui4", ui4, REG_DWORD, "FF FF FF FF", VT_I4},
        {"bytes", bytes, REG_BINARY, "01 00 FF", VT_ARRAY | VT_UI1},
        {"text", vbVariant("abc"), REG_SZ, "61 62 63 00", VT_BSTR},
        {"double", vbVariant(2.5), REG_SZ, "32 2E 35 00", VT_BSTR},
        {"int64", cy, REG_SZ, vbtypes::hexBytes("123456789.0123", 15), VT_BSTR},
    };
    vbRegKey key(vbRegCurrentUser, "Software\\JTest\\Values");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        key.SetValue(c.name, c.value);
        const RawValue raw = readRaw(HKEY_CURRENT_USER, "Software\\JTest\\Values", c.name);
        EXPECT_EQ(raw.type, c.type);
        EXPECT_EQ(vbtypes::hexBytes(raw.data), c.bytes);
        const vbVariant back = key.GetValue(c.name);
        EXPECT_EQ(back.GetDeRefType(), c.readType);
        EXPECT_EQ(back.GetLCID(), 1033u);
    }
    key.SetValue("expand", vbVariant("%PATH%"), true);
    EXPECT_EQ(readRaw(HKEY_CURRENT_USER, "Software\\JTest\\Values", "expand").type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_STREQ(key.GetValue("expand").GetAsString(), "%PATH%") << "read as stored, not expanded";
    EXPECT_EQ(key.GetValue("double").GetAsDouble(), 2.5);
    EXPECT_EQ(key.GetValue("int64").GetAsInt64(), 1234567890123LL) << "64-bit numbers travel as text";
}

// Numbers go to the registry as en-US text even when the program runs in a locale that writes
// "2,5"; such a locale is made in the test's own folder when this machine has the sources.
class vbRegKeyInCommaLocale : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string dir = std::string(std::getenv("VANTREL_HOME")) + "/locales";
        const std::string make =
            "mkdir -p '" + dir + "' && localedef -i de_DE -f UTF-8 '" + dir + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(make.c_str()) == -1)
            GTEST_SKIP() << "no localedef";
        setenv("LOCPATH", dir.c_str(), 1);
        if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
            GTEST_SKIP() << "no locale with a decimal comma on this machine";
    }
    void TearDown() override
    {
        std::setlocale(LC_ALL, "C");
        unsetenv("LOCPATH");
    }
};

TEST_F(vbRegKeyInCommaLocale, NumbersAreWrittenAndReadInTheEnUsRules)
{
    vbRegKey key(vbRegCurrentUser, "Software\\JTest");
    key.SetValue("d", vbVariant(2.5));
    EXPECT_EQ(vbtypes::hexBytes(readRaw(HKEY_CURRENT_USER, "Software\\JTest", "d").data), "32 2E 35 00");
    EXPECT_EQ(key.GetValue("d").GetAsDouble(), 2.5);
}

TEST(vbRegKey, AnyNonZeroDwordReadsTrue)
{
    vbRegKey key(vbRegCurrentUser, "Software\\JTest");
    key.SetValue("b", vbVariant(true));
    EXPECT_TRUE(key.GetValue("b").GetAsBool());
    key.SetValue("b", vbVariant(false));
    EXPECT_FALSE(key.GetValue("b").GetAsBool());
    key.SetValue("b", vbVariant(2));
    EXPECT_TRUE(key.GetValue("b").GetAsBool());
}

TEST(vbRegKey, MissingKeysAndValues)
{
    vbRegKey missing(vbRegCurrentUser, "Software\\JTest\\Nowhere");
    EXPECT_TRUE(missing.GetValue("x").IsEmpty());
    EXPECT_FALSE(missing.ValueExists("x"));
    EXPECT_FALSE(missing.Exists());
    EXPECT_FALSE(missing.DeleteValue("x", false));
    EXPECT_FALSE(missing.DeleteKey(true, false));
    expectEsys([&] { missing.DeleteKey(true, true); }, 2,
        "vbRegKeyInfo::DeleteKey() : Key does not exist (path='Software\\JTest\\Nowhere') !");
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\JTest\\Nowhere", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND)
        << "reading creates nothing";

    vbRegKey key(vbRegCurrentUser, "Software\\JTest");
    key.SetDefaultValue(vbVariant("dflt"));
    EXPECT_TRUE(key.DefaultValueExists());
    EXPECT_STREQ(key.GetDefaultValue().GetAsString(), "dflt");
    EXPECT_TRUE(key.GetValue("none").IsEmpty());
    EXPECT_FALSE(key.ValueExists("none"));
    expectEsys([&] { key.DeleteValue("none", true); }, 2,
        "vbRegKeyInfo::DeleteValue(none) : Value does not exist (path='Software\\JTest') !");
    EXPECT_TRUE(key.DeleteDefaultValue(true));
    EXPECT_FALSE(key.DefaultValueExists());
    expectEsys([&] { key.SetValue("e", vbVariant()); }, E_INVALIDARG,
        "vbRegKeyInfo::SetValue(e,value) : Invalid argument, variant 'value' is empty (path='Software\\JTest') !");
}

// Values up to, at and past the room a value is first read into come back whole, by name and
// through the enumeration.
TEST(vbRegKey, ValuesOfAnySizeReadBackWhole)
{
    vbRegKey key(vbRegCurrentUser, "Software\\JTest\\Sizes");
    std::map<std::string, std::string> written;
    for (size_t length : {0, 254, 255, 256, 5000}) {
        const std::string name = "v" + std::to_string(length);
        written[name] = std::string(length, char('a' + length % 26));
        key.SetValue(name.c_str(), vbVariant(written[name].c_str()));
    }
    for (const auto& [name, text] : written)
        EXPECT_EQ(std::string(key.GetValue(name.c_str()).GetAsString()), text) << name;
    std::map<std::string, std::string> listed;
    vbRegEnumValue values(key);
    vbString name;
    vbVariant value;
    while (values.Next(&name, &value))
        listed[name.c_str()] = value.GetAsString().c_str();
    EXPECT_EQ(listed, written);
}

TEST(vbRegKey, UnsupportedAndDamagedValuesFailWithoutReadingPastThem)
{
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\JTest", &h), ERROR_SUCCESS);
    const BYTE multi[] = {'a', 0, 0};
    RegSetValueExA(h, "multi", 0, REG_MULTI_SZ, multi, 3);
    const BYTE shortDword[] = {1, 2};
    RegSetValueExA(h, "short", 0, REG_DWORD, shortDword, 2);
    const BYTE unterminated[] = {'x', 'y'};
    RegSetValueExA(h, "text", 0, REG_SZ, unterminated, 2);
    RegCloseKey(h);

    vbRegKey key(vbRegCurrentUser, "Software\\JTest");
    expectEsys([&] { key.GetValue("multi"); }, E_NOTIMPL,
        "vbRegKeyInfo::GetValue(multi) : The value exists but its type is actually not supported "
        "(path='Software\\JTest') !");
    expectEsys([&] { key.GetValue("short"); }, HRESULT_FROM_WIN32(ERROR_INVALID_DATA),
        "vbRegKeyInfo::GetValue(short) : The value's size does not fit its type (size=2, path='Software\\JTest') !");
    EXPECT_STREQ(key.GetValue("text").GetAsString(), "xy");
    EXPECT_TRUE(key.ValueExists("multi"));
}

TEST(vbRegKey, UnlinkedHandlesSayWhichOperation)
{
    vbRegKey key;
    expectEsys([&] { key.GetValue("v"); }, E_FAIL, "vbRegKey::GetValue(v) : not linked to a registry key !");
    expectEsys([&] { key.SetValue("v", vbVariant(1)); }, E_FAIL,
        "vbRegKey::SetValue(v,...) : not linked to a registry key !");
    expectEsys([&] { key.DefaultValueExists(); }, E_FAIL,
        "vbRegKey::IsDefaultValueDefined() : not linked to a registry key !");
    expectEsys([&] { key.GetRoot(); }, E_FAIL, "vbRegKey::GetRootKey() : not linked to a registry key !");
    expectEsys([&] { vbRegEnumKey e(key); }, E_INVALIDARG,
        "vbRegEnumKey::RegEnumKeyInit(vbRegKey &key) : argument key not linked to a registry key !");
    vbRegKey parent(vbRegCurrentUser, "Software");
    expectEsys([&] { vbRegKey child(parent, ""); }, E_INVALIDARG,
        "vbRegKeyInfo::vbRegKeyInfo(Parent,path) : path is empty");
}

TEST(vbRegKey, ChildPathsAndSharedRecords)
{
    vbRegKey parent(vbRegCurrentUser, "Software\\JTest");
    vbRegKey child(parent, "A\\B");
    EXPECT_STREQ(child.GetName(), "A\\B");
    EXPECT_STREQ(child.GetPath(), "Software\\JTest\\A\\B");
    EXPECT_EQ(child.GetRoot(), vbRegCurrentUser);
    vbRegKey shared(child);
    parent.Close();
    child.Close();
    shared.SetValue("v", vbVariant("x"));
    EXPECT_STREQ(vbRegKey(vbRegCurrentUser, "Software\\JTest\\A\\B").GetValue("v").GetAsString(), "x");
    const vbRegKey& same = shared;
    shared = same;
    EXPECT_STREQ(shared.GetPath(), "Software\\JTest\\A\\B");
}

TEST(vbRegKey, HandlesOfOneRecordComeAndGoOnSeveralThreads)
{
    vbRegKey key(vbRegCurrentUser, "Software\\JTest\\Shared");
    key.SetValue("v", vbVariant(1));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&key] {
            for (int i = 0; i < 2000; ++i) {
                vbRegKey copy(key);
                vbRegKey other;
                other = copy;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(key.GetValue("v").GetAsLong(), 1);
}

// The machine roots refuse every change while the test runs.
class vbRegKeyReadOnly : public ::testing::Test {
protected:
    void TearDown() override { plat::registrySetReadOnly(HKEY_LOCAL_MACHINE, false); }
};

TEST_F(vbRegKeyReadOnly, AKeyThatCanOnlyBeReadRefusesWritesAndStillReads)
{
    vbRegKey(vbRegLocalMachine, "Software\\JTest").SetValue("v", vbVariant(3));
    plat::registrySetReadOnly(HKEY_LOCAL_MACHINE, true);
    vbRegKey key(vbRegLocalMachine, "Software\\JTest");
    EXPECT_EQ(key.GetValue("v").GetAsLong(), 3);
    // Even with the rights back, the record stays read-only.
    plat::registrySetReadOnly(HKEY_LOCAL_MACHINE, false);
    expectEsys([&] { key.SetValue("v", vbVariant(4)); }, 5, "vbRegKeyInfo::GetHKey() : write access denied");
    expectEsys([&] { key.DeleteValue("v", false); }, 5, "vbRegKeyInfo::GetHKey() : write access denied");
    EXPECT_EQ(key.GetValue("v").GetAsLong(), 3);

    // A child below a read-only record reads, and is read-only too.
    vbRegKey child(key, "Sub");
    vbRegKey(vbRegLocalMachine, "Software\\JTest\\Sub").SetValue("w", vbVariant(1));
    EXPECT_EQ(child.GetValue("w").GetAsLong(), 1);
    expectEsys([&] { child.SetValue("w", vbVariant(2)); }, 5, "vbRegKeyInfo::GetHKey() : write access denied");
}

TEST_F(vbRegKeyReadOnly, CreatingUnderAReadOnlyRootFails)
{
    plat::registrySetReadOnly(HKEY_LOCAL_MACHINE, true);
    vbRegKey key(vbRegLocalMachine, "Software\\JTest\\New");
    expectEsys([&] { key.CreateKey(); }, 5, "vbRegKeyInfo::GetHKey() : Creation of key 'Software\\JTest\\New' failed !");
    EXPECT_FALSE(key.Exists());
}

TEST(vbRegKey, BadRootNumbers)
{
    vbRegKey key(static_cast<vbRegRoot>(7), "x");
    expectEsys([&] { key.Exists(); }, E_FAIL, "vbRegKeyInfo::GetHKey() : bad root key (7)");
}

TEST(vbRegKey, DeletingATreeRemovesAllOfIt)
{
    vbRegKey top(vbRegCurrentUser, "Software\\JTest\\Tree");
    for (const char* path : {"A\\B\\C", "A\\B\\D", "A\\E", "F"})
        vbRegKey(top, path).SetValue("v", vbVariant(1));
    top.SetValue("own", vbVariant(1));

    expectEsys([&] { top.DeleteKey(false, true); }, static_cast<HRESULT>(0x80030091u),
        "vbRegKeyInfo::DeleteKey() : This key contains sub keys (path='Software\\JTest\\Tree') !");
    EXPECT_TRUE(vbRegKey(top, "A\\B\\C").Exists()) << "a refused delete deletes nothing";

    EXPECT_TRUE(top.DeleteKey(true, true));
    EXPECT_FALSE(vbRegKey(vbRegCurrentUser, "Software\\JTest\\Tree").Exists());
    EXPECT_TRUE(vbRegKey(vbRegCurrentUser, "Software\\JTest").Exists());

    vbRegKey(top, "G").CreateKey();
    EXPECT_TRUE(vbRegKey(vbRegCurrentUser, "Software\\JTest").DeleteKey("Tree", true, true));
    EXPECT_FALSE(vbRegKey(vbRegCurrentUser, "Software\\JTest\\Tree").Exists());
}

TEST_F(vbRegPathTest, RootsAndPlacesOfPathObjectsAreNotDeleted)
{
    vbRegKey place(vbRegVantUser, "");
    place.CreateKey();
    expectEsys([&] { place.DeleteKey(true, true); }, HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
        "vbRegKeyInfo::DeleteKey() : Can't remove root keys (path='') !");
    EXPECT_TRUE(vbRegKey(vbRegCurrentUser, "Software\\KVX Vantrel").Exists());
    vbRegKey below(vbRegVantUser, "Gone");
    below.CreateKey();
    EXPECT_TRUE(below.DeleteKey(true, true));
    EXPECT_FALSE(vbRegKey(vbRegCurrentUser, "Software\\KVX Vantrel\\Gone").Exists());
}

// --- enumerators ---

TEST(vbRegEnum, SubKeysAndValuesInNameOrder)
{
    vbRegKey key(vbRegCurrentUser, "Software\\JTest\\Enum");
    for (const char* name : {"b", "A", "c"})
        vbRegKey(key, name).SetValue(name, vbVariant(name));
    key.SetValue("two", vbVariant(2));
    key.SetValue("one", vbVariant("1"));

    vbRegEnumKey keys(key);
    std::vector<std::string> names;
    vbRegKey sub;
    while (keys.Next(&sub))
        names.push_back(sub.GetName().c_str() + std::string("=") + sub.GetValue(sub.GetName()).GetAsString().c_str());
    EXPECT_EQ(names, (std::vector<std::string>{"A=A", "b=b", "c=c"}));
    EXPECT_STREQ(sub.GetPath(), "Software\\JTest\\Enum\\c");
    keys.Reset();
    vbString name;
    EXPECT_TRUE(keys.Next());
    EXPECT_TRUE(keys.Next(&name));
    EXPECT_STREQ(name, "b");
    expectEsys([&] { keys.Next(static_cast<vbString*>(nullptr)); }, E_POINTER,
        "vbRegEnumKey::Next(pKeyName) : pKeyName is NULL !");
    keys.Close();
    expectEsys([&] { keys.Next(); }, E_FAIL, "vbRegEnumKey::Next() : not linked to a registry key !");

    vbRegEnumValue values(key);
    vbVariant value;
    ASSERT_TRUE(values.Next(&name, &value));
    EXPECT_STREQ(name, "one");
    EXPECT_STREQ(value.GetAsString(), "1");
    ASSERT_TRUE(values.Next(&name, &value));
    EXPECT_STREQ(name, "two");
    EXPECT_EQ(value.GetDeRefType(), VT_I4);
    EXPECT_FALSE(values.Next(&name));
    values.Close();
    expectEsys([&] { values.Next(); }, E_FAIL, "vbRegEnumValue::Next() : not linked to a registry key !");

    vbRegKey missing(vbRegCurrentUser, "Software\\JTest\\NoSuchKey");
    vbRegEnumKey none(missing);
    EXPECT_FALSE(none.Next());
}

} // namespace
