// A "Socket" plug-in for the socket tests: non-blocking TCP sockets on 127.0.0.1, events on
// eventfd, waits on poll. It serves "default", "loop", "a" and "a.b" (a test registers the names
// it wants); GetHostName answers "host of <name>", so that a test sees which object serves.
// Errors are codes (errno values), never exceptions.

#include "vbHotPlugin.h"
#include "vbObjectFace.h"
#include "vbSocket.h"
#include "vbSocketItf.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

namespace {

extern vbHotPlugFactory g_factory;

// Counts itself in the factory while it lives: the module stays while any object does.
class Counted {
public:
    Counted() { g_factory.IncObjCnt(); }
    ~Counted() { g_factory.DecObjCnt(); }
};

int newEventFd() { return eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }
void signalFd(int fd)
{
    const uint64_t one = 1;
    (void)!write(fd, &one, sizeof one);
}
void drainFd(int fd)
{
    uint64_t value = 0;
    (void)!read(fd, &value, sizeof value);
}

class TestEv : public vbObject, public IvbSocketEv, private Counted {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbSocketEv) {
            *ppv = static_cast<IvbSocketEv*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    void Set() override { signalFd(m_fd); }
    void Reset() override { drainFd(m_fd); }
    bool IsSet() override
    {
        pollfd p{m_fd, POLLIN, 0};
        return poll(&p, 1, 0) > 0;
    }
    int Fd() const { return m_fd; }

protected:
    ~TestEv() override { close(m_fd); }

private:
    int m_fd = newEventFd();
};

int fdOf(IvbSocketEv* ev) { return static_cast<TestEv*>(ev)->Fd(); }

// Polls fds (the first one for events, the others for input); the index of the first ready one,
// -1 on time-out.
int waitFds(std::vector<pollfd>& fds, int timeOutMs)
{
    for (;;) {
        const int n = poll(fds.data(), fds.size(), timeOutMs < 0 ? -1 : timeOutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return -1;
        for (size_t i = 0; i < fds.size(); ++i)
            if (fds[i].revents)
                return int(i);
        return -1;
    }
}

vbString addressText(const sockaddr_in& a, vbString* port)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    if (port)
        *port = vbString(int(ntohs(a.sin_port)));
    return text;
}

sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

class TestSock : public vbObject, public IvbSocket, private Counted {
public:
    // connecting: the first writable moment is the connect event.
    TestSock(int fd, bool listening, bool connecting) : m_fd(fd), m_listening(listening), m_connecting(connecting) { }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbSocket) {
            *ppv = static_cast<IvbSocket*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    bool GetEvents(bool) override
    {
        m_connectEv = m_acceptEv = m_readEv = m_closeEv = false;
        m_connectErr = m_closeErr = 0;
        pollfd p{m_fd, short(POLLIN | (m_connecting ? POLLOUT : 0)), 0};
        if (m_closed || poll(&p, 1, 0) <= 0)
            return false;
        if (m_listening) {
            // Told once per waiting connection, as a listening socket is told again only after
            // an accept.
            m_acceptEv = (p.revents & POLLIN) != 0 && m_acceptArmed.exchange(false);
        } else if (m_connecting && (p.revents & (POLLOUT | POLLERR | POLLHUP))) {
            m_connecting = false;
            m_connectEv = true;
            socklen_t len = sizeof m_connectErr;
            getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &m_connectErr, &len);
            if (m_connectErr)
                return true;
        }
        if (!m_listening && (p.revents & (POLLIN | POLLHUP | POLLERR))) {
            if (GetReadSize() > 0)
                m_readEv = true;
            else if (!m_connectEv || (p.revents & POLLIN))
                m_closeEv = true;
        }
        return m_connectEv || m_acceptEv || m_readEv || m_closeEv;
    }
    bool IsConnectEv() override { return m_connectEv; }
    LONG GetConnectErr() override { return m_connectErr; }
    bool IsAcceptEv() override { return m_acceptEv; }
    LONG GetAcceptErr() override { return 0; }
    bool IsCloseEv() override { return m_closeEv; }
    LONG GetCloseErr() override { return m_closeErr; }
    bool IsReadEv() override { return m_readEv; }
    LONG GetReadErr() override { return 0; }
    bool IsWriteEv() override { return false; }
    LONG GetWriteErr() override { return 0; }
    LONG GetReadSize() override
    {
        int n = 0;
        return ioctl(m_fd, FIONREAD, &n) == 0 ? LONG(n) : 0;
    }
    LONG Recv(void* buffer, LONG length, int) override
    {
        const ssize_t n = recv(m_fd, buffer, size_t(length), MSG_DONTWAIT);
        return n > 0 ? LONG(n) : 0;
    }
    LONG Send(const void* data, LONG length, int) override
    {
        const ssize_t n = send(m_fd, data, size_t(length), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n >= 0)
            return LONG(n);
        // Would block: the caller waits; a broken connection takes the bytes and drops them.
        return errno == EAGAIN || errno == EWOULDBLOCK ? -1 : length;
    }
    // Without events: until the socket can be written; else until input or an event.
    int Wait(IvbSocketEv* const* events, int count, int, int timeOutMs, int) override
    {
        short watched = short(count == 0 ? POLLOUT : POLLIN | (m_connecting ? POLLOUT : 0));
        if (m_listening && !m_acceptArmed)
            watched = 0;
        std::vector<pollfd> fds{{m_fd, watched, 0}};
        fds.push_back({m_wake, POLLIN, 0});
        for (int i = 0; i < count; ++i)
            if (events[i])
                fds.push_back({fdOf(events[i]), POLLIN, 0});
        const int ready = waitFds(fds, timeOutMs);
        if (ready == 1 && !m_closed)
            drainFd(m_wake);
        return ready < 0 ? -1 : 0;
    }
    vbString GetPeerIP(vbString* port) override
    {
        sockaddr_in a{};
        socklen_t len = sizeof a;
        getpeername(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        return addressText(a, port);
    }
    vbString GetSockIP(vbString* port) override
    {
        sockaddr_in a{};
        socklen_t len = sizeof a;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
        return addressText(a, port);
    }
    // The descriptor stays open until the object goes, so that a wait on another thread never
    // polls a number reused meanwhile.
    void Close() override
    {
        if (m_closed.exchange(true))
            return;
        shutdown(m_fd, SHUT_RDWR);
        signalFd(m_wake);
    }
    bool IsOpen() override { return !m_closed; }
    int Fd() const { return m_fd; }
    // A connection was accepted: the next one is told again.
    void Rearm()
    {
        m_acceptArmed = true;
        signalFd(m_wake);
    }

protected:
    ~TestSock() override
    {
        close(m_fd);
        close(m_wake);
    }

private:
    int m_fd;
    int m_wake = newEventFd();
    bool m_listening;
    bool m_connecting;
    std::atomic<bool> m_closed{false};
    std::atomic<bool> m_acceptArmed{true};
    bool m_connectEv = false, m_acceptEv = false, m_readEv = false, m_closeEv = false;
    int m_connectErr = 0;
    LONG m_closeErr = 0;
};

class TestPlug : public vbObject, public IvbSocketPlug, private Counted {
public:
    explicit TestPlug(const char* name) : m_name(name) { }

    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbSocketPlug) {
            *ppv = static_cast<IvbSocketPlug*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }

