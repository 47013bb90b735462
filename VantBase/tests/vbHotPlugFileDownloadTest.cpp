// A module record updated through the system's own code download from a "file:" URL: the
// listeners hear the unload, the download's steps and the load; the copy in the plug-in folder is
// registered and serves the plug type; the same request again is answered at once.

#include "vbException.h"
#include "vbHotPlugTestModules.h"
#include "vbHotPlugTestType.h"
#include "vbHotPlugTestUtil.h"

#include "plat/com.h"
#include "plat/folders.h"
#include "plat/version.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Notes, from any thread, what it is told: the unloads and loads with the module's path, and the
// steps of a download (each step once).
class StepListener : public vbtest::Listener {
public:
    void OnUnloadPluginAsked(IvbHotPlugger* plugger, bool) override { note("unload " + pathOf(plugger)); }
    void OnLoadPluginAsked(IvbHotPlugger* plugger, bool) override { note("load " + pathOf(plugger)); }
    void OnProgress(IvbHotPlugger*, ULONG, ULONG, vbPlugStatus status, const vbString&) override
    {
        const std::string step = "step " + std::to_string(status);
        std::lock_guard lock(m_mutex);
        if (m_events.empty() || m_events.back() != step)
            m_events.push_back(step);
    }

    // The events once one starts with prefix (or after a long wait).
    std::vector<std::string> waitFor(const std::string& prefix)
    {
        std::unique_lock lock(m_mutex);
        m_noted.wait_for(lock, std::chrono::seconds(20), [&] {
            for (const std::string& e : m_events)
                if (e.rfind(prefix, 0) == 0)
                    return true;
            return false;
        });
        return m_events;
    }

private:
    static std::string pathOf(IvbHotPlugger* plugger) { return plugger->GetModulePath().c_str(); }
    void note(const std::string& what)
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(what);
        m_noted.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_noted;
    std::vector<std::string> m_events;
};

std::string fileVersion(const std::string& path)
{
    DWORD handle = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeA(path.c_str(), &handle));
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (block.empty() || !GetFileVersionInfoA(path.c_str(), handle, DWORD(block.size()), block.data())
        || !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&info), &length))
        return "none";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
        std::to_string(HIWORD(info->dwFileVersionLS)) + "." + std::to_string(LOWORD(info->dwFileVersionLS));
}

TEST(vbHotPlugFileDownload, ALaterVersionIsCopiedRegisteredAndLoadedThenServedAtOnce)
{
    vbtest::HotPlugTestType type;
    vbtest::OpenCentre centre;
    vbUseEngineCenter use(&g_vbEngineCenter, true);
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    vbtest::registerHotPlugModule(1);
    const std::string id = vbString(vbtest::hotPlugModuleId(1), true).c_str();
    const std::string next = VNT_BIN_DIR "/vb_testmod_hotplug_next.so";
    const std::string copy = plat::vantrelFolder(plat::Folder::Data) + "/plugins/vb_testmod_hotplug_next.so";

    auto* listener = new StepListener;
    listener->Create();
    ASSERT_TRUE(centre.AddInstall(("file://" + next).c_str(), ("version=9,0,0,0;id=" + id).c_str()));
    EXPECT_EQ(centre.LoadPlugin(vbtest::hotPlugModuleId(1), listener), vbPlugUpdating);
    EXPECT_EQ(listener->waitFor("load"), (std::vector<std::string>{"unload " + vbtest::hotPlugModulePath(1), "step 1",
                                             "step 4", "step 5", "step 6", "step 7", "step 8", "step 9",
                                             "load " + copy}));
    EXPECT_EQ(std::string(vbGetModulePath(vbtest::hotPlugModuleId(1)).c_str()), copy);
    EXPECT_EQ(fileVersion(copy), "9.0.0.0");
    vbHotPlugObjectPtr object;
    vbHotPluginPtr plugin;
    EXPECT_TRUE(type.CreatePluggedObject("obj", &object, &plugin));
    EXPECT_NE(object.Get(), nullptr);
    EXPECT_NE(GetModuleHandleA(copy.c_str()), nullptr) << "the object comes from the copy";
    object.Release();
    plugin.Release();

    auto* again = new StepListener;
    again->Create();
    ASSERT_TRUE(centre.AddInstall(("file://" + next).c_str(), ("version=9,0,0,0;id=" + id).c_str()));
    EXPECT_NE(centre.LoadPlugin(vbtest::hotPlugModuleId(1), again), vbPlugUpdating);
    EXPECT_EQ(again->waitFor("load"), std::vector<std::string>{"load " + copy}) << "no download";
    again->Release();
    listener->Release();
    CoUninitialize();
}

} // namespace
