// Stock pens, brushes and fonts: made once, never deleted.

#include "GdiObjects.h"
#include "text/Font.h"

#include "plat/errors.h"

#include <array>

namespace plat::gdi {

std::shared_ptr<Object> stockObject(int index)
{
    static const auto objects = [] {
        std::array<std::shared_ptr<Object>, NULL_PEN + 1> made;
        const COLORREF brushColors[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
        for (int i = WHITE_BRUSH; i <= BLACK_BRUSH; ++i)
            made[size_t(i)] = std::make_shared<Brush>(LOGBRUSH{BS_SOLID, brushColors[i], 0});
        made[NULL_BRUSH] = std::make_shared<Brush>(LOGBRUSH{BS_NULL, 0, 0});
        made[WHITE_PEN] = std::make_shared<Pen>(LOGPEN{PS_SOLID, POINT{1, 0}, 0xFFFFFF});
        made[BLACK_PEN] = std::make_shared<Pen>(LOGPEN{PS_SOLID, POINT{1, 0}, 0x000000});
        made[NULL_PEN] = std::make_shared<Pen>(LOGPEN{PS_NULL, POINT{1, 0}, 0x000000});
        for (auto& object : made)
            insertObject(object, true);
        return made;
    }();
    if (index < 0 || index >= int(objects.size()))
        return text::stockFont(index);
    return objects[size_t(index)];
}

} // namespace plat::gdi

HGDIOBJ GetStockObject(int i)
{
    auto object = plat::gdi::stockObject(i);
    if (!object) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return object->handle();
}
