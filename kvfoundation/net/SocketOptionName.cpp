#include "kvfoundation/net/SocketOptionName.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace kvfoundation::net {

const char* SocketOptionName(int level, int option) {
    if (level == SOL_SOCKET) {
        switch (option) {
            case SO_SNDBUF:
                return "SOL_SOCKET/SO_SNDBUF";
            case SO_RCVBUF:
                return "SOL_SOCKET/SO_RCVBUF";
            case SO_SNDTIMEO:
                return "SOL_SOCKET/SO_SNDTIMEO";
            case SO_RCVTIMEO:
                return "SOL_SOCKET/SO_RCVTIMEO";
            case SO_ERROR:
                return "SOL_SOCKET/SO_ERROR";
            case SO_TYPE:
                return "SOL_SOCKET/SO_TYPE";
            default:
                return nullptr;
        }
    }
    if (level == IPPROTO_TCP && option == TCP_NODELAY) {
        return "IPPROTO_TCP/TCP_NODELAY";
    }
    return nullptr;
}

}  // namespace kvfoundation::net
