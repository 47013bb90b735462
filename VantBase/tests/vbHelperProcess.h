#pragma once

// A helper program of the test suite run as a second process: one command line in, one answer
// line out, over pipes.

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace vbtest {

class HelperProcess {
public:
    // program: a file name in the build's program folder; quitLine, when given, is sent before
    // the helper's end is awaited, so that it ends on its own.
    explicit HelperProcess(const char* program, const char* quitLine = nullptr) : m_quitLine(quitLine)
    {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            std::abort();
        const std::string path = std::string(VNT_BIN_DIR "/") + program;
        m_pid = fork();
        if (m_pid == 0) {
            dup2(toChild[0], 0);
            dup2(fromChild[1], 1);
            close(toChild[1]);
            close(fromChild[0]);
            execl(path.c_str(), program, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(toChild[0]);
        close(fromChild[1]);
        m_in = toChild[1];
        m_out = fromChild[0];
    }
    ~HelperProcess()
    {
        if (m_pid > 0 && m_quitLine)
            (*this)(m_quitLine);
        close(m_in);
        close(m_out);
        if (m_pid > 0)
            waitpid(m_pid, nullptr, 0);
    }
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    std::string operator()(const std::string& line)
    {
        const std::string text = line + "\n";
        if (write(m_in, text.data(), text.size()) != ssize_t(text.size()))
            return "write failed";
        std::string answer;
        char c;
        while (read(m_out, &c, 1) == 1 && c != '\n')
            answer += c;
        return answer;
    }

    void kill()
    {
        ::kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    // Sends a command that ends the helper and waits for the end.
    void end(const std::string& line)
    {
        const std::string text = line + "\n";
        if (write(m_in, text.data(), text.size()) == ssize_t(text.size()))
            waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    pid_t pid() const { return m_pid; }

private:
    const char* m_quitLine;
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
};

} // namespace vbtest
