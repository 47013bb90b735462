#pragma once

// Protocol pieces for the download tests: a reader without seek faces whose reads may fail, a
// protocol whose streams the test makes, and a recording object served by its own protocol.

#include "vbDnObject.h"
#include "vbDnPlugin.h"
#include "vbMemoryStream.h"

#include "testsupport/TestDnObject.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

namespace vbdntest {

using vnt::test::TestDnObject;
using InStream = vbRefPtr<IvbInputStream, &IID_IvbInputStream>;
using OutStream = vbRefPtr<IvbOutputStream, &IID_IvbOutputStream>;

// A reader with no seek faces whose reads can be made to fail.
class PlainReader : public vbObject, public IvbInputStream {
public:
    explicit PlainReader(std::string content, int failAtRead = 0) : m_content(std::move(content)), m_failAt(failAtRead) {}
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbInputStream) {
            *ppv = static_cast<IvbInputStream*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    DWORD Read(void* buffer, DWORD count, bool) override
    {
        if (++m_reads == m_failAt)
            throw new vbEdn(vbString("read failure"));
        const size_t n = std::min<size_t>(count, m_content.size() - m_pos);
        std::memcpy(buffer, m_content.data() + m_pos, n);
        m_pos += n;
        return static_cast<DWORD>(n);
    }

private:
    std::string m_content;
    size_t m_pos = 0;
    int m_failAt;
    int m_reads = 0;
};

// A protocol that hands out what the test makes, or throws what the test throws.
class ScriptProto : public vbObject, public IvbDnPlugProto {
public:
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDnPlugProto) {
            *ppv = static_cast<IvbDnPlugProto*>(this);
            return true;
        }
        return vbObject::GetInterface(iid, ppv);
    }
    bool CanWorkWithProto(vbDnData*, IvbDnObject*, const vbString& name) override
    {
        return name == "mem.r" || name == "mem.w";
    }
    void askClose() override { ++closes; }
    bool ReadUrl(vbDnData* data, IvbDnObject*, InStream* stream) override
    {
        ++opens;
        reader(data, stream);
        return false;
    }
    bool WriteUrl(vbDnData*, IvbDnObject*, OutStream* stream) override
    {
        ++opens;
        written.Release();
        vbMemoryStream::CreateObject(&written);
        *stream = static_cast<IvbOutputStream*>(written.Get());
        return false;
    }

    std::function<void(vbDnData*, InStream*)> reader;
    vbRefPtr<vbMemoryStream, &IID_vbMemoryStream> written;
    int opens = 0;
    std::atomic<int> closes{0};
};

// A recording object that serves its URLs through its own protocol.
class OwnProtoObject : public TestDnObject, public IvbDnObjectProto {
public:
    using TestDnObject::TestDnObject;
    VB_OBJECT_FACE(vbObject)
    bool GetInterface(const GUID& iid, void** ppv) override
    {
        if (iid == IID_IvbDnObjectProto) {
            *ppv = static_cast<IvbDnObjectProto*>(this);
            return true;
        }
        return TestDnObject::GetInterface(iid, ppv);
    }
    bool GetDnProto(vbDnOp, const vbString&, vbDnProtoPtr* out) override
    {
        *out = static_cast<IvbDnPlugProto*>(proto);
        return true;
    }
    bool IsWritable() const override { return writable; }
    ScriptProto* proto = nullptr;
    bool writable = false;
};

template <class T = TestDnObject>
T* created(T* o)
{
    o->Create();
    return o;
}

// A reader handed out as a protocol's stream.
inline void giveReader(InStream* stream, std::string content, int failAtRead = 0)
{
    auto* r = created(new PlainReader(std::move(content), failAtRead));
    *stream = r;
    r->Release();
}

// Waits (a bounded real time) until cond holds.
template <class F>
bool eventually(F cond, std::chrono::milliseconds limit = std::chrono::seconds(20))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::yield();
    }
    return true;
}

} // namespace vbdntest
