// A project file read from outside bytes: the input is written as a .picf and imported under an
// empty folder, clashes answered No. Beyond not crashing, no file may appear outside the
// images folder, and a tree that imported must come back the same through another export and
// import.

#include "FuzzTempDir.h"

#include "picNode.h"
#include "picFolder.h"
#include "picProjectFile.h"

#include "vbApp.h"
#include "vbEngine.h"
#include "vbException.h"
#include "vbExceptionEngine.h"
#include "vbFileTools.h"

#include "plat/msgbox.h"
#include "plat/shell.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The images folder is not walked: what lies there does not count, and it grows with the run.
std::set<fs::path> filesOutside(const fs::path& home, const fs::path& images)
{
    std::set<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(home); it != fs::recursive_directory_iterator(); ++it) {
        const auto rel = it->path().lexically_relative(images);
        if (rel == ".")
            it.disable_recursion_pending();
        else if (it->is_regular_file() && (rel.empty() || *rel.begin() == ".."))
            files.insert(it->path());
    }
    return files;
}

// True when the file imported under target.
bool importInto(picNode* target, const fs::path& file)
{
    try {
        target->ImportFile(nullptr, file.c_str());
        return true;
    } catch (CException* e) {
        e->Delete();
        return false;
    }
}

void exportUnder(picNode* node, const fs::path& file)
{
    try {
        exportProjectFile(nullptr, node, file.c_str(), true);
    } catch (CException* e) {
        e->Delete();
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const struct Home : FuzzTempDir {
        // The headless back end, as the tests run: the clash questions never reach a desktop.
        Home() : FuzzTempDir(true) { setenv("VANTREL_HEADLESS", "1", 1); }
    } home;
    static vbUseEngineCenter use(&g_vbEngineCenter, true);
    static vbApp app("PICflorvane", "");
    g_vbExceptionEngine.SetContext(&app);
    plat::setMessageBoxAnswer(IDNO);

    const fs::path images = fs::path(std::string(vbGetShellFolder(CSIDL_MYPICTURES, true))) / "PicFlorvane Images";
    const fs::path input = fs::path(home.path) / "in.picf";
    {
        std::ofstream out(input, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    const std::set<fs::path> before = filesOutside(home.path, images);

    picNodePtr list = picFolder::Make();
    const bool imported = importInto(list, input);
    if (filesOutside(home.path, images) != before)
        std::abort();

    if (imported) {
        const fs::path first = fs::path(home.path) / "first.picf";
        const fs::path second = fs::path(home.path) / "second.picf";
        exportUnder(list, first);
        picNodePtr again = picFolder::Make();
        if (!importInto(again, first))
            std::abort();
        exportUnder(again, second);
        if (readAll(first) != readAll(second))
            std::abort();
        again->ClearChildren();
        fs::remove(first);
        fs::remove(second);
    }
    list->ClearChildren();
    fs::remove(input);
    plat::resetMessageBoxPolicy();
    g_vbExceptionEngine.SetContext(nullptr);
    return 0;
}
