// Slots a stream, a streamable value or an exception class leaves unimplemented answer with the
// library's purecall error, also when a base's destructor is running, instead of ending the process.

#include "vbException.h"
#include "vbStream.h"
#include "vbTypesTestUtil.h"

#include <functional>
#include <string>
#include <vector>

using vbtypes::expectEsys;

namespace {

const char* const kPurecall = "VantBase: Object of called method is in destruction (purecall)";

// Implements none of the stream interfaces' slots.
struct BareFaces : sIvbStreamable,
                   IvbStreamMode,
                   IvbInputStream,
                   IvbOutputStream,
                   IvbSeekStream,
                   IvbLongSeekStream {};

class BareStream : public vbStream {};

class BareException : public vbEbase {
public:
    BareException() : vbEbase(E_FAIL) {}
};

TEST(vbStreamSlots, UnimplementedSlotsThrowPurecall)
{
    BareFaces faces;
    BareException exception;
    auto* stream = new BareStream;
    stream->Create();
    char byte = 0;
    const std::vector<std::pair<std::string, std::function<void()>>> rows = {
        {"ReadFromStream", [&] { static_cast<sIvbStreamable&>(faces).ReadFromStream(nullptr, &faces); }},
        {"GetFormat", [&] { static_cast<IvbStreamMode&>(faces).GetFormat(); }},
        {"Read", [&] { static_cast<IvbInputStream&>(faces).Read(&byte, 1, true); }},
        {"typed read over Read", [&] { static_cast<IvbInputStream&>(faces).ReadLong(); }},
        {"Write", [&] { static_cast<IvbOutputStream&>(faces).Write(&byte, 1, true); }},
        {"Seek", [&] { static_cast<IvbSeekStream&>(faces).Seek(0, vbSeekStart); }},
        {"LongSeek", [&] { static_cast<IvbLongSeekStream&>(faces).LongSeek(0, vbSeekEnd); }},
        {"vbStream::GetName", [&] { stream->GetName(); }},
        {"vbStream read face", [&] { static_cast<IvbInputStream*>(stream)->CanRead(); }},
        {"vbEbase::GetMBoxTitle", [&] { exception.GetMBoxTitle(); }},
    };
    for (const auto& [name, call] : rows) {
        SCOPED_TRACE(name);
        expectEsys(call, E_ABORT, kPurecall);
    }
    stream->Release();
}

// A stream class of one's own between vbStream and a concrete stream, reading through its input
// face while it is destroyed: the concrete stream's Read is gone by then.
struct DestructionLog {
    std::vector<std::string> caught;
};

class ReadingOnDestroy : public vbStream {
public:
    explicit ReadingOnDestroy(DestructionLog* log) : m_log(log) {}

protected:
    ~ReadingOnDestroy() override
    {
        IvbInputStream* in = this;
        char byte = 0;
        try {
            in->Read(&byte, 1, true);
            m_log->caught.push_back("no exception");
        } catch (vbEsys* e) {
            m_log->caught.push_back(std::to_string(static_cast<uint32_t>(e->GetRealHR())) + " " + e->GetMsg());
            e->Delete();
        }
    }

private:
    DestructionLog* m_log;
};

class OneByteStream : public ReadingOnDestroy {
public:
    using ReadingOnDestroy::ReadingOnDestroy;
    using vbStream::Read;
    bool CanRead() const override { return true; }
    DWORD Read(void* buffer, DWORD count, bool) override
    {
        if (count > 0)
            *static_cast<char*>(buffer) = 'x';
        return count > 0 ? 1 : 0;
    }
    vbString GetName() const override { return vbString("one byte"); }
};

TEST(vbStreamSlots, ReadDuringBaseDestructionThrowsCatchablePurecall)
{
    DestructionLog log;
    auto* s = new OneByteStream(&log);
    s->Create();
    EXPECT_EQ(static_cast<IvbInputStream*>(s)->ReadChar(), 'x');
    s->Release();
    EXPECT_EQ(log.caught, (std::vector<std::string>{std::to_string(0x80004004u) + " " + kPurecall}));
}

} // namespace
