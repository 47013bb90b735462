#include "jpegPlug.h"
#include "jpegTestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace jpegtest;

namespace {

typedef vbRefQIPtr<IpicCompressPlug, &IID_IpicCompressPlug> picCompressPlugPtr;

picCompressPlugPtr newPlug()
{
    vbHotPlugObjectPtr object;
    jpegPlug::CreateObject(&testFactory(), nullptr, "jpg.jpeg", 0, &object);
    return picCompressPlugPtr(object.Get(), true);
}

// The first bytes of a file whose signature (at offset 6) is these four.
std::vector<unsigned char> headerWith(const char* signature)
{
    std::vector<unsigned char> bytes = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
    bytes.insert(bytes.end(), signature, signature + 4);
    bytes.push_back(0x00);
    return bytes;
}

TEST(jpegPlug, ContentTestAcceptsBySignatureOrByTypeAlone)
{
    const std::vector<unsigned char> jfif = headerWith("JFIF");
    const std::vector<unsigned char> exif = headerWith("Exif");
    const std::vector<unsigned char> lower = headerWith("jfif");
    struct Case {
        const char* type;
        const unsigned char* data;
        int length;
        bool accepted;
        int needed;
    } cases[] = {
        {nullptr, jfif.data(), 9, false, 10},
        {nullptr, jfif.data(), 10, true, -1},
        {"x", exif.data(), 10, true, -1},
        {"png", jfif.data(), 11, true, -1},
        {nullptr, lower.data(), 10, false, -1},
        {"JPG", nullptr, 0, true, -1},
        {"Jpeg", jfif.data(), 0, true, -1},
        {"jpe", nullptr, 0, false, 10},
        {"jfif", nullptr, 0, false, 10},
        {nullptr, jfif.data(), 0, false, 10},
        {nullptr, nullptr, 50, false, 10},
        {nullptr, jfif.data(), -11, false, 10},
        {"jpg", jfif.data(), -11, true, -1},
    };
    picCompressPlugPtr plug = newPlug();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type ? c.type : "(null)") + " " + std::to_string(c.length));
        int needed = -1;
        picDecompressorPtr d;
        EXPECT_EQ(plug->CanWorkWithType(c.type, c.data, c.length, &needed, &d, nullptr), c.accepted);
        EXPECT_EQ(needed, c.needed);
        EXPECT_EQ(d.Get() != nullptr, c.accepted) << "a decompressor exactly when accepted";
    }
}

TEST(jpegPlug, AnAcceptedFileDecodesIntoTheGivenImage)
{
    picCompressPlugPtr plug = newPlug();
    picImagePtr image;
    picCreateImage(&image, "simple", "mine", picReqThrow);
    const Bytes file = encode(Picture{});
    int needed = -1;
    picDecompressorPtr d;
    ASSERT_TRUE(plug->CanWorkWithType(nullptr, file.data(), 10, &needed, &d, image));
    EXPECT_EQ(d->Write(file.data(), static_cast<DWORD>(file.size()), true), file.size());
    picImagePtr out;
    ASSERT_TRUE(d->GetOutput(&out, picReqThrow));
    EXPECT_EQ(out.Get(), image.Get());
    EXPECT_EQ(image->GetPixelSize(1), picSize(37, 29));

    EXPECT_TRUE(plug->CanWorkWithType(nullptr, file.data(), 10, nullptr, nullptr, nullptr))
        << "a bare question makes nothing";
}

TEST(jpegPlug, StreamTestGoesByTypeAlone)
{
    picCompressPlugPtr plug = newPlug();
    struct Case {
        const char* type;
        bool accepted;
    } cases[] = {{"Jpeg", true}, {"JPG", true}, {"jfif", false}, {nullptr, false}};
    for (const Case& c : cases) {
        picDecompressorPtr d;
        EXPECT_EQ(plug->CanWorkWithType(c.type, static_cast<IvbInputStream*>(nullptr), &d, nullptr), c.accepted)
            << (c.type ? c.type : "(null)");
        EXPECT_EQ(d.Get() != nullptr, c.accepted);
    }
}

TEST(jpegPlug, AnswersItsFacesAndFixedQuestions)
{
    picCompressPlugPtr plug = newPlug();
    void* face = nullptr;
    EXPECT_EQ(plug->QueryInterface(IID_IvbObject, &face), S_OK);
    static_cast<IvbObject*>(face)->Release();
    EXPECT_EQ(plug->QueryInterface(IID_IUnknown, &face), S_OK);
    static_cast<IUnknown*>(face)->Release();
    EXPECT_EQ(plug->QueryInterface(IID_IpicDecompressor, &face), E_NOINTERFACE);

    EXPECT_EQ(std::string(plug->GetDescription(0, 0)), "VantPicture JPEG-6b Plugin");
    EXPECT_EQ(plug->GetPlugLevel(), 3);
    EXPECT_FALSE(plug->CanCompressType("jpg", 0));
    EXPECT_FALSE(plug->HasSettings(0));
    picSettingInfo info;
    EXPECT_FALSE(plug->GetSettingInfo(1, &info));

    picCompressorPtr c;
    EXPECT_TRUE(plug->CreateCompressor(0, &c, picReqThrow));
    EXPECT_NE(c.Get(), nullptr);
}

TEST(jpegPlug, EveryObjectCountsOnTheFactoryWhileItLives)
{
    vbHotPlugFactory& factory = testFactory();
    factory.Load(nullptr);
    {
        picCompressPlugPtr plug = newPlug();
        EXPECT_FALSE(factory.Unload(nullptr));
        factory.Load(nullptr);
        picDecompressorPtr d;
        plug->CreateDecompressor(0, &d, picReqThrow);
        plug = nullptr;
        EXPECT_FALSE(factory.Unload(nullptr)) << "the decompressor still lives";
        factory.Load(nullptr);
    }
    EXPECT_TRUE(factory.Unload(nullptr));
    factory.Load(nullptr);
}

} // namespace
