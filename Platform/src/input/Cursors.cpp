// The built-in cursors and icons, made once on first use, and the cursor being shown.

#include "input/BuiltinImages.h"
#include "input/Cursors.h"
#include "input/Input.h"

#include "gdi/Icon.h"
#include "plat/cursor.h"
#include "plat/errors.h"
#include "ui/Display.h"

#include <map>
#include <mutex>

namespace plat::input {

namespace {

struct Shared {
    std::mutex mutex;
    std::map<int, HCURSOR> cursors;
    std::map<int, HICON> icons;
    HCURSOR current = nullptr;
    int showCount = 0;
};

Shared& shared()
{
    static Shared* s = new Shared;
    return *s;
}

HICON makeShared(const BuiltinImage& image, bool isIcon)
{
    gdi::IconFrame frame;
    frame.width = frame.height = BuiltinImage::kSize;
    frame.pixels = image.pixels;
    frame.mask.resize(image.pixels.size());
    for (size_t i = 0; i < image.pixels.size(); ++i)
        frame.mask[i] = (image.pixels[i] >> 24) == 0 ? 1 : 0;
    frame.hasAlpha = true;
    gdi::IconRecord record;
    record.frames.push_back(std::move(frame));
    record.hotspot = image.hotSpot;
    record.isIcon = isIcon;
    record.shared = true;
    return gdi::makeIcon(std::move(record));
}

// A built-in cursor or icon by id, made on first use; null (ERROR_RESOURCE_NAME_NOT_FOUND) for an
// id without one.
HICON builtin(LPCSTR name, bool isIcon)
{
    const int id = IS_INTRESOURCE(name) ? int(reinterpret_cast<ULONG_PTR>(name)) : 0;
    Shared& s = shared();
    std::lock_guard lock(s.mutex);
    auto& made = isIcon ? s.icons : s.cursors;
    if (auto it = made.find(id); it != made.end())
        return it->second;
    BuiltinImage image;
    if (!(isIcon ? builtinIconImage(id, image) : builtinCursorImage(id, image))) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    HICON handle = makeShared(image, isIcon);
    if (handle)
        made[id] = handle;
    return handle;
}

} // namespace

HCURSOR systemCursor(int id) { return builtin(MAKEINTRESOURCE(id), false); }

HANDLE systemImage(LPCSTR name, bool isIcon) { return HANDLE(builtin(name, isIcon)); }

int systemCursorIdOf(HCURSOR cursor)
{
    Shared& s = shared();
    std::lock_guard lock(s.mutex);
    for (auto& [id, handle] : s.cursors)
        if (handle == cursor)
            return id;
    return 0;
}

HCURSOR shownCursor()
{
    Shared& s = shared();
    std::lock_guard lock(s.mutex);
    return s.current;
}

} // namespace plat::input

using namespace plat;
using namespace plat::input;

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    return HCURSOR(LoadImageA(hInstance, lpCursorName, IMAGE_CURSOR, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
}

HICON LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    return HICON(LoadImageA(hInstance, lpIconName, IMAGE_ICON, 0, 0, LR_SHARED | LR_DEFAULTSIZE));
}

HCURSOR SetCursor(HCURSOR hCursor)
{
    HCURSOR previous;
    bool shown;
    {
        Shared& s = shared();
        std::lock_guard lock(s.mutex);
        previous = s.current;
        s.current = hCursor;
        shown = s.showCount >= 0;
    }
    if (previous != hCursor)
        ui::display().cursorChanged(hCursor, shown);
    return previous;
}

HCURSOR GetCursor() { return shownCursor(); }

int ShowCursor(BOOL bShow)
{
    HCURSOR current;
    int count;
    {
        Shared& s = shared();
        std::lock_guard lock(s.mutex);
        count = s.showCount += bShow ? 1 : -1;
        current = s.current;
    }
    ui::display().cursorChanged(current, count >= 0);
    return count;
}
