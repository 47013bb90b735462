#pragma once

// The real program, started by a test as a user starts it: the program built beside the test
// program, in the test's own VANTREL_HOME, on the headless screen, its standard output and error
// written to a file of that home. The test waits for its end with a time-out, never a fixed sleep.

#include "plat/file.h"
#include "plat/handles.h"
#include "plat/process.h"
#include "plat/registry.h"
#include "plat/sync.h"

#include "testsupport/TestHome.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace pic::test {

class ProgramRun {
public:
    static constexpr std::chrono::milliseconds kExitTimeout{30000};

    // directory: the program's working folder (the test's home when empty).
    explicit ProgramRun(const std::vector<std::string>& args, std::filesystem::path directory = {})
    {
        static int runs = 0;
        const std::filesystem::path home = vnt::test::testHome();
        m_outputPath = home / ("program-" + std::to_string(++runs) + ".out");
        if (directory.empty())
            directory = home;
        HANDLE output = CreateFileA(m_outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (output == INVALID_HANDLE_VALUE) {
            ADD_FAILURE() << "cannot make " << m_outputPath;
            return;
        }
        std::string commandLine = quoted(program());
        for (const std::string& arg : args)
            commandLine += " " + quoted(arg);
        const std::string environment = environmentBlock(home);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = output;
        PROCESS_INFORMATION info{};
        if (CreateProcessA(program().c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                const_cast<char*>(environment.data()), directory.c_str(), &startup, &info)) {
            m_process = info.hProcess;
            m_pid = info.dwProcessId;
            CloseHandle(info.hThread);
        } else {
            ADD_FAILURE() << "the program did not start (error " << GetLastError() << "): " << commandLine;
        }
        CloseHandle(output);
    }
    ~ProgramRun()
    {
        if (!m_process)
            return;
        if (!ended())
            kill();
        CloseHandle(m_process);
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    static std::string program() { return VNT_BIN_DIR "/PicFlorvane"; }

    bool started() const { return m_process != nullptr; }
    DWORD pid() const { return m_pid; }

    // Whether it has ended; never waits.
    bool ended() const { return !m_process || WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0; }

    // Its exit status (128 + the signal after a signal). A program still running after timeout is
    // killed, the test fails and -1 is answered.
    int waitExit(std::chrono::milliseconds timeout = kExitTimeout)
    {
        if (!m_process)
            return -1;
        if (!waitEnd(timeout)) {
            kill();
            ADD_FAILURE() << "the program did not end within " << timeout.count() << " ms; its output:\n" << output();
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(m_process, &code);
        return int(code);
    }

    // Ends it at once, as a crash would, and waits for its end.
    void kill()
    {
        if (ended())
            return;
        ::kill(pid_t(m_pid), SIGKILL);
        if (!waitEnd(kExitTimeout))
            ADD_FAILURE() << "the program outlived SIGKILL";
    }

    // What it wrote to its standard output and error so far.
    std::string output() const
    {
        std::ifstream in(m_outputPath, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    // Polled in real time: a test may hold the platform's clock still.
    bool waitEnd(std::chrono::milliseconds timeout) const
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!ended()) {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // An argument as the command line's splitting gives it back.
    static std::string quoted(const std::string& arg)
    {
        if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
            return arg;
        std::string out = "\"";
        size_t slashes = 0;
        for (char c : arg) {
            if (c == '\\') {
                ++slashes;
                continue;
            }
            out.append(c == '"' ? 2 * slashes + 1 : slashes, '\\');
            slashes = 0;
            out += c;
        }
        out.append(2 * slashes, '\\');
        return out + "\"";
    }

    // This process's environment with the test's home and the headless screen.
    static std::string environmentBlock(const std::filesystem::path& home)
    {
        std::string block;
        for (char** entry = environ; *entry; ++entry)
            if (std::strncmp(*entry, "VANTREL_HOME=", 13) != 0 && std::strncmp(*entry, "VANTREL_HEADLESS=", 17) != 0)
                block += std::string(*entry) + '\0';
        block += "VANTREL_HOME=" + home.string() + '\0';
        block += std::string("VANTREL_HEADLESS=1") + '\0';
        return block + '\0';
    }

    std::filesystem::path m_outputPath;
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

// This process lets go of the home's registry files, so that the programs a test starts are the
// only ones that have them open; its next registry call opens them again.
inline void leaveRegistryFiles()
{
    const std::filesystem::path home = vnt::test::testHome();
    std::filesystem::create_directories(home / "away");
    setenv("VANTREL_HOME", (home / "away").c_str(), 1);
    HKEY probe = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &probe) == ERROR_SUCCESS)
        RegCloseKey(probe);
    setenv("VANTREL_HOME", home.c_str(), 1);
}

} // namespace pic::test
