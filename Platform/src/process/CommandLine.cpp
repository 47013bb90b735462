#include "CommandLine.h"

#include "plat/errors.h"

#include <cctype>

namespace plat {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

void appendLaterArguments(const std::string& text, size_t pos, std::vector<std::string>& args)
{
    const size_t end = text.size();
    for (;;) {
        while (pos < end && isBlank(text[pos]))
            ++pos;
        if (pos >= end)
            return;
        std::string arg;
        bool quoted = false;
        while (pos < end && (quoted || !isBlank(text[pos]))) {
            char c = text[pos];
            if (c == '\\') {
                size_t count = 0;
                while (pos < end && text[pos] == '\\') {
                    ++count;
                    ++pos;
                }
                if (pos < end && text[pos] == '"') {
                    arg.append(count / 2, '\\');
                    if (count % 2) {
                        arg += '"';
                        ++pos;
                    }
                } else {
                    arg.append(count, '\\');
                }
            } else if (c == '"') {
                if (quoted && pos + 1 < end && text[pos + 1] == '"') {
                    arg += '"';
                    pos += 2;
                } else {
                    quoted = !quoted;
                    ++pos;
                }
            } else {
                arg += c;
                ++pos;
            }
        }
        args.push_back(std::move(arg));
    }
}

} // namespace

std::vector<std::string> splitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> args;
    size_t pos = 0;
    while (pos < commandLine.size() && isBlank(commandLine[pos]))
        ++pos;
    if (pos >= commandLine.size())
        return args;
    size_t start = pos;
    if (commandLine[pos] == '"') {
        start = ++pos;
        while (pos < commandLine.size() && commandLine[pos] != '"')
            ++pos;
        args.push_back(commandLine.substr(start, pos - start));
        if (pos < commandLine.size())
            ++pos;
    } else {
        while (pos < commandLine.size() && !isBlank(commandLine[pos]))
            ++pos;
        args.push_back(commandLine.substr(start, pos - start));
    }
    appendLaterArguments(commandLine, pos, args);
    return args;
}

std::vector<std::string> splitArguments(const std::string& arguments)
{
    std::vector<std::string> args;
    appendLaterArguments(arguments, 0, args);
    return args;
}

bool toNativePath(std::string& path)
{
    for (char& c : path)
        if (c == '\\')
            c = '/';
    if (path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
}

} // namespace plat
