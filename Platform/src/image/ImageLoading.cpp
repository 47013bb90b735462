// LoadImageA and its shorthands: images from module resources or files, the shared ones kept
// once per module, type, name and size.

#include "image/ImageLoading.h"

#include "image/BmpReader.h"

#include "gdi/Bitmap.h"
#include "input/Cursors.h"
#include "plat/cursor.h"
#include "plat/errors.h"
#include "plat/file.h"
#include "plat/handles.h"
#include "plat/sysmetrics.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <tuple>

namespace plat::image {

namespace {

constexpr uint64_t kMaxFileSize = uint64_t(1) << 30;

struct SharedKey {
    HMODULE module;
    UINT type;
    std::string name; // "#id" or the text in upper case
    int cx;
    int cy;
    bool operator<(const SharedKey& o) const
    {
        return std::tie(module, type, name, cx, cy) < std::tie(o.module, o.type, o.name, o.cx, o.cy);
    }
};

struct SharedImages {
    // Held for a whole shared load, so that loads of one name on several threads make one image.
    std::mutex mutex;
    std::map<SharedKey, HANDLE> images;
};

SharedImages& sharedImages()
{
    static SharedImages* s = new SharedImages;
    return *s;
}

std::string keyName(LPCSTR name)
{
    if (IS_INTRESOURCE(name))
        return std::string("#").append(std::to_string(LOWORD(name)));
    std::string text = name;
    if (text.size() > 1 && text[0] == '#' && text.find_first_not_of("0123456789", 1) == std::string::npos)
        return std::string("#").append(std::to_string(std::strtoul(text.c_str() + 1, nullptr, 10)));
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool readWholeFile(LPCSTR path, std::vector<uint8_t>& bytes)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    if (ok && uint64_t(size.QuadPart) > kMaxFileSize) {
        SetLastError(ERROR_INVALID_DATA);
        ok = false;
    }
    DWORD read = 0;
    if (ok) {
        bytes.resize(size_t(size.QuadPart));
        ok = ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr) != FALSE;
        bytes.resize(read);
    }
    CloseHandle(file);
    return ok;
}

// The resource's bytes from the first of the types that has the name; FindResourceA's error when
// none has it (a missing name wins over a missing type).
bool findImageResource(HMODULE module, LPCSTR name, UINT type, Bytes& bytes)
{
    LPCSTR types[2] = {RT_BITMAP, nullptr};
    if (type == IMAGE_CURSOR)
        types[0] = RT_GROUP_CURSOR, types[1] = RT_ANICURSOR;
    else if (type == IMAGE_ICON)
        types[0] = RT_GROUP_ICON, types[1] = RT_ANIICON;
    DWORD error = ERROR_RESOURCE_TYPE_NOT_FOUND;
    for (LPCSTR t : types) {
        if (!t)
            break;
        if (HRSRC found = FindResourceA(module, name, t)) {
            bytes.data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
            bytes.size = SizeofResource(module, found);
            return true;
        }
        if (GetLastError() != DWORD(ERROR_RESOURCE_TYPE_NOT_FOUND))
            error = GetLastError();
    }
    SetLastError(error);
    return false;
}

HANDLE imageFromBytes(Bytes bytes, UINT type, int cx, int cy, UINT fuLoad)
{
    if (type == IMAGE_BITMAP)
        return bitmapFromBytes(bytes, cx, cy, fuLoad & LR_CREATEDIBSECTION, uint64_t(kMaxBmpSide) * kMaxBmpSide);
    return iconFromBytes(bytes, WantedSize{cx, cy}, type == IMAGE_ICON, fuLoad & LR_SHARED);
}

HANDLE load(HINSTANCE module, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad)
{
    if (fuLoad & LR_LOADFROMFILE) {
        std::vector<uint8_t> file;
        if (!readWholeFile(name, file))
            return nullptr;
        return imageFromBytes(Bytes{file.data(), file.size()}, type, cx, cy, fuLoad & ~UINT(LR_SHARED));
    }
    Bytes bytes;
    if (!findImageResource(module, name, type, bytes))
        return nullptr;
    return imageFromBytes(bytes, type, cx, cy, fuLoad);
}

} // namespace

