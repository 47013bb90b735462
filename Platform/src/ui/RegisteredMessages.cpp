// Registered window messages and clipboard formats: one table per user, shared by every process
// through a file in the runtime folder. A name's number is 0xC000 plus its line in the file; the
// file only grows, under an exclusive flock, so every process reads the same numbers.

#include "RegisteredNames.h"

#include "plat/errors.h"
#include "plat/folders.h"
#include "plat/message.h"
#include "plat/window.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <unistd.h>

namespace plat::ui {

namespace {

constexpr UINT kFirstNumber = 0xC000;
constexpr size_t kMaxNames = 0x10000 - kFirstNumber;
constexpr size_t kMaxNameLength = 255;

std::string foldAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

// One line of the file: the name with '%' and line ends written as %25, %0A and %0D.
std::string escape(const std::string& name)
{
    std::string out;
    for (char c : name) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::string unescape(std::string_view line)
{
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '%' && line.size() - i >= 3) {
            std::string_view code = line.substr(i + 1, 2);
            if (code == "25" || code == "0A" || code == "0D") {
                out += code == "25" ? '%' : code == "0A" ? '\n' : '\r';
                i += 2;
                continue;
            }
        }
        out += line[i];
    }
    return out;
}

struct Cache {
    std::mutex mutex;
    std::map<std::string, std::map<std::string, UINT>> byFile; // file -> folded name -> number
};

Cache& cache()
{
    static Cache* c = new Cache;
    return *c;
}

bool readAll(int fd, std::string& out)
{
    out.clear();
    char buffer[8192];
    if (lseek(fd, 0, SEEK_SET) < 0)
        return false;
    for (;;) {
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, size_t(n));
    }
}

bool writeAll(int fd, const std::string& data)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += size_t(n);
    }
    return true;
}

} // namespace

std::vector<std::string> parseRegisteredNames(std::string_view content)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start < content.size() && names.size() < kMaxNames) {
        size_t end = content.find('\n', start);
        if (end == std::string_view::npos)
            end = content.size();
        names.push_back(unescape(content.substr(start, end - start)));
        start = end + 1;
    }
    return names;
}

UINT registerName(LPCSTR name)
{
    if (!name || IS_INTRESOURCE(name) || name[0] == '\0' || std::strlen(name) > kMaxNameLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const std::string key = foldAscii(name);
    const std::string folder = vantrelFolder(Folder::Runtime);
    if (folder.empty())
        return 0;
    const std::string path = folder + "/registered-messages";

    std::lock_guard lock(cache().mutex);
    auto& known = cache().byFile[path];
    if (auto it = known.find(key); it != known.end())
        return it->second;

    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        vntSetLastErrorFromErrno(errno);
        return 0;
    }
    struct Closer {
        int fd;
        ~Closer() { close(fd); } // also releases the lock
    } closer{fd};
    while (flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            vntSetLastErrorFromErrno(errno);
            return 0;
        }
    }
    std::string content;
    if (!readAll(fd, content)) {
        vntSetLastErrorFromErrno(errno);
        return 0;
    }
    std::vector<std::string> names = parseRegisteredNames(content);
    for (size_t i = 0; i < names.size(); ++i)
        known.emplace(foldAscii(names[i]), UINT(kFirstNumber + i));
    if (auto it = known.find(key); it != known.end())
        return it->second;
    if (names.size() >= kMaxNames) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    // A line cut short by a writer that died is closed first, so that it keeps its own number.
    std::string line = (!content.empty() && content.back() != '\n') ? "\n" : "";
    line += escape(name) + "\n";
    if (lseek(fd, 0, SEEK_END) < 0 || !writeAll(fd, line)) {
        vntSetLastErrorFromErrno(errno);
        return 0;
    }
    UINT number = UINT(kFirstNumber + names.size());
    known.emplace(key, number);
    return number;
}

} // namespace plat::ui

UINT RegisterWindowMessageA(LPCSTR lpString) { return plat::ui::registerName(lpString); }

UINT RegisterClipboardFormatA(LPCSTR lpszFormat) { return plat::ui::registerName(lpszFormat); }
