#pragma once

// HFONT: the LOGFONTA as created, and the sized face it resolves to at first use.

#include "gdi/GdiObjects.h"
#include "text/SizedFace.h"

#include <mutex>

namespace plat::gdi {
class DeviceContext;
}

namespace plat::text {

class Font final : public gdi::Object {
public:
    // testFace: draw with the fixed-metrics test face whatever the request.
    Font(const LOGFONTA& log, bool testFace);

    const LOGFONTA log;
    int describe(int c, void* pv) const override;

    // Resolved once, on first use, from any thread.
    SizedFace& face() const;
    bool vertical() const { return log.lfEscapement == 900; }
    int weight() const { return log.lfWeight == 0 ? 400 : log.lfWeight; }

private:
    const bool m_testFace;
    mutable std::once_flag m_resolved;
    mutable std::shared_ptr<SizedFace> m_face;
};

// The font selected into the DC; a fresh DC has SYSTEM_FONT.
std::shared_ptr<Font> selectedFont(const gdi::DeviceContext& dc);

// Stock fonts by GetStockObject index (ANSI_FIXED_FONT .. DEFAULT_GUI_FONT), made on first use;
// null for another index.
std::shared_ptr<gdi::Object> stockFont(int index);

// Whether fonts made from now on use the fixed-metrics test face.
bool fixedTestFontInUse();

} // namespace plat::text
