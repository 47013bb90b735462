// The headless back end.

#include "HeadlessDisplay.h"

namespace plat::ui {

SIZE HeadlessDisplay::screenSize() const { return SIZE{m_width.load(), m_height.load()}; }

void HeadlessDisplay::setScreenSize(int width, int height)
{
    m_width.store(width > 0 ? width : kDefaultWidth);
    m_height.store(height > 0 ? height : kDefaultHeight);
}

HeadlessDisplay& headlessDisplay()
{
    static auto* backend = new HeadlessDisplay; // windows may still go from static destructors
    return *backend;
}

} // namespace plat::ui
