#pragma once

namespace kvfoundation::net {

// "SOL_SOCKET/SO_SNDBUF" and the like for the options messages name readably, else null.
const char* SocketOptionName(int level, int option);

}  // namespace kvfoundation::net
