// A JPEG file's road through the system: the "Picture" plug type finds the registered plug-in by
// the file's first bytes and decodes it in download-sized pieces; an image is saved by file
// extension into a file stream; workers decode while the window thread saves.

#include "jpegTestFiles.h"

#include "picCompressPlugType.h"

#include "vbEngine.h"
#include "vbFileStream.h"

#include "plat/com.h"
#include "plat/folders.h"
#include "plat/module.h"

#include "testsupport/FileText.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dlfcn.h>
#include <fstream>
#include <iterator>
#include <thread>

using namespace jpegtest;

namespace {

const char kModule[] = VNT_BIN_DIR "/Vt05pcST.so";

void registerJpegPlugin()
{
    HMODULE module = LoadLibraryA(kModule);
    ASSERT_NE(module, nullptr);
    auto reg = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, "DllRegisterServer"));
    ASSERT_EQ(reg(), S_OK);
    FreeLibrary(module);
}

// As the application's image loader does: the first 10 bytes choose the decompressor, then the
// file arrives in pieces of 8192 bytes.
picImagePtr decodeByContent(const Bytes& file)
{
    int needed = -1;
    picDecompressorPtr d;
    if (!g_picCompressPlugType.CanWorkWithType(nullptr, file.data(), 10, &needed, &d, nullptr)) {
        ADD_FAILURE() << "refused, needed " << needed;
        return picImagePtr();
    }
    for (size_t at = 0; at < file.size(); at += 8192) {
        const DWORD n = static_cast<DWORD>(std::min<size_t>(8192, file.size() - at));
        EXPECT_EQ(d->Write(file.data() + at, n, true), n);
    }
    picImagePtr image;
    EXPECT_TRUE(d->GetOutput(&image, picReqThrow));
    return image;
}

// As the application's "Save" does: a compressor chosen by extension, copied into a file stream.
void saveByExtension(IpicImage* image, const std::string& path)
{
    picCompressPlugPtr plug;
    ASSERT_TRUE(g_picCompressPlugType.CreatePluggedObject("jpg", &plug, nullptr));
    picCompressorPtr compressor;
    ASSERT_TRUE(plug->CreateCompressor(0, &compressor, picReqThrow));
    compressor->SetInputImage(image);
    vbRefPtr<vbFileStream, &IID_vbFileStream> out;
    vbFileStream::CreateObject(&out);
    out->Open(vbString(path.c_str()), vbOpenCreateAlways, vbAccessWrite, vbShareExclusive);
    out->WriteStream(compressor);
    out->Close();
}

Bytes fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool moduleLoaded()
{
    void* handle = dlopen(kModule, RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        dlclose(handle);
    return handle != nullptr;
}

TEST(PictureRoad, DecodesByContentSavesByExtensionAndUnloadsAtTheEnd)
{
    registerJpegPlugin();
    Picture picture;
    picture.width = 300;
    picture.height = 200;
    const Bytes file = encode(picture);
    const std::string saved = (vnt::test::testHome() / "saved.jpg").string();
    {
        vbUseEngineCenter use(&g_vbEngineCenter, true);
        picImagePtr image = decodeByContent(file);
        ASSERT_NE(image.Get(), nullptr);
        EXPECT_EQ(image->GetPixelSize(1), picSize(300, 200));
        EXPECT_TRUE(moduleLoaded()) << "the plug-in centre loaded the registered module";

        auto worker = [&file] {
            for (int i = 0; i < 4; ++i) {
                picImagePtr decoded = decodeByContent(file);
                EXPECT_EQ(decoded->GetPixelSize(1), picSize(300, 200));
            }
        };
        std::thread first(worker);
        std::thread second(worker);
        for (int i = 0; i < 4; ++i)
            saveByExtension(image, saved);
        first.join();
        second.join();

        picImagePtr again = decodeByContent(fileBytes(saved));
        ASSERT_NE(again.Get(), nullptr);
        EXPECT_EQ(again->GetPixelSize(1), picSize(300, 200));
    }
    EXPECT_FALSE(moduleLoaded()) << "the stopped plug type let the module go";
}

} // namespace
