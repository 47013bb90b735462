#include "plat/folders.h"

#include "plat/errors.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {
namespace {

constexpr const char* kAppFolder = "kvx-vantrel";

// An environment value usable as a base folder: set, non-empty and absolute.
std::string absoluteEnv(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/')
        return {};
    return value;
}

std::string homeFolder()
{
    std::string home = absoluteEnv("HOME");
    return home.empty() ? std::string("/tmp") : home;
}

void trimTrailingSlashes(std::string& path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
}

bool makeFolders(const std::string& path)
{
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/')
            continue;
        std::string part = path.substr(0, pos);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            vntSetLastErrorFromErrno(errno);
            return false;
        }
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

// Without XDG_RUNTIME_DIR, named objects go to a folder in /tmp that only this user may use;
// a folder there owned by someone else, or a link, is refused rather than trusted.
std::string privateTmpFolder(bool create)
{
    std::string path = "/tmp/" + std::string(kAppFolder) + "-" + std::to_string(getuid());
    if (!create)
        return path;
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        vntSetLastErrorFromErrno(errno);
        return {};
    }
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid()
        || (st.st_mode & 077) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return path;
}

} // namespace

std::string vantrelFolder(Folder kind, bool create)
{
    std::string path;
    std::string home = absoluteEnv("VANTREL_HOME");
    if (!home.empty()) {
        trimTrailingSlashes(home);
        static const char* const sub[] = {"config", "state", "runtime", "data"};
        path = (home == "/" ? std::string() : home) + "/" + sub[int(kind)];
    } else {
        switch (kind) {
        case Folder::Config:
            path = absoluteEnv("XDG_CONFIG_HOME");
            if (path.empty())
                path = homeFolder() + "/.config";
            break;
        case Folder::State:
            path = absoluteEnv("XDG_STATE_HOME");
            if (path.empty())
                path = homeFolder() + "/.local/state";
            break;
        case Folder::Data:
            path = absoluteEnv("XDG_DATA_HOME");
            if (path.empty())
                path = homeFolder() + "/.local/share";
            break;
        case Folder::Runtime:
            path = absoluteEnv("XDG_RUNTIME_DIR");
            if (path.empty())
                return privateTmpFolder(create);
            break;
        }
        trimTrailingSlashes(path);
        path = (path == "/" ? std::string() : path) + "/" + kAppFolder;
    }
    if (create && !makeFolders(path))
        return {};
    return path;
}

} // namespace plat
