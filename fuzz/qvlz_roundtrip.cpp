// Compresses the input (after two bytes that choose the level and the block size) as one file
// with a header parameter, decompresses it, and insists on getting the input back. The only
// refusal allowed is a block whose coded form does not fit its length field.
//
// Its speed falls with the input's length (some 2 us a byte under the sanitizers, most of it the
// Huffman rebuilds every few hundred symbols), and only inputs of tens of KiB reach the large
// blocks and the ring's wrap: it runs some hundreds of short inputs a second, not a thousand.

#include "vbCompressLZSS.h"
#include "vbException.h"
#include "vbMemoryStream.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using MemPtr = vbRefPtr<vbMemoryStream, &IID_vbMemoryStream>;

const int kLevels[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, -1, -2, -3, -4};
const LONG kBlocks[] = {1024, 1028, 2048, 4096, 16384, 64512, 65532, 65536};

std::string bytesOf(vbMemoryStream* s)
{
    std::string out(s->GetLength(), '\0');
    s->Seek(0, vbSeekStart);
    if (!out.empty())
        s->Read(out.data(), DWORD(out.size()), true);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    int level = kLevels[data[0] % std::size(kLevels)];
    LONG block = kBlocks[data[1] % std::size(kBlocks)];
    data += 2;
    size -= 2;

    MemPtr coded, decoded;
    vbMemoryStream::CreateObject(&coded);
    vbMemoryStream::CreateObject(&decoded);
    vbCompressPushPtr c;
    vbLZSScompressPush::CreateObject(&c);
    c->SetCompressLevel(level);
    c->SetCompressBlock(block);
    c->New(coded.Get());
    c->AddHeaderParam("origin", "fuzz", 65001, true);
    c->NewFile("input", DWORD(size), 65001, true);
    try {
        c->Write(data, DWORD(size), true);
        c->Close(true);
    } catch (vbEcompress* e) {
        bool refused = std::strcmp(e->GetMsg(), "QVLZSS compression : compressed output is larger than buffer") == 0;
        e->Delete();
        if (!refused)
            std::abort();
        c->Close(true);
        return 0;
    }

    vbDecompressPushPtr d;
    vbLZSSdecompressPush::CreateObject(&d);
    d->SetOutputStream(decoded.Get());
    std::string stream = bytesOf(coded);
    d->Write(stream.data(), DWORD(stream.size()), true);
    vbString origin;
    if (!d->GetHeaderParam("origin", &origin, 65001, false) || std::strcmp(origin, "fuzz") != 0)
        std::abort();
    d->Close(true);
    std::string back = bytesOf(decoded);
    if (back.size() != size || (size && std::memcmp(back.data(), data, size) != 0))
        std::abort();
    return 0;
}
