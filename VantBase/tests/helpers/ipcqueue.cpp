// Another process on the shared queues and the inter-process message engine, driven line by line
// through stdin; every command answers one line on stdout ("ok ..." or "err <message>").
// A target is "-" (null), "1" or "2" (the special values), "@<expr>" (byte 0xA7 + expr) or an
// expression.
//
//   queue <heap> <qname>                  a queue of its own on the heap   -> ok <pid>
//   post <target> <id> <v1> <v2> [text]   through the queue (text: byte form) -> ok <count>
//   peek                                  takes the next message -> ok <id> <v1> <v2> <text or ->, or ok none
//   clean                                 -> ok <freed>
//   check                                 -> ok <findings>
//   engine <qname>                        starts the message engine under that queue name, with
//                                         callbacks on "KVX Test value message" and "KVX Test data
//                                         message"; "KVX Bench ping" is answered by "KVX Bench pong"
//                                         to every other process, its data sent back  -> ok
//   got <n>                               waits (10 s at most) for n deliveries -> ok <d1>;<d2>...
//   epost <target> <value|data> <v1> <v2> [text]   through the engine   -> ok <count>
//   msgwnd <major>                        a message window on that system version -> ok <message-only> <exstyle>
//   exit                                  ends at once, cleaning nothing up
//   quit                                  ends normally

#include "vbException.h"
#include "vbMsgWnd.h"
#include "vbSharedQueue.h"
#include "vbVantMsgEngine.h"

#include "plat/testhooks.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::string targetOf(const std::string& t)
{
    if (!t.empty() && t[0] == '@')
        return "\xA7" + t.substr(1);
    return t;
}

const char* targetPtr(const std::string& raw, const std::string& text)
{
    if (raw == "-")
        return nullptr;
    if (raw == "1")
        return vbSharedQueue::kSelf;
    if (raw == "2")
        return vbSharedQueue::kAll;
    return text.c_str();
}

std::string rest(std::istringstream& in)
{
    std::string text;
    in >> std::ws;
    std::getline(in, text);
    return text;
}

std::string blockText(vbSharedMem* block)
{
    if (!block)
        return "-";
    vbMemLock ml(block);
    return std::string(static_cast<const char*>(static_cast<void*>(ml)));
}

vbExtraMsg g_valueMsg("KVX Test value message");
vbExtraDataMsg g_dataMsg("KVX Test data message");
vbExtraDataMsg g_pingMsg("KVX Bench ping");
vbExtraDataMsg g_pongMsg("KVX Bench pong");

