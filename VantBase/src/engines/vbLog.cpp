// The release log writer.

#include "vbLog.h"

#include "vbEngine.h"
#include "vbFileTools.h"
#include "vbVantLib.h"
#include "vbVersion.h"

#include "plat/afx.h"
#include "plat/folders.h"
#include "plat/module.h"
#include "plat/process_ids.h"
#include "plat/thread.h"
#include "plat/time.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

const char* g_pvbLogFileName = "vantdevV5108.log";

namespace {

std::atomic<bool> g_bBannerPending{true};
std::atomic<LONG> g_lastChg{0};

// The banner asks the engine centre for the system's label: not before the centre exists.
bool engineCenterReady() { return g_vbEngineCenter.IsReady(); }

vbString timeStamp()
{
    SYSTEMTIME t;
    GetSystemTime(&t);
    vbString s;
    s.Format("%d/%d/%04d %d:%02d:%02d.%03d", t.wDay, t.wMonth, t.wYear, t.wHour, t.wMinute, t.wSecond,
        t.wMilliseconds);
    return s;
}

vbString hexHandle(const void* h)
{
    vbString s;
    s.Format("%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
    return s;
}

vbString moduleLine(const char* lead, const vbString& path, const void* handle)
{
    vbString line(lead);
    line += vbGetProductName(path, true);
    line += " (";
    line += path;
    line += " - ";
    line += hexHandle(handle);
    line += ").";
    return line;
}

vbString startBanner()
{
    vbString stars('*', 72);
    vbString exe = vbGetFilePath(static_cast<HINSTANCE>(nullptr));
    vbString caller = vbGetProductName(exe, true);
    caller += " (";
    caller += exe;
    caller += " - ";
    caller += vbString(static_cast<unsigned int>(GetCurrentProcessId()), true);
    caller += " - ";
    caller += hexHandle(GetModuleHandleA(exe));
    caller += ").";

    vbString b("\xB2\n\n");
    b += "\xA7p; " + stars + "\n";
    b += "\xA7p; ** VantBase 5.108 logs started (" + timeStamp() + ")...\n";
    b += "\xA7p; ** -> CALLER: " + caller + "\n";
    b += "\xA7p; ** -> OS: " + vbGetOSlabel() + ".\n";
    b += "\xA7p; " + stars + "\n";
    return b;
}

vbString libraryList()
{
    vbString pluses('+', 72);
    vbString b("\xB2\n\n");
    b += "\xA7p; " + pluses + "\n";
    b += "\xA7p; ++ VantBase 5.108 dll list changed (" + timeStamp() + ")...\n";
    // The modules are collected under the chain's lock and described after it: describing one
    // asks the system's loader and reads its file, and a library being loaded waits for the
    // chain's lock while the loader is busy with it.
    std::vector<HMODULE> modules;
    vbLibEnum libs;
    for (CDynLinkLibrary* lib = libs.NextLib(); lib; lib = libs.NextLib())
        modules.push_back(lib->m_hModule);
    for (HMODULE h : modules)
        b += "\xA7p; " + moduleLine("++ -> Dll: ", vbGetFilePath(h), h) + "\n";
    b += "\xA7p; " + pluses;
    return b;
}

// The file a record goes to: the name as it is when absolute, else its last component in the
// per-user state folder (which follows VANTREL_HOME).
vbString logFilePath(const char* name)
{
    if (name[0] == '/')
        return vbString(name);
    const char* base = name;
    for (const char* p = name; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            base = p + 1;
    std::string folder = plat::vantrelFolder(plat::Folder::State, true);
    if (folder.empty() || !*base)
        return vbString();
    return vbString(folder.c_str()) + "/" + base;
}

vbString expandMarked(const vbString& text, const char* pid, const char* tid)
{
    vbString out;
    const char* p = text.c_str() + 1; // the marker goes
    for (; *p; ++p) {
        if (*p == '\xA7' && (p[1] == 'p' || p[1] == 't')) {
            out += p[1] == 'p' ? pid : tid;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

vbString prefixed(const vbString& text, const char* prefix)
{
    vbString out(prefix);
    int len = text.GetLength();
    const char* p = text.c_str();
    for (int i = 0; i < len; ++i) {
        out += p[i];
        if (p[i] == '\n' && i != len - 1)
            out += prefix;
    }
    return out;
}

} // namespace

void vbRelOutput(const vbString& text, bool bToFile)
{
    try {
        if (engineCenterReady() && g_bBannerPending.exchange(false))
            vbRelOutput(startBanner(), true);

        LONG chg = vbVantLib::s_cChg.load();
        if (g_lastChg.exchange(chg) != chg)
            vbRelOutput(libraryList(), true);

        // Only a record that goes to a file is worth formatting.
        const char* name = g_pvbLogFileName;
        if (!bToFile || !name || !*name)
            return;
        vbString path = logFilePath(name);
        if (path.IsEmpty())
            return;

        vbString record(text);
        record += '\n';
        char pid[16];
        char tid[16];
        std::snprintf(pid, sizeof pid, "%08X", GetCurrentProcessId());
        std::snprintf(tid, sizeof tid, "%08X", GetCurrentThreadId());
        if (record[1] == '\xB2') {
            record = expandMarked(record, pid, tid);
        } else {
            char prefix[48];
            std::snprintf(prefix, sizeof prefix, "%s.%s; ", pid, tid);
            record = prefixed(record, prefix);
        }
        if (FILE* f = std::fopen(path, "a+")) {
            std::fwrite(record.c_str(), 1, static_cast<size_t>(record.GetLength()), f);
            std::fclose(f);
        }
    } catch (CException* e) {
        e->Delete(); // the log never reports its own failures
    } catch (...) {
    }
}