HBITMAP makeBitmap(const Picture& picture, bool dibSection)
{
    auto bitmap = gdi::Bitmap::create(picture.width, picture.height, 32, dibSection, true);
    if (!bitmap)
        return nullptr;
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(bitmap->memory() + int64_t(bitmap->stride) * y, picture.pixels.data() + size_t(y) * size_t(picture.width),
                    4 * size_t(picture.width));
    return static_cast<HBITMAP>(gdi::insertObject(bitmap));
}

HBITMAP bitmapFromBytes(Bytes bytes, int cx, int cy, bool dibSection, uint64_t maxPixels)
{
    Picture picture;
    if (!readBmp(bytes, picture, maxPixels)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    if (cx > 0 && cy > 0 && (cx != picture.width || cy != picture.height)) {
        if (uint64_t(cx) * uint64_t(cy) > maxPixels) {
            SetLastError(ERROR_INVALID_DATA);
            return nullptr;
        }
        picture.pixels = scaleNearest(picture.pixels, picture.width, picture.height, cx, cy);
        picture.width = cx;
        picture.height = cy;
    }
    return makeBitmap(picture, dibSection);
}

HICON iconFromBytes(Bytes bytes, WantedSize wanted, bool isIcon, bool shared)
{
    gdi::IconRecord record;
    if (!readCursorOrIcon(bytes, wanted, record)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    record.isIcon = isIcon;
    record.shared = shared;
    return gdi::makeIcon(std::move(record));
}

void releaseModuleImages(HMODULE module)
{
    SharedImages& s = sharedImages();
    std::lock_guard lock(s.mutex);
    for (auto it = s.images.begin(); it != s.images.end();) {
        if (it->first.module == module) {
            gdi::removeObject(it->second);
            it = s.images.erase(it);
        } else
            ++it;
    }
}

} // namespace plat::image

using namespace plat;
using namespace plat::image;

HANDLE LoadImageA(HINSTANCE hInst, LPCSTR name, UINT type, int cx, int cy, UINT fuLoad)
{
    if (!name || type > IMAGE_CURSOR) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (!hInst && !(fuLoad & LR_LOADFROMFILE)) {
        if (type == IMAGE_BITMAP) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        return input::systemImage(name, type == IMAGE_ICON);
    }
    const int largest = type == IMAGE_BITMAP ? kMaxBmpSide : kMaxWantedSide;
    if (cx < 0 || cy < 0 || cx > largest || cy > largest) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (type != IMAGE_BITMAP && cx == 0 && cy == 0 && (fuLoad & LR_DEFAULTSIZE)) {
        cx = GetSystemMetrics(type == IMAGE_ICON ? SM_CXICON : SM_CXCURSOR);
        cy = GetSystemMetrics(type == IMAGE_ICON ? SM_CYICON : SM_CYCURSOR);
    }
    if (!(fuLoad & LR_SHARED) || (fuLoad & LR_LOADFROMFILE))
        return load(hInst, name, type, cx, cy, fuLoad);
    SharedImages& s = sharedImages();
    std::lock_guard lock(s.mutex);
    const SharedKey key{hInst, type, keyName(name), cx, cy};
    if (auto it = s.images.find(key); it != s.images.end() && gdi::findObject(it->second))
        return it->second;
    HANDLE made = load(hInst, name, type, cx, cy, fuLoad);
    if (made)
        s.images[key] = made;
    return made;
}

HBITMAP LoadBitmapA(HINSTANCE hInstance, LPCSTR lpBitmapName)
{
    return HBITMAP(LoadImageA(hInstance, lpBitmapName, IMAGE_BITMAP, 0, 0, 0));
}
