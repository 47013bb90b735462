// The project's assembly operation as the download centre runs it: real source images loaded from
// JPEG files, the result object filled, the work id kept, failures left on the project.

#include "PicPictureKit.h"
#include "PicTestKit.h"

#include "assembly/picAssemblyPixels.h"
#include "picLightFilter.h"
#include "picProject.h"
#include "picSourceImage.h"

#include "vbDnItf.h"
#include "vbException.h"
#include "vbObjTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pic::test;

namespace {

picChannelFilter slot(const char* key, double factor = 100)
{
    picChannelFilter f;
    f.SetKey(key);
    f.SetFactor(factor);
    return f;
}

class PicProjectAssembly : public PicTest {
protected:
    void SetUp() override
    {
        PicTest::SetUp();
        wnd.progress = &strip;
        pictest::registerJpegPlugin();
        proj()->SetFilterType(picImageHolder::kRgb);
        proj()->SetChannel(1, slot("!red"));
        proj()->SetChannel(2, slot("!green"));
        proj()->SetChannel(3, slot("!blue"));
    }
    void TearDown() override
    {
        project->Destroy();
        PicTest::TearDown();
    }

    picProject* proj() { return static_cast<picProject*>(project.Get()); }

    // A checked colour image of a picture file, behind the project's own three bands.
    picSourceImage* addImage(const char* name, const vnt::test::Bytes& jpeg)
    {
        picNodePtr node = picSourceImage::Make();
        auto* image = static_cast<picSourceImage*>(node.Get());
        image->SetSourceFile(pictest::writeFile(name, jpeg).c_str());
        image->SetFilterType(picImageHolder::kRgb);
        for (int c = 1; c <= 3; ++c)
            image->SetChannel(c, proj()->GetChannel(c));
        attach(proj(), image);
        return image;
    }

    // The assembly as the project asks for it, run by a worker of the download centre.
    void runAssembly()
    {
        proj()->StartWork(&wnd);
        ASSERT_TRUE(vbDnWait(proj(), vbDnLoad, 60000, true));
    }

    std::string errorText()
    {
        ULONG hr = 0;
        vbString text;
        proj()->GetError(hr, text);
        return static_cast<const char*>(text);
    }

    pictest::ProgressRows strip;
    picNodePtr project = picProject::Make();
};

TEST_F(PicProjectAssembly, ResultOfTheProjectsOwnBandsGivesBackTheSource)
{
    const vnt::test::Bytes jpeg = vnt::test::jpegFile(48, 32, 0x3080C0);
    addImage("a.jpg", jpeg);
    runAssembly();
    EXPECT_TRUE(proj()->IsLoaded()) << errorText();
    picGuiImageRef result = proj()->GetResult();
    ASSERT_FALSE(result.IsNull());
    EXPECT_TRUE(result->IsLoaded());
    picImagePtr image = result->GetImage();
    ASSERT_FALSE(image.IsNull());

    picGuiImageObject* source = new picGuiImageObject("/twin.jpg", 0);
    source->Create();
    pictest::deliver(source, jpeg);
    EXPECT_EQ(pictest::pixelsOf(image, 3), pictest::pixelsOf(source->GetImage(), 3));
    source->Release();

    // The work id is made once and kept, so that the progress line stays the same.
    const GUID id = proj()->GetWorkId();
    EXPECT_FALSE(id == GUID{});
    runAssembly();
    EXPECT_TRUE(proj()->GetWorkId() == id);
    int lines = 0;
    for (int i = 1; i <= strip.rows(); ++i)
        lines += strip.row(i).label == "Assembly of New assembly project";
    EXPECT_EQ(lines, 1);
    const auto* line = strip.find("Assembly of New assembly project");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->status, 2) << "done";
}