    vbString GetHostName() override { return "host of " + m_name; }
    vbString GetHostNameByAddr(const vbString&, bool) override { return "localhost"; }
    vbString GetHostAddrByName(const vbString&, bool) override { return "127.0.0.1"; }
    int GetHostNameByAddr(const vbString& addr, vbArray<vbString, 1, 1>* names, bool b) override
    {
        names->Add(GetHostNameByAddr(addr, b));
        return 1;
    }
    int GetHostAddrByName(const vbString& name, vbArray<vbString, 1, 1>* addrs, bool b) override
    {
        addrs->Add(GetHostAddrByName(name, b));
        return 1;
    }
    void CreateEv(vbSocketEvPtr* out, int) override
    {
        auto* ev = new TestEv;
        ev->Create();
        *out = static_cast<IvbSocketEv*>(ev);
        ev->Release();
    }
    int Wait(IvbSocketEv* const* events, int count, int, int timeOutMs, int) override
    {
        std::vector<pollfd> fds{{m_abort, POLLIN, 0}};
        for (int i = 0; i < count; ++i)
            if (events[i])
                fds.push_back({fdOf(events[i]), POLLIN, 0});
        const int ready = waitFds(fds, timeOutMs);
        return ready > 0 ? ready : 0;
    }
    vbString GetName() override { return m_name; }
    bool CanServePort(const vbString&) override { return true; }
    LONG Connect(IvbSocketEv*, const vbString&, vbString& port, vbSocketPtr* out) override
    {
        const int number = vbSocketGetPort(port, nullptr, false);
        if (number < 0)
            return EINVAL;
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const sockaddr_in a = loopback(number);
        if (connect(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
            const int error = errno;
            close(fd);
            return error;
        }
        return hand(new TestSock(fd, false, true), out);
    }
    // The text after the last "." is the port; 0 lets the system choose, and the text says which.
    LONG Listen(IvbSocketEv*, vbString& port, const vbString&, vbSocketPtr* out) override
    {
        const std::string text = port.c_str();
        const size_t dot = text.rfind('.');
        const std::string prefix = dot == std::string::npos ? std::string() : text.substr(0, dot + 1);
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a = loopback(std::atoi(text.c_str() + prefix.size()));
        socklen_t len = sizeof a;
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 8) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            const int error = errno;
            close(fd);
            return error;
        }
        port = vbString((prefix + std::to_string(ntohs(a.sin_port))).c_str());
        return hand(new TestSock(fd, true, false), out);
    }
    LONG Accept(IvbSocketEv*, IvbSocket* listening, vbSocketPtr* out, int) override
    {
        auto* listener = static_cast<TestSock*>(listening);
        const int fd = accept4(listener->Fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        const int error = errno;
        listener->Rearm();
        if (fd < 0)
            return error;
        // An accepted connection is connected at once: its first writable moment reports it.
        return hand(new TestSock(fd, false, true), out);
    }
    void Abort() override { signalFd(m_abort); }

protected:
    ~TestPlug() override { close(m_abort); }

private:
    static LONG hand(TestSock* sock, vbSocketPtr* out)
    {
        sock->Create();
        *out = static_cast<IvbSocket*>(sock);
        sock->Release();
        return 0;
    }

    vbString m_name;
    int m_abort = newEventFd();
};

void create(vbHotPlugFactory*, IvbHotPlugin*, const char* name, LONG, vbHotPlugObjectPtr* out)
{
    auto* plug = new TestPlug(name);
    plug->Create();
    *out = static_cast<IvbSocketPlug*>(plug);
    plug->Release();
}

const vbHotPlugFactoryList kObjects[] = {
    {"default", create, 10, 0},
    {"loop", create, 10, 0},
    {"a", create, 10, 0},
    {"a.b", create, 10, 0},
    {nullptr, nullptr, 0, 0},
};

const GUID kModuleId = VNT_GUID(0x6C1F3A52, 0x0B7E, 0x4D29, 0x9A, 0x43, 0x1E, 0x85, 0xC0, 0x7D, 0x26, 0xB9);
vbHotPlugFactory g_factory(&g_vbSocketPlugType, kModuleId, "Socket test plug-in", kObjects, 0);

} // namespace

VB_HOTPLUG_EXPORTS(Socket, g_factory)
VB_HOTPLUG_REGISTRATION(g_factory)
