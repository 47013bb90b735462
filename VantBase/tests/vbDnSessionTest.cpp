#include "vbDnObject.h"
#include "vbEngine.h"
#include "vbDnPlugin.h"
#include "vbMemoryStream.h"

#include "testsupport/TestDnObject.h"
#include "testsupport/TestHome.h"
#include "vbDnTestProto.h"
#include "vbExpectThrown.h"

#include "plat/errors.h"
#include "plat/module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace vbdntest;

namespace {

// The sessions ask the "DnCenter" plug type about protocol names: the engines are in use.
class vbDnSessions : public ::testing::Test {
protected:
    vbUseEngineCenter m_use{&g_vbEngineCenter, true};
};

bool run(vbDnSession& s, IvbDnObject* o, const vbString& url, vbDnOp op = vbDnLoad)
{
    vbDnData root(nullptr, &s);
    return s.DoDnOp(&root, op, url, o);
}

std::string errorOf(const TestDnObject* o, ULONG* hr = nullptr)
{
    ULONG code = 0;
    vbString text;
    o->GetError(code, text);
    if (hr)
        *hr = code;
    return text.c_str();
}

// The content calls only, in order.
std::vector<std::string> loading(const TestDnObject* o)
{
    std::vector<std::string> out;
    for (const std::string& c : o->Calls())
        if (c.rfind("Loading", 0) == 0 || c.rfind("LoadFrom", 0) == 0)
            out.push_back(c);
    return out;
}

bool called(const TestDnObject* o, const std::string& call)
{
    const std::vector<std::string> calls = o->Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

std::string writeFile(const char* name, size_t size)
{
    const std::string path = (vnt::test::testHome() / name).string();
    std::ofstream(path, std::ios::binary) << std::string(size, 'z');
    return path;
}

TEST_F(vbDnSessions, FilesArriveInChunksAndTheObjectHearsTheEnd)
{
    struct Row {
        size_t size;
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {16385, {"LoadFromFile", "LoadingStart(16385)", "LoadingAddBuffer(8192)", "LoadingAddBuffer(8192)",
                    "LoadingAddBuffer(1)", "LoadingEnd(true)"}},
        {0, {"LoadFromFile", "LoadingStart(0)", "LoadingEnd(true)"}},
    };
    for (const Row& row : rows) {
        const std::string path = writeFile("f.bin", row.size);
        vbDnSession s;
        auto* o = created(new TestDnObject);
        EXPECT_TRUE(run(s, o, path.c_str()));
        std::vector<std::string> calls = loading(o);
        calls[0] = calls[0].substr(0, calls[0].find('('));
        EXPECT_EQ(calls, row.calls) << row.size;
        EXPECT_EQ(o->Received(), std::string(row.size, 'z'));
        EXPECT_TRUE(called(o, "DnReserved(0,KVX VantBase Builtin file downloader)"));
        o->Release();
    }
}

TEST_F(vbDnSessions, TheObjectMayEndTheLoadOrReadTheFileItself)
{
    const std::string path = writeFile("f.bin", 20000);
    vbDnSession s;
    auto* stops = created(new TestDnObject);
    stops->script.loadingAddBuffer = [](vbDnData*, const unsigned char*, ULONG) { return false; };
    EXPECT_TRUE(run(s, stops, path.c_str()));
    EXPECT_EQ(loading(stops).back(), "LoadingEnd(true)");
    EXPECT_EQ(stops->Received().size(), 8192u);

    auto* reads = created(new TestDnObject);
    reads->script.loadFromFile = [](vbDnData*, const vbString&) { return true; };
    EXPECT_TRUE(run(s, reads, ("file:" + path).c_str()));
    EXPECT_EQ(loading(reads), std::vector<std::string>{"LoadFromFile(" + path + ")"});
    stops->Release();
    reads->Release();
}

TEST_F(vbDnSessions, InlineDataAndObjectCommands)
{
    const struct {
        const char* url;
        const char* content;
    } rows[] = {{"data:a b", "a b"}, {"data://x", "x"}, {"data:", ""}};
    vbDnSession s;
    for (const auto& row : rows) {
        auto* o = created(new TestDnObject);
        EXPECT_TRUE(run(s, o, row.url));
        const std::string n = std::to_string(std::strlen(row.content));
        EXPECT_EQ(loading(o), (std::vector<std::string>{"LoadingStart(" + n + ")", "LoadingAddBuffer(" + n + ")",
                                  "LoadingEnd(true)"}))
            << row.url;
        EXPECT_EQ(o->Received(), row.content);
        EXPECT_TRUE(called(o, "DnReserved(0,KVX VantBase Builtin data downloader)"));
        o->Release();
    }

    auto* cmd = created(new TestDnObject);
    std::vector<HINSTANCE> candidates;
    cmd->script.loadFromRes = [&](vbDnData*, const char* name, const char*, HINSTANCE module) {
        candidates.push_back(module);
        return module == nullptr && std::string(name) == "loadcfg";
    };
    EXPECT_TRUE(run(s, cmd, "res:loadcfg")) << errorOf(cmd);
    ASSERT_FALSE(candidates.empty());
    EXPECT_EQ(candidates.back(), nullptr);
    EXPECT_EQ(loading(cmd).back(), "LoadFromRes(loadcfg,null)");
    EXPECT_EQ(cmd->Received(), "");
    cmd->Release();
}

TEST_F(vbDnSessions, ResourcesOfLibrariesAndModules)
{
    HMODULE lib = LoadLibraryA(VNT_BIN_DIR "/vb_testmod_vantlib.so");
    ASSERT_NE(lib, nullptr);
    vbDnSession s;
    auto* o = created(new TestDnObject);
    EXPECT_TRUE(run(s, o, "res://VantTestLib5/-2!DATA"));
    EXPECT_EQ(o->Received(), "second resource");
    EXPECT_TRUE(called(o, "DnReserved(0,KVX VantBase Builtin resource downloader)"));
    o->Release();

    // A module that is not a library of the system is only read for its resources.
    auto* missing = created(new TestDnObject);
    SetLastError(0);
    EXPECT_FALSE(run(s, missing, "res://libc.so.6/x!data"));
    ULONG hr = 0;
    EXPECT_EQ(errorOf(missing, &hr), "Can't load resource file 'res://libc.so.6/x!data'");
    EXPECT_NE(hr, 0u);
    missing->Release();
    FreeLibrary(lib);
}

TEST_F(vbDnSessions, ProtocolChoiceFailures)
{
    auto* builtin = created(new vbDnBuiltinPlugin);
    for (const char* name : {"file", "res.w", "xyz.r", "FILE.R"})
        EXPECT_FALSE(builtin->CanWorkWithProto(nullptr, nullptr, name)) << name;
    for (const char* name : {"file.r", "res.r", "data.r"})
        EXPECT_TRUE(builtin->CanWorkWithProto(nullptr, nullptr, name)) << name;
    vbtest::expectThrown<vbEsys>([&] { builtin->WriteUrl(nullptr, nullptr, nullptr); }, E_NOTIMPL,
        "vbDnBuiltinPlugin::WriteUrl() : not implemented");
    builtin->Release();

    vbDnSession s;
    auto* o = created(new TestDnObject);
    // No protocol at all is a plug-in failure, which the worker decides about.
    vbtest::expectThrown<vbEhotPlug>([&] { run(s, o, "qqq://h/a", vbDnWrite); }, E_FAIL,
        "Can't write to URL 'qqq://h/a', using protocol 'qqq' !\nReason : protocol plugin not ready or bad protocol");

    s.Destroy();
    EXPECT_FALSE(run(s, o, "data:x"));
    EXPECT_EQ(errorOf(o), "URL 'data:x' download canceled, download center stopping...");
    o->Release();
}

TEST_F(vbDnSessions, ImmediateRetriesEndInTooManyTries)
{
    vbDnSession s;
    auto* proto = created(new ScriptProto);
    proto->reader = [](vbDnData*, InStream*) { throw new vbEdnRetryNow(vbString("busy")); };
    auto* o = created(new OwnProtoObject);
    o->proto = proto;
    o->SetDnOpAsked(vbDnLoad);
    o->EndDnOp(true);
    vbtest::expectThrown<vbEdn>([&] { run(s, o, "mem:a"); }, static_cast<HRESULT>(0x800005B4u),
        "Too many tries for url 'mem:a'");
    EXPECT_EQ(proto->opens, 3);
    o->Release();
    proto->Release();
}

TEST_F(vbDnSessions, AFailedLoadStillEndsTheObjectsLoading)
{
    vbDnSession s;
    auto* proto = created(new ScriptProto);
    proto->reader = [](vbDnData*, InStream* stream) { giveReader(stream, std::string(20000, 'q')); };
    auto* throwing = created(new OwnProtoObject);
    throwing->proto = proto;
    throwing->script.loadingAddBuffer = [](vbDnData*, const unsigned char*, ULONG) -> bool {
        throw new vbEdn(vbString("no room"));
    };
    EXPECT_FALSE(run(s, throwing, "mem:a"));
    EXPECT_EQ(loading(throwing).back(), "LoadingEnd(false)");
    EXPECT_EQ(errorOf(throwing), "no room");

    auto* stopped = created(new OwnProtoObject);
    stopped->proto = proto;
    stopped->script.loadingAddBuffer = [&](vbDnData*, const unsigned char*, ULONG) {
        stopped->StopDnOp();
        return true;
    };
    EXPECT_FALSE(run(s, stopped, "mem:b"));
    EXPECT_EQ(loading(stopped), (std::vector<std::string>{"LoadingStart(-1)", "LoadingAddBuffer(8192)", "LoadingEnd(false)"}));
    throwing->Release();
    stopped->Release();
    proto->Release();
}

// The built-in readers hand inline data and resources over in one buffer; a failure there ends
// the load as failed too, so that an object loading through a temporary file lets it go.
TEST_F(vbDnSessions, AFailedBufferOfTheBuiltInReadersEndsTheLoadAsFailed)
{
    HMODULE lib = LoadLibraryA(VNT_BIN_DIR "/vb_testmod_vantlib.so");
    ASSERT_NE(lib, nullptr);
    vbDnSession s;
    for (const char* url : {"data:abc", "res://VantTestLib5/-2!DATA"}) {
        auto* o = created(new TestDnObject);
        o->script.loadingAddBuffer = [](vbDnData*, const unsigned char*, ULONG) -> bool {
            throw new vbEdn(vbString("no room"));
        };
        EXPECT_FALSE(run(s, o, url)) << url;
        EXPECT_EQ(loading(o).back(), "LoadingEnd(false)") << url;
        EXPECT_EQ(errorOf(o), "no room") << url;
        o->Release();
    }
    FreeLibrary(lib);
}

TEST_F(vbDnSessions, NestedOperationDrainsTheEnclosingStream)
{
    std::string content;
    for (int i = 0; i < 20000; ++i)
        content += static_cast<char>('a' + i % 26);
    vbDnSession s;
    auto* proto = created(new ScriptProto);
    proto->reader = [&](vbDnData*, InStream* stream) {
        vbRefPtr<vbMemoryStream, &IID_vbMemoryStream> m;
        vbMemoryStream::CreateObject(&m);
        m->Write(content.data(), static_cast<DWORD>(content.size()), true);
        m->Seek(0, vbSeekStart);
        *stream = static_cast<IvbInputStream*>(m.Get());
    };
    auto* inner = created(new TestDnObject);
    auto* outer = created(new OwnProtoObject);
    outer->proto = proto;
    int64_t sizeAfter = 0;
    outer->script.loadingAddBuffer = [&](vbDnData* data, const unsigned char*, ULONG) {
        if (inner->Calls().empty()) {
            EXPECT_TRUE(data->SubDnOp(vbDnLoad, "data:inner", inner));
            sizeAfter = data->UrlGetSize();
        }
        return true;
    };
    EXPECT_TRUE(run(s, outer, "mem:a"));
    EXPECT_EQ(outer->Received(), content);
    EXPECT_EQ(inner->Received(), "inner");
    EXPECT_EQ(sizeAfter, 20000 - 8192);
    EXPECT_EQ(proto->opens, 1);

    // A drain that fails leaves the enclosing operation a failure with a real HRESULT.
    proto->reader = [](vbDnData*, InStream* stream) { giveReader(stream, std::string(20000, 'q'), 2); };
    auto* failing = created(new OwnProtoObject);
    failing->proto = proto;
    auto* nested = created(new TestDnObject);
    failing->script.loadingAddBuffer = [&](vbDnData* data, const unsigned char*, ULONG) {
        EXPECT_FALSE(data->SubDnOp(vbDnLoad, "data:n", nested));
        SetLastError(0);
        return true;
    };
    EXPECT_FALSE(run(s, failing, "mem:b"));
    ULONG hr = 0;
    EXPECT_EQ(errorOf(failing, &hr), "Can't download url 'mem:b' (error during download) !");
    EXPECT_EQ(hr, static_cast<ULONG>(E_FAIL));
    EXPECT_EQ(errorOf(nested), "read failure");
    EXPECT_EQ(loading(failing).back(), "LoadingEnd(false)");
    for (TestDnObject* o : {static_cast<TestDnObject*>(outer), inner, static_cast<TestDnObject*>(failing), nested})
        o->Release();
    proto->Release();
}

TEST_F(vbDnSessions, StreamChecksAndSizes)
{
    vbDnSession s;
    auto* proto = created(new ScriptProto);
    auto* o = created(new OwnProtoObject);
    o->proto = proto;

    o->script.writeToStream = [](vbDnData* data, IvbOutputStream*) { data->UrlSetSize(4294967296LL); };
    EXPECT_FALSE(run(s, o, "mem:w", vbDnWrite));
    EXPECT_EQ(errorOf(o), "vbDnData::UrlSetSize(mem:w) : sz too big (sz=4294967296)");

    o->script.writeToStream = [](vbDnData* data, IvbOutputStream*) {
        EXPECT_TRUE(data->UrlSetSize(3));
        data->UrlWrite("abc", 3, true);
    };
    EXPECT_TRUE(run(s, o, "mem:w", vbDnWrite));
    EXPECT_EQ(proto->written->GetLength(), 3u);
    EXPECT_TRUE(called(o, "WritingEnd(true)"));

    proto->reader = [](vbDnData*, InStream* stream) { giveReader(stream, "xy"); };
    o->script.loadingStart = [](vbDnData* data, int64_t) { data->UrlWrite("a", 1, true); };
    EXPECT_FALSE(run(s, o, "mem:r"));
    EXPECT_EQ(errorOf(o), "vbDnData::UrlWrite(mem:r) : url opened for read operations");
    o->Release();
    proto->Release();

    // Outside an open URL every stream call fails.
    vbDnData root(nullptr, &s);
    vbDnData rec(&root, vbDnLoad, "u", nullptr);
    char b[4];
    vbtest::expectThrown<vbEdn>([&] { rec.UrlRead(b, 4, false); }, E_FAIL, "vbDnData::UrlRead(u) : url not opened");
}

TEST(vbDnData, TasksComeOutInTheOrderAdded)
{
    vbDnData root(nullptr, nullptr);
    auto* o = created(new TestDnObject);
    root.AddDnTask(vbDnLoad, "a", o);
    root.AddDnTask(vbDnWrite, "b", nullptr);
    EXPECT_TRUE(root.HasDnTask());
    vbDnOp op = vbDnNoOp;
    vbString url;
    vbRefPtr<IvbDnObject, &IID_IvbDnObject> obj;
    ASSERT_TRUE(root.GetDnTask(&op, &url, &obj));
    EXPECT_EQ(op, vbDnLoad);
    EXPECT_EQ(std::string(url.c_str()), "a");
    EXPECT_EQ(obj.Get(), static_cast<IvbDnObject*>(o));
    ASSERT_TRUE(root.GetDnTask(&op, &url, &obj));
    EXPECT_EQ(std::string(url.c_str()), "b");
    EXPECT_FALSE(root.GetDnTask(&op, &url, &obj));
    EXPECT_FALSE(root.HasDnTask());
    obj.Release();
    o->Release();
}

// The protocol plug-in test module: variant 1 serves "xyz" and "xyz.w", variant 2 "file.r".
std::string dnProtoModule(int variant)
{
    return std::string(VNT_BIN_DIR "/vb_testmod_dnproto") + std::to_string(variant) + ".so";
}

// Registers the module as an installer does; the plug type then reads its configuration again.
void registerDnProto(int variant, const char* name)
{
    HMODULE module = LoadLibraryA(dnProtoModule(variant).c_str());
    ASSERT_NE(module, nullptr);
    auto reg = reinterpret_cast<HRESULT (*)()>(GetProcAddress(module, "DllRegisterServer"));
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg(), S_OK);
    FreeLibrary(module);
    EXPECT_TRUE(eventually([name] { return g_vbDnPlugType.CanWorkWith(nullptr, name); }));
}

TEST_F(vbDnSessions, PlugInProtocolsAreChosenKeptAndLetGo)
{
    registerDnProto(1, "xyz");
    vbDnSession s;
    auto* o = created(new TestDnObject);
    EXPECT_TRUE(run(s, o, "xyz://h/a"));
    EXPECT_TRUE(run(s, o, "xyz://h/b"));
    EXPECT_EQ(o->Received(), "xyz://h/a f1 p1xyz://h/b f1 p1") << "one plugged object, one protocol";
    o->script.writeToStream = [](vbDnData*, IvbOutputStream* out) { out->Write("w", 1, true); };
    EXPECT_TRUE(run(s, o, "xyz://h/w", vbDnWrite));

    // The module goes while the session holds its protocol; the next load makes a new object.
    vbHotPluginPtr record;
    ASSERT_TRUE(g_vbDnPlugType.CreatePluggedObject("xyz", nullptr, &record));
    static_cast<vbHotPlugType::Plugin*>(record.Get())->unloadPlugin(false);
    record.Release();
    EXPECT_EQ(GetModuleHandleA(dnProtoModule(1).c_str()), nullptr);
    EXPECT_TRUE(run(s, o, "xyz://h/c"));
    EXPECT_NE(GetModuleHandleA(dnProtoModule(1).c_str()), nullptr);
    EXPECT_EQ(o->Received(), "xyz://h/a f1 p1xyz://h/b f1 p1xyz://h/c f1 p1");
    o->Release();
}

TEST_F(vbDnSessions, APlugInDeclaringFileReadsTakesFileUrlsFromTheBuiltInReader)
{
    vbDnSession s;
    auto* o = created(new TestDnObject);
    o->script.loadFromFile = [](vbDnData*, const vbString&) { return true; };
    EXPECT_TRUE(run(s, o, "/no/such/file"));
    EXPECT_EQ(loading(o), std::vector<std::string>{"LoadFromFile(/no/such/file)"}) << "built in";
    registerDnProto(2, "file.r");
    EXPECT_TRUE(run(s, o, "/no/such/file"));
    EXPECT_EQ(o->Received(), "/no/such/file f1 p1");
    o->Release();
}

} // namespace