// The lines of a deleted project go: its assembly's, and the pictures' while it tells of one of
// its images. A deleted image takes the pictures' line along too.
TEST_F(PicProjectAssembly, TheLinesOfADeletedProjectOrImageGo)
{
    for (const bool wholeProject : {false, true}) {
        SCOPED_TRACE(wholeProject ? "project" : "image");
        // A file of its own each time: a picture already read would be taken from the cache.
        const char* name = wholeProject ? "b.jpg" : "a.jpg";
        picNodePtr kept = addImage(name, vnt::test::jpegFile(8, 8, 0x808080));
        runAssembly();
        const auto* assembly = strip.find("Assembly of New assembly project");
        const auto* picture = strip.find(name);
        ASSERT_TRUE(assembly && picture);
        EXPECT_EQ(picture->status, 2);
        EXPECT_EQ(std::string(picture->message.c_str()), "Loaded and ready.") << "no percentage once loaded";
        if (!wholeProject) {
            kept->Destroy();
            EXPECT_EQ(picture->status, -1);
            EXPECT_EQ(assembly->status, 2);
            continue;
        }
        project->Destroy();
        EXPECT_EQ(picture->status, -1) << "the image is still held";
        EXPECT_EQ(assembly->status, -1);
    }
}

// A colour project switched to mono keeps C2 and C3, which it does not use. The failure stays on
// the project, and its result is not loaded.
TEST_F(PicProjectAssembly, AMonoProjectWithoutItsFilterFails)
{
    addImage("a.jpg", vnt::test::jpegFile(8, 8, 0x808080));
    proj()->SetFilterType(picImageHolder::kMonochrome);
    proj()->SetChannel(1, slot(""));
    runAssembly();
    EXPECT_FALSE(proj()->GetResult()->IsLoaded());
    const char* message = "Can't make result image for project New assembly project, no filter available";
    EXPECT_EQ(errorText(), message);
    const auto* line = strip.find("Assembly of New assembly project");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->status, 3) << "failed";
    EXPECT_EQ(line->message, vbString(message));
}

