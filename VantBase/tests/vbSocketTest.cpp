// Sockets: port specs, the network exceptions.

#include "vbSocket.h"

#include "vbExpectThrown.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(vbSocketGetPort, NumberAfterTheLastDotAndThePrefixBeforeIt)
{
    struct Case {
        const char* spec;
        int port;
        const char* prefix;
    } cases[] = {
        {"a.b.8080", 8080, "a.b"}, {"443", 443, ""},       {"host.80", 80, "host"}, {"x.65536", -1, "x"},
        {"x.12ab", 12, "x"},       {"x.0", -1, "x"},       {"70000", -1, ""},       {"", -1, ""},
        {"x.", -1, "x"},           {"x.99999999999", -1, "x"}, {"a.65535", 65535, "a"}, {"ssl.1", 1, "ssl"},
    };
    for (const Case& c : cases) {
        vbString prefix("old");
        EXPECT_EQ(vbSocketGetPort(c.spec, &prefix, false), c.port) << c.spec;
        EXPECT_STREQ(prefix.c_str(), c.prefix) << c.spec;
    }
    EXPECT_EQ(vbSocketGetPort("x.21", nullptr, true), 21);
    vbtest::expectThrown<vbEsocketUser>([] { vbSocketGetPort("x.0", nullptr, true); }, E_FAIL,
        "Invalid port number ('0')");
    vbtest::expectThrown<vbEsocketUser>([] { vbSocketGetPort("70000", nullptr, true); }, E_FAIL,
        "Invalid port number ('70000')");
}

TEST(vbEsocket, SystemFaultsAndUserRefusals)
{
    vbEsocket* sys = new vbEsocket(HRESULT(0x800005B4), "down", "vbSocket::Create()");
    EXPECT_STREQ(sys->GetMBoxTitle(), "Network system error");
    EXPECT_EQ(sys->GetMBoxMode(), 16u);
    EXPECT_TRUE(sys->IsToWriteOnLogFile());
    EXPECT_STREQ(sys->GetCtxString().c_str(), "vbSocket::Create()");
    sys->Delete();
    vbEsocket* user = new vbEsocketUser("Socket not connected !", "vbSocket::SendData()");
    EXPECT_TRUE(user->IsKindOf(RUNTIME_CLASS(vbEsocket)));
    EXPECT_STREQ(user->GetMBoxTitle(), "Network error");
    EXPECT_EQ(user->GetMBoxMode(), 48u);
    user->Delete();
}

} // namespace
