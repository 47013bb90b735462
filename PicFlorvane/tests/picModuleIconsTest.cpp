// The node and menu icons of the program module, as the nodes and their menus name them: a "res:"
// URL without module finds them in the running program, in both sizes.

#include "vbIcon.h"

#include "vbEngine.h"

#include <gtest/gtest.h>

namespace {

TEST(PicModuleIcons, EachNodeAndMenuIconLoadsInBothSizes)
{
    vbUseEngineCenter use(&g_vbEngineCenter, false);
    for (const char* name : {"root", "folder", "project", "image", "filter", "view", "delete", "deleteall"}) {
        for (int size : {16, 32}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(size));
            vbIcon icon(nullptr, CSize(size, size));
            icon.SetUrl(vbString("res:") + name, vbDnPriority3);
            icon.WaitLoad(30000, vbDnPriority3);
            EXPECT_TRUE(icon.IsValid());
            EXPECT_NE(static_cast<HICON>(icon), nullptr);
        }
    }
}

} // namespace
