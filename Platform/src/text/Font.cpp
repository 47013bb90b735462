#include "text/Font.h"

#include "gdi/DeviceContext.h"
#include "plat/errors.h"
#include "plat/headless.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>

namespace plat::text {
namespace {

std::atomic<bool> g_testFont{false};

LOGFONTA stockLog(const char* face)
{
    LOGFONTA log{};
    log.lfHeight = -12;
    log.lfWeight = FW_NORMAL;
    std::strncpy(log.lfFaceName, face, LF_FACESIZE - 1);
    return log;
}

} // namespace

Font::Font(const LOGFONTA& log, bool testFace) : gdi::Object(gdi::Kind::Font), log(log), m_testFace(testFace) {}

int Font::describe(int c, void* pv) const
{
    if (!pv)
        return int(sizeof log);
    if (c < int(sizeof log))
        return 0;
    std::memcpy(pv, &log, sizeof log);
    return int(sizeof log);
}

SizedFace& Font::face() const
{
    std::call_once(m_resolved, [this] {
        FaceRequest request;
        request.face = log.lfFaceName;
        request.height = log.lfHeight;
        request.weight = weight();
        request.italic = log.lfItalic != 0;
        request.monochrome = log.lfQuality == NONANTIALIASED_QUALITY;
        m_face = m_testFace ? testFace(request) : systemFace(request);
    });
    return *m_face;
}

std::shared_ptr<Font> selectedFont(const gdi::DeviceContext& dc)
{
    if (auto font = std::dynamic_pointer_cast<Font>(dc.state().fontObject))
        return font;
    return std::static_pointer_cast<Font>(stockFont(SYSTEM_FONT));
}

std::shared_ptr<gdi::Object> stockFont(int index)
{
    static std::mutex mutex;
    static std::array<std::shared_ptr<Font>, DEFAULT_GUI_FONT + 1> made;
    const bool fixed = index == ANSI_FIXED_FONT || index == SYSTEM_FIXED_FONT;
    if (!fixed && index != ANSI_VAR_FONT && index != SYSTEM_FONT && index != DEFAULT_GUI_FONT)
        return nullptr;
    std::lock_guard lock(mutex);
    auto& font = made[size_t(index)];
    if (!font) {
        font = std::make_shared<Font>(stockLog(fixed ? "monospace" : ""), g_testFont.load());
        gdi::insertObject(font, true);
    }
    return font;
}

bool fixedTestFontInUse() { return g_testFont.load(); }

} // namespace plat::text

namespace plat::headless {

void useFixedTestFont(bool on) { plat::text::g_testFont.store(on); }

} // namespace plat::headless
