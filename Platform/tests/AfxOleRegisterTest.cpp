#include "plat/afxcoll.h"
#include "plat/afxdisp.h"
#include "plat/module.h"
#include "plat/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string defaultValue(HKEY root, const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return "<no key>";
    char buffer[256] = {};
    DWORD size = sizeof buffer - 1;
    LONG rc = RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? buffer : "<no value>";
}

TEST(AfxOleRegisterHelper, WritesTheTableWithSymbolsReplaced)
{
    HKEY root;
    ASSERT_EQ(RegCreateKeyA(HKEY_CLASSES_ROOT, "Vantrel.Helper", &root), ERROR_SUCCESS);
    const LPCSTR table[] = {"\0%1", "Sub\\%2\0%2 and %1, 100%", "Empty\0", "Ten\0%10", nullptr};
    const LPCSTR symbols[] = {"one %2", "two"};
    ASSERT_TRUE(AfxOleRegisterHelper(table, symbols, 2, TRUE, root));
    EXPECT_EQ(defaultValue(root, nullptr), "one %2");
    EXPECT_EQ(defaultValue(root, "Sub\\two"), "two and one %2, 100%");
    EXPECT_EQ(defaultValue(root, "Empty"), "");
    EXPECT_EQ(defaultValue(root, "Ten"), "one %20");

    // Without bReplace a value already there stays; missing ones are written.
    const LPCSTR again[] = {"\0new", "Other\0new", nullptr};
    ASSERT_TRUE(AfxOleRegisterHelper(again, nullptr, 0, FALSE, root));
    EXPECT_EQ(defaultValue(root, nullptr), "one %2");
    EXPECT_EQ(defaultValue(root, "Other"), "new");
    ASSERT_TRUE(AfxOleRegisterHelper(again, nullptr, 0, TRUE, root));
    EXPECT_EQ(defaultValue(root, nullptr), "new");

    plat::registrySetReadOnly(HKEY_CLASSES_ROOT, true);
    EXPECT_FALSE(AfxOleRegisterHelper(again, nullptr, 0, TRUE, root));
    plat::registrySetReadOnly(HKEY_CLASSES_ROOT, false);
    EXPECT_FALSE(AfxOleRegisterHelper(nullptr, nullptr, 0, TRUE, root));
    RegCloseKey(root);
}

TEST(AfxGetModuleShortFileName, IsTheModulePath)
{
    std::string name = "stale";
    ASSERT_TRUE(AfxGetModuleShortFileName(nullptr, name));
    char path[4096];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    EXPECT_EQ(name, std::string(path, n));
    EXPECT_FALSE(AfxGetModuleShortFileName(reinterpret_cast<HINSTANCE>(0x1234), name));
    EXPECT_TRUE(name.empty());
}

TEST(AfxCollections, AppendAndReadBack)
{
    CStringArray names;
    EXPECT_EQ(names.Add("a"), 0);
    EXPECT_EQ(names.Add(nullptr), 1);
    EXPECT_EQ(names.GetSize(), 2);
    EXPECT_STREQ(names[0], "a");
    EXPECT_STREQ(names.GetAt(1), "");
    CDWordArray values;
    EXPECT_EQ(values.Add(7), 0);
    EXPECT_EQ(values[0], 7u);
    for (INT_PTR bad : {INT_PTR(-1), INT_PTR(2)}) {
        try {
            names.GetAt(bad);
            ADD_FAILURE() << bad;
        } catch (CException* e) {
            EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CNotSupportedException)));
            e->Delete();
        }
    }
    try {
        values.GetAt(1);
        ADD_FAILURE();
    } catch (CException* e) {
        e->Delete();
    }
}

} // namespace