class Receiver : public vbBase {
public:
    void onValue(vbVantMsgCb&, DWORD v1, DWORD v2) { add("value " + std::to_string(v1) + " " + std::to_string(v2)); }
    void onData(vbVantDataCb&, vbSharedMem* block, DWORD v1, DWORD v2)
    {
        add("data " + std::to_string(v1) + " " + std::to_string(v2) + " " + blockText(block));
    }
    void onPing(vbVantDataCb&, vbSharedMem* block, DWORD v1, DWORD v2)
    {
        if (block)
            g_vbVantMsgEngine.Post(nullptr, g_pongMsg, block, v1, v2);
        else
            g_vbVantMsgEngine.Post(nullptr, g_pongMsg, static_cast<vbSharedMem*>(nullptr), v1, v2);
    }
    void add(const std::string& s)
    {
        std::lock_guard<std::mutex> lock(m);
        seen.push_back(s);
    }
    std::string take(size_t n)
    {
        for (int i = 0; i < 1000; ++i) {
            {
                std::lock_guard<std::mutex> lock(m);
                if (seen.size() >= n)
                    break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::lock_guard<std::mutex> lock(m);
        std::string out;
        for (size_t i = 0; i < seen.size() && i < n; ++i)
            out += (i ? ";" : "") + seen[i];
        seen.erase(seen.begin(), seen.begin() + std::ptrdiff_t(std::min(n, seen.size())));
        return out;
    }
    std::mutex m;
    std::vector<std::string> seen;
};

class ProbeWnd : public vbMsgWnd {
public:
    using vbMsgWnd::vbMsgWnd;
    BOOL PreCreateWindow(CREATESTRUCTA& cs) override
    {
        const BOOL ok = vbMsgWnd::PreCreateWindow(cs);
        parent = cs.hwndParent;
        exStyle = cs.dwExStyle;
        return ok;
    }
    HWND parent = nullptr;
    DWORD exStyle = 0;
};

} // namespace

int main()
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    vbSharedQueue* queue = nullptr;
    vbUseEngineCenter* use = nullptr;
    Receiver receiver;
    vbVantMsgCb* valueCb = nullptr;
    vbVantDataCb* dataCb = nullptr;
    vbVantDataCb* pingCb = nullptr;
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string cmd;
        in >> cmd;
        std::ostringstream out;
        try {
            if (cmd == "queue") {
                std::string heap, qname;
                in >> heap >> qname;
                queue = new vbSharedQueue(0x40000, heap.c_str(), false, 0x80000, 64, 16384);
                queue->SetQueueName(qname.c_str());
                queue->Create();
                out << "ok " << queue->GetProcessId();
            } else if (cmd == "post" || cmd == "epost") {
                std::string raw, kind = "value";
                unsigned long id = 0, v1 = 0, v2 = 0;
                in >> raw;
                if (cmd == "post")
                    in >> id;
                else
                    in >> kind;
                in >> v1 >> v2;
                const std::string text = rest(in);
                const std::string t = targetOf(raw);
                const char* target = targetPtr(raw, t);
                int n = 0;
                if (cmd == "post")
                    n = text.empty() ? queue->Post(target, ULONG(id), ULONG(v1), ULONG(v2))
                                     : queue->Post(target, ULONG(id), text.c_str(), int(text.size() + 1), ULONG(v1), ULONG(v2));
                else if (kind == "value")
                    n = g_vbVantMsgEngine.Post(target, g_valueMsg, DWORD(v1), DWORD(v2));
                else
                    n = g_vbVantMsgEngine.Post(target, g_dataMsg, text.c_str(), int(text.size() + 1), DWORD(v1), DWORD(v2));
                out << "ok " << n;
            } else if (cmd == "peek") {
                ULONG id = 0, v1 = 0, v2 = 0;
                vbSharedMemPtr data;
                if (queue->Peek(&id, &data, &v1, &v2, true))
                    out << "ok " << id << ' ' << v1 << ' ' << v2 << ' ' << blockText(data.Get());
                else
                    out << "ok none";
            } else if (cmd == "clean") {
                out << "ok " << queue->CleanQlist();
            } else if (cmd == "check") {
                out << "ok " << queue->Check();
            } else if (cmd == "engine") {
                std::string qname;
                in >> qname;
                use = new vbUseEngineCenter(&g_vbEngineCenter, false);
                g_vbVantMsgEngine.SetQueueName(qname.c_str());
                valueCb = new vbVantMsgCb(&g_valueMsg, vbVANTMSGCB(&receiver, &Receiver::onValue), true);
                dataCb = new vbVantDataCb(0, &g_dataMsg, vbVANTDATACB(&receiver, &Receiver::onData), true);
                pingCb = new vbVantDataCb(0, &g_pingMsg, vbVANTDATACB(&receiver, &Receiver::onPing), true);
                out << "ok";
            } else if (cmd == "got") {
                size_t n = 0;
                in >> n;
                out << "ok " << receiver.take(n);
            } else if (cmd == "msgwnd") {
                DWORD major = 0;
                in >> major;
                vntTestSetOsMajorVersion(major);
                vbUseEngineCenter local(&g_vbEngineCenter, false);
                ProbeWnd wnd("probe", vbMSGWNDCB());
                wnd.Create();
                out << "ok " << (wnd.parent == HWND_MESSAGE ? 1 : 0) << ' ' << wnd.exStyle;
            } else if (cmd == "exit") {
                _exit(0);
            } else if (cmd == "quit") {
                break;
            } else {
                out << "err unknown command";
            }
        } catch (CException* e) {
            char text[512] = {};
            e->GetErrorMessage(text, sizeof text);
            out.str("");
            out << "err " << text;
            e->Delete();
        }
        std::cout << out.str() << std::endl;
    }
    delete pingCb;
    delete dataCb;
    delete valueCb;
    delete use;
    if (queue)
        queue->Release();
    return 0;
}
