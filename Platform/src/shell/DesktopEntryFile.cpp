#include "shell/DesktopEntryFile.h"

#include "kernel/FileObject.h"

#include "plat/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::shell {

namespace {

HRESULT errnoResult(int err) { return HRESULT_FROM_WIN32(vntWin32ErrorFromErrno(err)); }

} // namespace

std::string trimmed(const std::string& s)
{
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

std::string keyOf(const std::string& line, std::string* value)
{
    size_t eq = line.find('=');
    if (eq == std::string::npos || line[0] == '#')
        return {};
    if (value) {
        *value = line.substr(eq + 1);
        value->erase(0, value->find_first_not_of(" \t"));
    }
    return trimmed(line.substr(0, eq));
}

bool isGroupLine(const std::string& line) { return !line.empty() && line[0] == '['; }

bool readEntryFile(const std::string& path, std::string& text, HRESULT& hr)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        hr = err == ENOENT ? HRESULT_FROM_WIN32(setMissingError(path)) : errnoResult(err);
        return false;
    }
    struct stat st;
    hr = S_OK;
    if (::fstat(fd, &st) != 0)
        hr = errnoResult(errno);
    else if (S_ISDIR(st.st_mode))
        hr = HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    char buffer[8192];
    while (hr == S_OK) {
        ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            hr = errnoResult(errno);
        else if (got == 0)
            break;
        else if (text.size() + size_t(got) > kMaxEntryFileBytes)
            hr = E_FAIL;
        else
            text.append(buffer, size_t(got));
    }
    ::close(fd);
    if (hr == S_OK && text.find('\0') != std::string::npos)
        hr = E_FAIL;
    return hr == S_OK;
}

std::vector<std::string> entryLines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        // Every "\r" before the "\n" belongs to the line end: a copy is written with "\n"
        // alone, and must read back the same lines (and so the same entry group).
        std::string line = text.substr(pos, end - pos);
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

HRESULT replaceTextFile(const std::string& path, const std::string& text)
{
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty())
        return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
    struct stat st;
    mode_t mode = 0644;
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        mode = st.st_mode & 07777;
    }
    std::string temp = folder + "/." + name + ".XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        int err = errno;
        return err == ENOENT ? HRESULT_FROM_WIN32(setMissingError(path)) : errnoResult(err);
    }
    HRESULT hr = S_OK;
    for (size_t done = 0; hr == S_OK && done < text.size();) {
        ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno != EINTR)
            hr = errnoResult(errno);
        else if (put > 0)
            done += size_t(put);
    }
    if (hr == S_OK && (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0))
        hr = errnoResult(errno);
    if (::close(fd) != 0 && hr == S_OK)
        hr = errnoResult(errno);
    if (hr == S_OK && ::rename(temp.c_str(), path.c_str()) != 0)
        hr = errnoResult(errno);
    if (hr != S_OK)
        ::unlink(temp.c_str());
    return hr;
}

} // namespace plat::shell
