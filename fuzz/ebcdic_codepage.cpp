// EBCDIC code page files come from the user's disk: any bytes must load into some map, nothing
// past the first 4000 bytes may count, and appending text through the loaded map must keep the
// 0xFF doubling exact.

#include "FuzzTempDir.h"
#include "vbData.h"
#include "vbEBCDIC.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void writeFile(const std::string& path, const std::string& content)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(content.data(), 1, content.size(), f) != content.size())
        std::abort();
    std::fclose(f);
}

bool sameMaps(const TEBCDICmap& a, const TEBCDICmap& b)
{
    for (int c = 0; c < 256; ++c) {
        auto byte = static_cast<unsigned char>(c);
        if (a.ToASCII(byte) != b.ToASCII(byte) || a.ToEBCDIC(byte) != b.ToEBCDIC(byte))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const FuzzTempDir folder(false);
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string file = folder.path + "/input.map";
    writeFile(file, input);
    TEBCDICmap map;
    map.LoadCodePage(file.c_str());

    // Pairs beyond the 4000th byte are never read: blanks up to there (which pair with nothing)
    // and digits after them leave the map as the input alone made it.
    if (size <= 4000) {
        const std::string padded = folder.path + "/padded.map";
        writeFile(padded, input + std::string(4000 - size, ' ') + std::string(1200, '7'));
        TEBCDICmap other;
        other.LoadCodePage(padded.c_str());
        if (!sameMaps(map, other))
            std::abort();
    } else {
        const std::string cut = folder.path + "/cut.map";
        writeFile(cut, input.substr(0, 4000));
        TEBCDICmap other;
        other.LoadCodePage(cut.c_str());
        if (!sameMaps(map, other))
            std::abort();
    }

    // Every source byte stands for one byte of the result, 0xFF or not.
    const int n = static_cast<int>(size < 512 ? size : 512);
    vbData converted;
    int doubled = 0;
    converted.AddEBCDIC(map, data, n, &doubled);
    if (converted.GetLength() - doubled != n || converted.GetEBCDIClength() != n)
        std::abort();
    vbData raw;
    doubled = 0;
    raw.AddEBCDICnc(data, n, &doubled);
    if (raw.GetLength() - doubled != n || raw.GetEBCDIClength() != n)
        std::abort();
    return 0;
}
