#pragma once

#include <sys/socket.h>

#include <cstdint>

#include "kvfoundation/net/IKVInetAddr.h"

// Factories of internet addresses (autoreleased). Ports outside 0 to 65535 raise
// KVIllegalArgument "Bad port: %d".
namespace kvfoundation::net {

// From a socket address of family AF_INET or AF_INET6; any other family raises
// KVIllegalArgument "Bad inet address family: %d".
IKVInetAddr* CreateInetAddr(const sockaddr* address, socklen_t size);

// From numeric text ("127.0.0.1", "::1"); anything else raises KVIllegalArgument
// "Bad inet address".
IKVInetAddr* ParseInetAddr(const char* text, int32_t port);

// KVIllegalArgument "Bad port: %d" unless 0 <= port <= 65535.
void CheckPort(int64_t port);

}  // namespace kvfoundation::net
