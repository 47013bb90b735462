#pragma once

// What the picture tests share: the JPEG plug-in registered for the running test, picture files
// written into the test's home, and bytes delivered to a picture object as the download centre
// delivers them.

#include "picGuiImageObject.h"

#include "guiProgress.h"
#include "vbDnItf.h"

#include "plat/com.h"
#include "plat/module.h"

#include "testsupport/ImageFiles.h"
#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace pictest {

using vnt::test::Bytes;

// The JPEG plug-in module, registered in the test's own registry.
inline void registerJpegPlugin()
{
    HMODULE module = LoadLibraryA(VNT_BIN_DIR "/Vt05pcST.so");
    ASSERT_NE(module, nullptr);
    auto reg = reinterpret_cast<LPFNREGISTERSERVER>(GetProcAddress(module, "DllRegisterServer"));
    ASSERT_EQ(reg(), S_OK);
    FreeLibrary(module);
}

inline std::string writeFile(const std::string& name, const Bytes& bytes)
{
    const std::string path = (vnt::test::testHome() / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Start, the bytes in chunks of the given size, end: what a worker of the centre does.
inline void deliver(picGuiImageObject* obj, const Bytes& bytes, size_t chunk = 8192)
{
    vbDnData root(nullptr, nullptr);
    vbDnData data(&root, vbDnLoad, obj->GetUrl(), obj);
    obj->LoadingStart(&data, static_cast<int64_t>(bytes.size()));
    for (size_t at = 0; at < bytes.size(); at += chunk)
        obj->LoadingAddBuffer(&data, bytes.data() + at, static_cast<ULONG>(std::min(chunk, bytes.size() - at)));
    obj->LoadingEnd(&data, true);
}

// A progress strip whose rows a test reads: what the lines of a load or an assembly say.
struct ProgressRows : guiProgress {
    int rows() const { return m_objs.GetLength(); }
    const Obj& row(int i = 1) { return m_objs[i]; }
    // The row of that label, or null.
    const Obj* find(const char* label)
    {
        for (int i = 1; i <= rows(); ++i)
            if (m_objs[i].label == label)
                return &m_objs[i];
        return nullptr;
    }
};

// The pixels of a picture's main bitmap, row after row.
inline std::vector<uint8_t> pixelsOf(IpicImage* image, int bytesPerPixel)
{
    picBitmapPtr bmp;
    EXPECT_TRUE(image->GetBitmap(-1, &bmp, picReqThrow));
    const picSize size = bmp->GetPixelSize();
    std::vector<uint8_t> out;
    for (int y = 0; y < size.cy; ++y) {
        void* row = nullptr;
        bmp->GetBitmapRow(nullptr, y, &row, 1, size.cx * bytesPerPixel);
        out.insert(out.end(), static_cast<uint8_t*>(row), static_cast<uint8_t*>(row) + size.cx * bytesPerPixel);
    }
    return out;
}

// Within the small error of a JPEG round trip.
inline bool near(COLORREF a, COLORREF b)
{
    auto close = [](int x, int y) { return std::abs(x - y) <= 6; };
    return close(GetRValue(a), GetRValue(b)) && close(GetGValue(a), GetGValue(b)) && close(GetBValue(a), GetBValue(b));
}

} // namespace pictest
