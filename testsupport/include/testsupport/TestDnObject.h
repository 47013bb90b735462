#pragma once

// A download object for tests: it records every call of the download interface with its
// arguments, and its answers (and any waiting, for a test that holds a worker inside a call)
// come from hooks the test sets. Only programs that link the base library include it.

#include "vbDnObject.h"

#include "plat/resource.h"

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace vnt::test {

inline constexpr GUID CLSID_TestDnObject = {0xAF3519E6, 0x3133, 0x4392, {0x81, 0xA6, 0x9C, 0xAF, 0x70, 0x63, 0x9B, 0x68}};

class TestDnObject : public vbTdnObject<vbObject> {
public:
    explicit TestDnObject(const vbString& url = vbString(), int64_t key = 0) : vbTdnObject(url, key) {}

    static const GUID& DnClassId() { return CLSID_TestDnObject; }

    // The answers; each hook may also block until the test lets it go on.
    struct Script {
        std::function<bool(vbDnData*, const char* name, const char* type, HINSTANCE)> loadFromRes;
        std::function<bool(vbDnData*, const vbString& path)> loadFromFile;
        std::function<void(vbDnData*, int64_t size)> loadingStart;
        std::function<bool(vbDnData*, const unsigned char*, ULONG)> loadingAddBuffer;
        std::function<void(vbDnData*, bool ok)> loadingEnd;
        std::function<void(vbDnData*, IvbOutputStream*)> writeToStream;
        std::function<void(bool bExplicit)> onBeforeDestruction;
        std::function<bool(vbDnData*, vbDnOp, const vbString& url)> doDnOp;
        const char* defaultResType = "DATA";
        DWORD memSize = 0;
    };
    Script script;

    // The calls so far, "name(arguments)".
    std::vector<std::string> Calls() const
    {
        std::lock_guard<std::mutex> lock(m_logLock);
        return m_calls;
    }
    // The bytes LoadingAddBuffer received.
    std::string Received() const
    {
        std::lock_guard<std::mutex> lock(m_logLock);
        return m_received;
    }

    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == CLSID_TestDnObject) {
            *ppv = this;
            return true;
        }
        return vbTdnObject::GetInterface(iid, ppv);
    }
    using vbTdnObject::GetInterface;

    const GUID& GetClsId() const override { return CLSID_TestDnObject; }
    DWORD GetMemSizeForCache() const override { return script.memSize; }
    bool LoadFromRes(vbDnData* data, const char* name, const char* type, HINSTANCE module) override
    {
        log("LoadFromRes(" + text(name) + "," + text(type) + ")");
        return script.loadFromRes && script.loadFromRes(data, name, type, module);
    }
    const char* GetDefaultResType() const override { return script.defaultResType; }
    bool LoadFromFile(vbDnData* data, const vbString& path) override
    {
        log("LoadFromFile(" + std::string(path.c_str()) + ")");
        return script.loadFromFile && script.loadFromFile(data, path);
    }
    void LoadingStart(vbDnData* data, int64_t size) override
    {
        log("LoadingStart(" + std::to_string(size) + ")");
        if (script.loadingStart)
            script.loadingStart(data, size);
    }
    bool LoadingAddBuffer(vbDnData* data, const unsigned char* bytes, ULONG length) override
    {
        log("LoadingAddBuffer(" + std::to_string(length) + ")");
        {
            std::lock_guard<std::mutex> lock(m_logLock);
            m_received.append(reinterpret_cast<const char*>(bytes), length);
        }
        return !script.loadingAddBuffer || script.loadingAddBuffer(data, bytes, length);
    }
    void LoadingEnd(vbDnData* data, bool ok) override
    {
        log("LoadingEnd(" + flag(ok) + ")");
        if (script.loadingEnd)
            script.loadingEnd(data, ok);
    }
    void WriteToStream(vbDnData* data, IvbOutputStream* out) override
    {
        log("WriteToStream()");
        if (!script.writeToStream)
            vbTdnObject::WriteToStream(data, out);
        else
            script.writeToStream(data, out);
    }
    bool DoDnOp(vbDnData* data, vbDnOp op, const vbString& url) override
    {
        log("DoDnOp(" + std::to_string(op) + "," + std::string(url.c_str()) + ")");
        return script.doDnOp && script.doDnOp(data, op, url);
    }
    void SetDnError(ULONG hr, const vbString& text) override
    {
        log("SetDnError(" + std::to_string(hr) + "," + std::string(text.c_str()) + ")");
        vbTdnObject::SetDnError(hr, text);
    }
    using vbTdnObject::SetDnError;
    void SetLoaded(bool ok, bool signal) override
    {
        log("SetLoaded(" + flag(ok) + "," + flag(signal) + ")");
        vbTdnObject::SetLoaded(ok, signal);
    }
    void SetWritten(bool ok, bool signal) override
    {
        log("SetWritten(" + flag(ok) + "," + flag(signal) + ")");
        vbTdnObject::SetWritten(ok, signal);
    }
    void WritingEnd(vbDnData* data, bool ok) override
    {
        log("WritingEnd(" + flag(ok) + ")");
        vbTdnObject::WritingEnd(data, ok);
    }
    void SetDnOpAsked(vbDnOp op) override
    {
        log("SetDnOpAsked(" + std::to_string(op) + ")");
        vbTdnObject::SetDnOpAsked(op);
    }
    bool TakeRetryLater(bool first) override
    {
        log("TakeRetryLater(" + flag(first) + ")");
        return vbTdnObject::TakeRetryLater(first);
    }
    bool TakeRetryNow() override
    {
        log("TakeRetryNow()");
        return vbTdnObject::TakeRetryNow();
    }
    void StopDnOp() override
    {
        log("StopDnOp()");
        vbTdnObject::StopDnOp();
    }
    void dnCenter_cache(sIvbDnCenter* center, int id) override
    {
        log("dnCenter_cache(" + std::string(center ? "center" : "null") + "," + std::to_string(id) + ")");
        vbTdnObject::dnCenter_cache(center, id);
    }
    bool dnCenter_tryDel(sIvbDnCenter* center, int id) override
    {
        log("dnCenter_tryDel(" + std::string(center ? "center" : "null") + "," + std::to_string(id) + ")");
        return vbTdnObject::dnCenter_tryDel(center, id);
    }
    void SetDnProto(IvbObject* proto) override
    {
        log(std::string("SetDnProto(") + (proto ? "proto" : "null") + ")");
        vbTdnObject::SetDnProto(proto);
    }
    void EndDnOp(bool take) override
    {
        log(std::string("EndDnOp(") + flag(take) + ")");
        vbTdnObject::EndDnOp(take);
    }
    // The built-in readers name themselves here.
    void DnReserved(int code, void* param) override
    {
        log("DnReserved(" + std::to_string(code) + "," + text(static_cast<const char*>(param)) + ")");
    }

protected:
    void onBeforeDestruction(bool bExplicit) override
    {
        log("onBeforeDestruction(" + flag(bExplicit) + ")");
        if (script.onBeforeDestruction)
            script.onBeforeDestruction(bExplicit);
    }
    void onDestruction(bool bExplicit) override
    {
        log("onDestruction(" + flag(bExplicit) + ")");
    }

private:
    static std::string flag(bool b) { return b ? "true" : "false"; }
    static std::string text(const char* p)
    {
        if (!p)
            return "null";
        if (IS_INTRESOURCE(p))
            return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(p));
        return p;
    }
    void log(const std::string& call)
    {
        std::lock_guard<std::mutex> lock(m_logLock);
        m_calls.push_back(call);
    }

    mutable std::mutex m_logLock;
    std::vector<std::string> m_calls;
    std::string m_received;
};

} // namespace vnt::test
