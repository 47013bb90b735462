#include "guiTreeDrawPost.h"

namespace {

constexpr ULONG kAborted = 0x80004004;

} // namespace

bool guiTreeStatusText(IguiTreeNode* root, vbString& text, bool& loaded)
{
    if (!root)
        return false;
    loaded = root->IsLoaded();
    if (!loaded) {
        text = "Loading...";
        return true;
    }
    ULONG code = 0;
    vbString message;
    if (root->GetError(code, message) && code != kAborted)
        text = vbString("Error during download :\n") + message;
    else
        text = vbString();
    return true;
}
