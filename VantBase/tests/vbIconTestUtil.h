#pragma once

// What the icon tests share: 32 x 32 icons and animated cursors of known colours, written into
// the test's home.

#include "vbIcon.h"

#include "testsupport/ImageFiles.h"
#include "testsupport/TestHome.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace vbicontest {

using vnt::test::Bytes;

// Frame k of the test animations is this colour (0xRRGGBB).
inline uint32_t frameColor(int k) { return 0x100000u * uint32_t(k % 16) + 0x40u + uint32_t(k / 16); }

inline Bytes stillIcon(uint32_t color = 0x00FF00) { return vnt::test::iconFile({{32, 32, color, 32}}); }

inline Bytes animation(int frames)
{
    std::vector<Bytes> icons;
    for (int k = 0; k < frames; ++k)
        icons.push_back(vnt::test::iconFile({{32, 32, frameColor(k), 32}}, true));
    return vnt::test::aniFile(icons);
}

// The file's path.
inline std::string writeFile(const std::string& name, const Bytes& bytes)
{
    const std::string path = (vnt::test::testHome() / name).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
}

// A 16 x 16 icon read from a file written with bytes, as the download centre would leave it; false
// when the file could not be read.
inline bool loadFile(vbIcon& icon, const Bytes& bytes, const char* name)
{
    icon.SetUrlKey(writeFile(name, bytes).c_str(), vbIconObject::MakeKey(16, 16));
    icon.CreateObject();
    if (!icon.Get()->LoadFromFile(nullptr, icon.GetUrl()))
        return false;
    icon.Get()->SetLoaded(true, true);
    return true;
}

} // namespace vbicontest
