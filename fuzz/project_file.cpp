// A project file read from outside bytes: the input is written as a .picf and imported under an
// empty folder, clashes answered No. Beyond not crashing, no file may appear outside the
// images folder, and a tree that imported must come back the same through another export and
// import.
//
// Every import reads and writes files, asks the registry at every exception it throws, and the
// folders are walked twice for stray files: it runs a few hundred inputs a second.

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

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Adds the files below folder, leaving out the images folder: what lies there does not count, and
// it grows with the run. The entries are read into a buffer on the stack, for a directory
// stream's 32 KiB buffer, made for every folder twice an input, cost more than the import did.
void addFilesOutside(const std::string& folder, const std::string& images, std::set<std::string>& files)
{
    if (folder == images)
        return;
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    alignas(dirent64) char buffer[4096];
    for (ssize_t n; (n = getdents64(fd, buffer, sizeof buffer)) > 0;) {
        for (ssize_t at = 0; at < n;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
            at += entry->d_reclen;
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            const std::string path = folder + "/" + name;
            struct stat st;
            const bool folderEntry = entry->d_type == DT_DIR
                || (entry->d_type == DT_UNKNOWN && lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode));
            if (folderEntry)
                addFilesOutside(path, images, files);
            else if (entry->d_type == DT_REG || (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)))
                files.insert(path);
        }
    }
    close(fd);
}

std::set<std::string> filesOutside(const std::string& home, const fs::path& images)
{
    std::string skip = images.lexically_normal().string();
    while (skip.size() > 1 && skip.back() == '/')
        skip.pop_back();
    std::set<std::string> files;
    addFilesOutside(home, skip, files);
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
    const std::set<std::string> before = filesOutside(home.path, images);

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
