#include "guiPicture.h"

#include "DrawingBed.h"
#include "vbExpectThrown.h"

#include "vbException.h"

#include "plat/afxwin.h"
#include "plat/errors.h"
#include "plat/resource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

using gui::test::DrawingBed;

constexpr COLORREF kWhite = RGB(255, 255, 255);

// The bytes of the test program's 4 x 2 picture: red, green on top; blue, white below.
std::string cornersFile()
{
    HRSRC info = FindResourceA(AfxGetResourceHandle(), "corners", "PICTURE");
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(AfxGetResourceHandle(), info)));
    return std::string(bytes, SizeofResource(AfxGetResourceHandle(), info));
}

class GuiPictureTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string writeFile(const std::string& name, const std::string& bytes)
    {
        std::filesystem::create_directories(m_folder);
        const std::string path = (m_folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    void render(guiPicture& picture, DrawingBed& bed, LONG xSrc, LONG ySrc, LONG cxSrc, LONG cySrc)
    {
        picture.Render(nullptr, CDC::FromHandle(bed.dc), 0, 0, bed.width, bed.height, xSrc, ySrc, cxSrc, cySrc);
    }

private:
    std::filesystem::path m_folder = std::filesystem::temp_directory_path() /
        ("guiPictureTest-" + std::to_string(::getpid()));
};

TEST_F(GuiPictureTest, EmptyPathsGiveEmptyPictures)
{
    EXPECT_FALSE(LoadPicture("", true).IsValid());
    EXPECT_FALSE(LoadPicture(nullptr, true).IsValid());
    guiPicture empty;
    vbtest::expectThrown<vbEsys>([&] { empty.MustBeValid(); }, E_FAIL, "guiPicture() : empty !");
    vbtest::expectThrown<vbEsys>([&] { empty.GetWidth(); }, E_FAIL, "guiPicture() : empty !");
}

TEST_F(GuiPictureTest, UnreadableFilesThrowOrGiveEmptyPictures)
{
    const std::string missing = writeFile("present.bmp", "x") + ".missing";
    vbtest::expectThrown<vbEsys>([&] { LoadPicture(missing.c_str(), true); }, E_ACCESSDENIED,
        "Unable to load or to find picture '" + missing + "'");
    EXPECT_FALSE(LoadPicture(missing.c_str(), false).IsValid());

    // Bytes that are no picture: the picture loader's result.
    const std::string garbage = writeFile("garbage.bmp", "not a picture");
    vbtest::expectThrown<vbEsys>([&] { LoadPicture(garbage.c_str(), true); }, CTL_E_INVALIDPICTURE,
        "Unable to load or to find picture '" + garbage + "'");
    EXPECT_FALSE(LoadPicture(garbage.c_str(), false).IsValid());
}

TEST_F(GuiPictureTest, LoadsFromFilesAndResources)
{
    const std::string path = writeFile("corners.bmp", cornersFile());
    for (const guiPicture& picture : {LoadPicture(path.c_str(), true), LoadPictureFromRes("corners", "PICTURE", true),
             LoadPictureFromRes(201u, "PICTURE", true)}) {
        ASSERT_TRUE(picture.IsValid());
        EXPECT_EQ(picture.GetType(), PICTYPE_BITMAP);
        // HIMETRIC: pixels x 2540 / 96.
        EXPECT_EQ(picture.GetWidth(), 106);
        EXPECT_EQ(picture.GetHeight(), 53);
        EXPECT_NE(picture.GetHandle(), nullptr);
    }
    vbtest::expectThrown<vbEsys>([&] { LoadPictureFromRes("absent", "PICTURE", true); },
        HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND), "Unable to load or to find resource picture");
    EXPECT_FALSE(LoadPictureFromRes(999u, "PICTURE", false).IsValid());
}

TEST_F(GuiPictureTest, RenderStretchesTheSourceRectangle)
{
    guiPicture picture = LoadPictureFromRes("corners", "PICTURE", true);
    picture.PrepareRender();
    DrawingBed whole(40, 20);
    render(picture, whole, 0, 0, -1, -1);
    EXPECT_EQ(whole.at(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(whole.at(38, 1), RGB(0, 255, 0));
    EXPECT_EQ(whole.at(1, 18), RGB(0, 0, 255));
    EXPECT_EQ(whole.at(38, 18), kWhite);

    // The right column only.
    DrawingBed part(10, 20);
    render(picture, part, 3, 0, 1, 2);
    EXPECT_EQ(part.at(5, 2), RGB(0, 255, 0));
    EXPECT_EQ(part.at(5, 17), kWhite);
}

TEST_F(GuiPictureTest, CopiesShareThePictureButMustBePrepared)
{
    guiPicture picture = LoadPictureFromRes("corners", "PICTURE", true);
    picture.PrepareRender();
    guiPicture copy(picture);
    guiPicture assigned;
    assigned = picture;
    EXPECT_EQ(copy.GetHandle(), picture.GetHandle());

    DrawingBed bed(8, 4);
    render(copy, bed, 0, 0, -1, -1);
    render(assigned, bed, 0, 0, -1, -1);
    EXPECT_EQ(bed.at(0, 0), kWhite);
    copy.PrepareRender();
    render(copy, bed, 0, 0, -1, -1);
    EXPECT_EQ(bed.at(0, 0), RGB(255, 0, 0));
}

} // namespace
