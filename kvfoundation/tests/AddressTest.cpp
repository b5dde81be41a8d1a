// Internet address objects: parsing, socket-address conversion, equality and descriptions.
#include <gtest/gtest.h>

#include <netinet/in.h>

#include <regex>
#include <string>

#include "MemoryChannel.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/net/IPv4Addr.h"
#include "kvfoundation/net/IPv6Addr.h"
#include "kvfoundation/net/InetAddr.h"

using namespace kvfoundation;
using kvtest::MessageOf;

namespace {

std::string Describe(const base::IKVType* object) {
    return object->Description()->CString();
}

TEST(Address, DescriptionsNameClassAddressBytesAndPort) {
    base::AutoReleasePool pool;
    EXPECT_TRUE(std::regex_match(
        Describe(net::ParseInetAddr("192.168.0.17", 8080)),
        std::regex(
            R"(<class kvfoundation::net::IPv4Addr 0x[0-9a-f]+> \{ 192\.168\.0\.17 : 8080 \})")));
    EXPECT_TRUE(std::regex_match(
        Describe(net::ParseInetAddr("fe80::1:abcd", 443)),
        std::regex(
            R"(<class kvfoundation::net::IPv6Addr 0x[0-9a-f]+> \{ FE80:0:0:0:0:0:1:ABCD : 443 \})")));
}

TEST(Address, SocketAddressesConvertBothWaysAndCompareByValue) {
    base::AutoReleasePool pool;
    for (const char* text : {"127.0.0.1", "::1"}) {
        net::IKVInetAddr* address = net::ParseInetAddr(text, 65535);
        sockaddr_storage storage{};
        const socklen_t size = address->ToSockAddr(&storage);
        net::IKVInetAddr* back = net::CreateInetAddr(reinterpret_cast<sockaddr*>(&storage), size);
        EXPECT_TRUE(back->Equals(address)) << text;
        EXPECT_EQ(back->Hash(), address->Hash());
        EXPECT_FALSE(back->Equals(net::ParseInetAddr(text, 1))) << text;
    }
    EXPECT_EQ(net::ParseInetAddr("::1", 0)->Family(), AF_INET6);
}

TEST(Address, BadInputIsRefused) {
    base::AutoReleasePool pool;
    auto failure = [](auto call) {
        try {
            call();
        } catch (const base::KVIllegalArgument& e) {
            return MessageOf(e);
        }
        return std::string("(no exception)");
    };
    EXPECT_EQ(failure([] { net::ParseInetAddr("localhost", 80); }), "Bad inet address");
    EXPECT_EQ(failure([] { net::ParseInetAddr("1.2.3.4", 65536); }), "Bad port: 65536");
    EXPECT_EQ(failure([] { net::ParseInetAddr("1.2.3.4", -1); }), "Bad port: -1");
    sockaddr local{};
    local.sa_family = AF_UNIX;
    EXPECT_EQ(failure([&] { net::CreateInetAddr(&local, sizeof local); }),
              "Bad inet address family: 1");
}

}  // namespace
