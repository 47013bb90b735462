#include "ImageTestSupport.h"

#include "plat/errors.h"
#include "plat/module.h"

#include <set>
#include <thread>

using namespace vnt::test;

namespace {

const std::string kVersioned = std::string(VNT_BIN_DIR) + "/plat_testmod_versioned.so";

// The same loads from the running module and from the module read as a data file.
class ModuleImages : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        module = load();
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override
    {
        if (module)
            FreeLibrary(module);
    }
    HMODULE load() const
    {
        return GetParam() ? LoadLibraryExA(kVersioned.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE) : LoadLibraryA(kVersioned.c_str());
    }
    HMODULE module = nullptr;
};

TEST_P(ModuleImages, ByNameAndById)
{
    struct Case {
        LPCSTR name;
        UINT type;
        COLORREF step1;
    } cases[] = {
        {"pointer", IMAGE_CURSOR, RGB(0, 255, 0)},
        {MAKEINTRESOURCE(101), IMAGE_CURSOR, RGB(0, 255, 0)},
        {"#101", IMAGE_CURSOR, RGB(0, 255, 0)},
        {"WINDOW", IMAGE_ICON, RGB(0, 255, 0)},
        {"Spinner", IMAGE_CURSOR, RGB(0, 0, 255)}, // an animated cursor through IMAGE_CURSOR
        {MAKEINTRESOURCE(102), IMAGE_CURSOR, RGB(0, 0, 255)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(IS_INTRESOURCE(c.name) ? std::to_string(LOWORD(c.name)) : std::string(c.name));
        HICON image = HICON(LoadImageA(module, c.name, c.type, 0, 0, LR_DEFAULTSIZE));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(drawnAt(image, 1, 31, 31), c.step1);
        EXPECT_EQ(drawnAt(image, 1, 32, 32), RGB(255, 255, 255));
        EXPECT_EQ(shapeOf(image).icon, c.type == IMAGE_ICON);
        DestroyIcon(image);
    }
    for (LPCSTR name : {LPCSTR("corners"), LPCSTR(MAKEINTRESOURCE(103))}) {
        HBITMAP bitmap = LoadBitmapA(module, name);
        ASSERT_NE(bitmap, nullptr);
        const Pixels p = pixelsOf(bitmap);
        ASSERT_EQ(p.width, 4);
        ASSERT_EQ(p.height, 2);
        EXPECT_EQ(p.at(0, 0), 0xFF0000u);
        EXPECT_EQ(p.at(3, 1), 0xFFFFFFu);
        DeleteObject(bitmap);
    }
}

TEST_P(ModuleImages, MissingAndDamaged)
{
    struct Case {
        LPCSTR name;
        UINT type;
        DWORD error;
    } cases[] = {
        {"nowhere", IMAGE_CURSOR, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"pointer", IMAGE_BITMAP, ERROR_RESOURCE_NAME_NOT_FOUND},
        {"hourglass", IMAGE_CURSOR, ERROR_INVALID_DATA}, // an animated cursor resource of junk
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetLastError(0);
        EXPECT_EQ(LoadImageA(module, c.name, c.type, 0, 0, LR_SHARED), nullptr);
        EXPECT_EQ(GetLastError(), c.error);
    }
}

TEST_P(ModuleImages, SharedImagesAreOnePerNameAndSizeAndGoWithTheModule)
{
    HCURSOR shared = LoadCursorA(module, "pointer");
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(LoadCursorA(module, "POINTER"), shared);
    EXPECT_EQ(LoadImageA(module, "pointer", IMAGE_CURSOR, 32, 32, LR_SHARED), shared); // the default size, given
    HANDLE smaller = LoadImageA(module, "pointer", IMAGE_CURSOR, 16, 16, LR_SHARED);
    EXPECT_NE(smaller, nullptr);
    EXPECT_NE(smaller, shared);
    EXPECT_TRUE(DestroyCursor(shared));
    EXPECT_EQ(drawnAt(shared, 0), RGB(0, 255, 0));

    HANDLE own1 = LoadImageA(module, "pointer", IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE);
    HANDLE own2 = LoadImageA(module, "pointer", IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE);
    EXPECT_NE(own1, own2);
    EXPECT_TRUE(DestroyCursor(HCURSOR(own1)));
    EXPECT_EQ(drawnAt(HCURSOR(own1), 0), CLR_INVALID);
    DestroyCursor(HCURSOR(own2));

    // A second reference keeps the module and its images; the last one takes them.
    HMODULE again = load();
    ASSERT_NE(again, nullptr);
    if (again != module) // a data file is a module of its own each time
        FreeLibrary(again);
    else
        FreeLibrary(module);
    EXPECT_EQ(drawnAt(shared, 0), RGB(0, 255, 0));
    FreeLibrary(module);
    module = nullptr;
    EXPECT_EQ(drawnAt(shared, 0), CLR_INVALID);
    EXPECT_EQ(drawnAt(HCURSOR(smaller), 0), CLR_INVALID);
}

TEST_P(ModuleImages, ThreadsLoadingOneSharedCursorGetOneHandle)
{
    std::vector<HANDLE> got(4);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < got.size(); ++i)
        threads.emplace_back([&, i] { got[i] = LoadImageA(module, "spinner", IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE); });
    for (std::thread& t : threads)
        t.join();
    EXPECT_NE(got[0], nullptr);
    EXPECT_EQ(std::set<HANDLE>(got.begin(), got.end()).size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(LoadedAndDataFile, ModuleImages, ::testing::Bool());

TEST(SystemImages, NullInstanceGivesTheBuiltInOnes)
{
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(32512), IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE), LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(LoadImageA(nullptr, IDI_APPLICATION, IMAGE_ICON, 0, 0, LR_SHARED), LoadIconA(nullptr, IDI_APPLICATION));
    SetLastError(0);
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCE(32512), IMAGE_BITMAP, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_RESOURCE_NAME_NOT_FOUND));
}

TEST(SystemImages, MissingFileGivesTheFileError)
{
    SetLastError(0);
    EXPECT_EQ(LoadImageA(nullptr, (::testing::TempDir() + "/no_such.cur").c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

} // namespace