// A source that cannot be read holds the assembly back: the project's line and its state name it
// with the reason, and the picture of an earlier run goes, so that neither the preview nor a save
// takes it for this project's result. The next run that succeeds takes the line back.
TEST_F(PicProjectAssembly, ASourceThatCannotBeReadIsNamedAndTheOldResultGoes)
{
    picSourceImage* image = addImage("a.jpg", vnt::test::jpegFile(8, 8, 0x808080));
    const std::string good(image->GetFilePath().c_str());
    runAssembly();
    ASSERT_FALSE(proj()->GetResult()->GetImage().IsNull()) << errorText();

    const std::string text = pictest::writeFile("text.jpg", {'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
    const std::string gone = (vnt::test::testHome() / "gone.jpg").string();
    struct Case {
        std::string path;
        std::string reason;
    } cases[] = {{text, "Can't read image file '" + text + "' : plugin not ready, missing, or file corrupted"}, {gone, "can't open or create file '" + gone + "'"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        image->SetSourceFile(c.path.c_str());
        runAssembly();
        const std::string failure(proj()->GetWorkFailure().c_str());
        const std::string name(image->GetText().c_str());
        EXPECT_EQ(failure.rfind("Image " + name + " can't be read (", 0), 0u) << failure;
        EXPECT_NE(failure.find(c.reason), std::string::npos) << failure;
        const auto* line = strip.find("Assembly of New assembly project");
        ASSERT_TRUE(line);
        EXPECT_EQ(line->status, 3);
        EXPECT_EQ(std::string(line->message.c_str()), failure);
        EXPECT_TRUE(proj()->GetResult()->GetImage().IsNull());
        EXPECT_FALSE(proj()->GetResult()->IsLoaded());
    }

    image->SetSourceFile(good.c_str());
    runAssembly();
    EXPECT_EQ(proj()->GetWorkFailure(), vbString());
    EXPECT_EQ(strip.find("Assembly of New assembly project")->status, 2);
}

// An assembly stopped so that it can start again after a change is no failure: neither the line
// nor the project says so.
TEST_F(PicProjectAssembly, AnAssemblyStoppedToStartAgainIsNoFailure)
{
    addImage("a.jpg", vnt::test::jpegFile(8, 8, 0x808080));
    vbDnData root(nullptr, nullptr);
    vbDnData data(&root, vbDnLoad, "res:doAssembly", proj());
    proj()->StopDnOp();
    const vbtest::Caught caught = vbtest::catchVb([&] { proj()->LoadFromRes(&data, "doAssembly", nullptr, nullptr); });
    proj()->EndDnOp(false);
    EXPECT_NE(caught.msg.find("download canceled"), std::string::npos) << caught.msg;
    EXPECT_EQ(proj()->GetWorkFailure(), vbString());
    const auto* line = strip.find("Assembly of New assembly project");
    EXPECT_TRUE(!line || line->status != 3);
}

// Slots naming a light filter of the tree take its curve: a flat 100 % curve on every slot puts
// all of a pixel's light at one wavelength, where every output channel sees R + G + B.
TEST_F(PicProjectAssembly, LightFiltersOfTheTreeGiveTheirCurves)
{
    TestNodePtr treeRoot = makeNode("tree", "tree-");
    TestNodePtr projects = makeNode("root", "root-");
    attach(treeRoot, projects);
    picNodePtr filterNode;
    picLightFilter::New(&filterNode);
    auto* filter = static_cast<picLightFilter*>(filterNode.Get());
    attach(projects, filter);
    filter->GetCurveEditor().GetCurve().Edit([](picCurveData& d) {
        d.xmin = 400;
        d.xmax = 700;
        d.ymin = 0;
        d.ymax = 100;
        d.points = {{0, 100}, {100, 100}};
    });
    wnd.directory.SetTreeRoot(treeRoot);
    for (int c = 1; c <= 3; ++c)
        proj()->SetChannel(c, slot(filter->GetPath().c_str()));
    const vnt::test::Bytes jpeg = vnt::test::jpegFile(16, 8, 0x102030);
    addImage("a.jpg", jpeg);
    runAssembly();
    wnd.directory.SetTreeRoot(nullptr);
    ASSERT_TRUE(proj()->GetResult()->IsLoaded()) << errorText();

    picGuiImageObject* source = new picGuiImageObject("/twin.jpg", 0);
    source->Create();
    pictest::deliver(source, jpeg);
    const std::vector<uint8_t> in = pictest::pixelsOf(source->GetImage(), 3);
    source->Release();
    const std::vector<uint8_t> out = pictest::pixelsOf(proj()->GetResult()->GetImage(), 3);
    ASSERT_EQ(out.size(), in.size());
    for (size_t i = 0; i < in.size(); i += 3) {
        const int sum = in[i] + in[i + 1] + in[i + 2];
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(out[i + c], picChannelByte(sum * 1000.0, 100)) << "pixel " << i / 3;
    }
    treeRoot->Destroy();
}

TEST_F(PicProjectAssembly, OnlyTheAssemblyRequestIsHandled)
{
    vbDnData root(nullptr, nullptr);
    vbDnData data(&root, vbDnLoad, "res:doAssembly", proj());
    HINSTANCE module = reinterpret_cast<HINSTANCE>(1);
    EXPECT_FALSE(proj()->LoadFromRes(&data, "doAssembly", "type", nullptr));
    EXPECT_FALSE(proj()->LoadFromRes(&data, "doAssembly", nullptr, module));
    EXPECT_FALSE(proj()->LoadFromRes(&data, reinterpret_cast<const char*>(uintptr_t{101}), nullptr, nullptr));
    EXPECT_FALSE(proj()->LoadFromRes(&data, "doAssemblyNow", nullptr, nullptr));
    EXPECT_TRUE(proj()->GetWorkId() == GUID{});

    // Any case is the request; with nothing to assemble it fails as the worker does.
    const vbtest::Caught caught = vbtest::catchVb([&] { proj()->LoadFromRes(&data, "DOASSEMBLY", nullptr, nullptr); });
    EXPECT_EQ(caught.msg, "Can't make result image for project New assembly project, no source image available");
    EXPECT_FALSE(proj()->GetWorkId() == GUID{});
    EXPECT_FALSE(proj()->IsLoaded());
}

} // namespace
