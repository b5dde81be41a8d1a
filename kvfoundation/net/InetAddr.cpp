#include "kvfoundation/net/InetAddr.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/net/IPv4Addr.h"
#include "kvfoundation/net/IPv6Addr.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::net {

void CheckPort(int64_t port) {
    if (port < 0 || port > 65535) {
        throw base::KVIllegalArgument(util::Format("Bad port: %lld", static_cast<long long>(port)));
    }
}

IKVInetAddr* CreateInetAddr(const sockaddr* address, socklen_t size) {
    if (address == nullptr) {
        throw base::KVNullPtr("address");
    }
    if (address->sa_family == AF_INET && size >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        const auto* inet = reinterpret_cast<const sockaddr_in*>(address);
        return IPv4Addr::Create(reinterpret_cast<const uint8_t*>(&inet->sin_addr),
                                ntohs(inet->sin_port));
    }
    if (address->sa_family == AF_INET6 && size >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
        const auto* inet = reinterpret_cast<const sockaddr_in6*>(address);
        return IPv6Addr::Create(reinterpret_cast<const uint8_t*>(&inet->sin6_addr),
                                ntohs(inet->sin6_port));
    }
    throw base::KVIllegalArgument(
        util::Format("Bad inet address family: %d", static_cast<int>(address->sa_family)));
}

IKVInetAddr* ParseInetAddr(const char* text, int32_t port) {
    if (text == nullptr) {
        throw base::KVNullPtr("text");
    }
    CheckPort(port);
    uint8_t bytes[16];
    if (::inet_pton(AF_INET, text, bytes) == 1) {
        return IPv4Addr::Create(bytes, port);
    }
    if (::inet_pton(AF_INET6, text, bytes) == 1) {
        return IPv6Addr::Create(bytes, port);
    }
    throw base::KVIllegalArgument("Bad inet address");
}

}  // namespace kvfoundation::net
