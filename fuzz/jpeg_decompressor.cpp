// JPEG files arrive from the network in pieces of any size: damaged ones must raise the system's
// errors and leave a decompressor that decodes the next file after a restart.
//
// Input: two bytes that seed the chunk sizes (1..8192), then the file. As the application's image
// loader does, the plug object's content test first looks at the file's first 0..10 bytes.

#include "jpegCompressor.h"
#include "jpegDecompressor.h"
#include "jpegPlug.h"

#include "VantPicture.h"
#include "picException.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// The factory the codec objects count themselves on; never registered.
vbHotPlugFactory& factory()
{
    static const GUID clsid = {0x5B0C7E23, 0x3D4A, 0x4F6B, {0x9C, 0x1E, 0x27, 0x80, 0x44, 0xA1, 0x6D, 0x3F}};
    static const vbHotPlugFactoryList none[] = {{nullptr, nullptr, 0, 0}};
    static vbHotPlugFactory codecFactory(nullptr, clsid, "JPEG fuzzing", none, 0);
    return codecFactory;
}

// Sides past this would only make the run slow, not reach other code.
constexpr uint64_t kMaxPixels = uint64_t(1) << 20;

// The size the first frame header declares, 0 without one.
uint64_t declaredPixels(const uint8_t* data, size_t size)
{
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) {
            ++at;
            continue;
        }
        const uint8_t code = data[at + 1];
        if (code == 0xFF || code == 0x01 || (code >= 0xD0 && code <= 0xD9)) {
            at += code == 0xFF ? 1 : 2;
            continue;
        }
        const size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        const bool frame = code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
        if (frame && at + 9 <= size)
            return uint64_t(data[at + 5] << 8 | data[at + 6]) * uint64_t(data[at + 7] << 8 | data[at + 8]);
        at += 2 + length;
    }
    return 0;
}

std::vector<uint8_t> tinyJpeg()
{
    picImagePtr image;
    picCreateImage(&image, "simple", "tiny", picReqThrow);
    picBmpInfo info;
    info.size = picSize(8, 8);
    info.bmpType = picBmpGrey;
    info.bitsPerPixel = 8;
    picBitmapPtr bitmap;
    image->CreateBitmap(-1, &info, &bitmap);
    auto* object = new jpegCompressor(&factory());
    object->Create();
    picCompressorPtr compressor(object);
    object->Release();
    compressor->SetInputImage(image);
    std::vector<uint8_t> file(4096);
    file.resize(compressor->Read(file.data(), DWORD(file.size()), false));
    return file;
}

// The content test on every length of the file's start up to the signature's end: it may only
// accept a file whose signature it has seen, and asks for 10 bytes whenever it has fewer.
void askThePlug(const uint8_t* data, size_t size)
{
    vbHotPlugObjectPtr object;
    jpegPlug::CreateObject(&factory(), nullptr, "default", 0, &object);
    vbRefQIPtr<IpicCompressPlug, &IID_IpicCompressPlug> plug(object.Get(), true);
    for (int length = 0; length <= 10 && size_t(length) <= size; ++length) {
        int needed = -1;
        const bool accepted = plug->CanWorkWithType(nullptr, data, length, &needed, nullptr, nullptr);
        if ((length < 10 && (accepted || needed != 10)) || (length == 10 && needed != -1))
            std::abort();
    }
}

void writeAll(IpicDecompressor* d, const uint8_t* data, size_t size, uint32_t seed)
{
    for (size_t at = 0; at < size;) {
        seed = seed * 1103515245u + 12345u;
        const size_t n = std::min<size_t>(1 + (seed >> 16) % 8192, size - at);
        if (d->Write(data + at, DWORD(n), true) < n)
            return;
        at += n;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || declaredPixels(data + 2, size - 2) > kMaxPixels)
        return 0;
    static const std::vector<uint8_t> good = tinyJpeg();
    askThePlug(data + 2, size - 2);
    auto* object = new jpegDecompressor(&factory());
    object->Create();
    picDecompressorPtr d(object);
    object->Release();
    d->SetOutputImage(nullptr);
    try {
        writeAll(d, data + 2, size - 2, uint32_t(data[0]) << 8 | data[1]);
        // The end of the bytes, as a picture object tells it: what is missing is made up.
        vbString damage;
        d->EndOfData(&damage);
        return 0;
    } catch (picEcompress* e) {
        e->Delete();
    } catch (vbEsys* e) {
        e->Delete();
    }
    d->SetOutputImage(nullptr);
    if (d->Write(good.data(), DWORD(good.size()), true) != good.size())
        std::abort();
    picImagePtr image;
    if (!d->GetOutput(&image, picReqNoThrow) || image->GetPixelSize(1).cx != 8)
        std::abort();
    return 0;
}
