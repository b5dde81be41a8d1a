// NCOMM_PING round trips against the real `vantoryd`: per second and p50/p99 latency, over
// the public local socket and over TCP (a private instance), with one and two connections.
// The peer is a bare echo of the same request bytes over the same kind of socket in this
// process: the ratio is what the protocol, the host and the process boundary add.
//
// usage: bench_ncomm [seconds per case, default 2]
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/data/IKVString.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace svctest;

struct Figures {
    double perSecond = 0;
    double p50Micros = 0;
    double p99Micros = 0;
};

// Runs `roundTrip(connection)` on every connection at once, each on a thread of its own,
// for `seconds`; latencies of all connections are pooled.
Figures Measure(int connections, double seconds, const std::function<void(int)>& roundTrip) {
    std::vector<std::vector<double>> latencies(connections);
    std::vector<std::thread> threads;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    for (int c = 0; c < connections; ++c) {
        threads.emplace_back([&, c] {
            kvfoundation::base::AutoReleasePool pool;
            for (int warm = 0; warm < 200; ++warm)
                roundTrip(c);
            for (auto now = Clock::now(); now < end;) {
                roundTrip(c);
                const auto after = Clock::now();
                latencies[c].push_back(
                    std::chrono::duration<double, std::micro>(after - now).count());
                now = after;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    std::vector<double> all;
    for (auto& l : latencies)
        all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    Figures figures;
    if (all.empty())
        return figures;
    figures.perSecond = static_cast<double>(all.size()) / seconds;
    figures.p50Micros = all[all.size() / 2];
    figures.p99Micros = all[std::min(all.size() - 1, all.size() * 99 / 100)];
    return figures;
}

const std::string& PingRequest() {
    static const std::string request = Wire().Request("NCOMM_PING").Bytes();
    return request;
}

bool SendAll(int fd, const char* bytes, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(fd, bytes, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReceiveAll(int fd, char* bytes, size_t size) {
    while (size > 0) {
        ssize_t n = ::recv(fd, bytes, size, 0);
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// The peer: `connections` socket pairs whose far ends echo each request-sized message.
class EchoPeer {
public:
    // `makePair` gives a connected pair of sockets of the transport measured.
    EchoPeer(int connections, const std::function<std::pair<int, int>()>& makePair) {
        for (int c = 0; c < connections; ++c) {
            const std::pair<int, int> ends = makePair();
            const int far = ends.second;
            near_.push_back(ends.first);
            far_.push_back(far);
            echoes_.emplace_back([far] {
                std::string buffer(PingRequest().size(), '\0');
                while (ReceiveAll(far, buffer.data(), buffer.size()) &&
                       SendAll(far, buffer.data(), buffer.size())) {
                }
            });
        }
    }
    ~EchoPeer() {
        for (int fd : near_)
            ::shutdown(fd, SHUT_RDWR);
        for (std::thread& t : echoes_)
            t.join();
        for (int fd : near_)
            ::close(fd);
        for (int fd : far_)
            ::close(fd);
    }
    void RoundTrip(int c) {
        std::string buffer(PingRequest().size(), '\0');
        SendAll(near_[c], PingRequest().data(), PingRequest().size());
        ReceiveAll(near_[c], buffer.data(), buffer.size());
    }

private:
    std::vector<int> near_, far_;
    std::vector<std::thread> echoes_;
};

std::pair<int, int> LocalPair() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        std::abort();
    return {fds[0], fds[1]};
}

std::pair<int, int> TcpPair() {
    TcpListener listener;
    listener.Listen();
    int client = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(std::stoi(listener.Port())));
    if (::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        std::abort();
    int server = ::accept(listener.RawFd(), nullptr, nullptr);
    int one = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return {client, server};
}

void Print(const char* transport, int connections, const Figures& service, const Figures& echo) {
    std::printf(
        "%-13s %d conn  service %9.0f/s  p50 %7.1f us  p99 %7.1f us   |  echo %9.0f/s  "
        "p50 %6.1f us  p99 %6.1f us  |  latency ratio p50 %.1fx\n",
        transport, connections, service.perSecond, service.p50Micros, service.p99Micros,
        echo.perSecond, echo.p50Micros, echo.p99Micros,
        echo.p50Micros > 0 ? service.p50Micros / echo.p50Micros : 0.0);
    std::fflush(stdout);
}

int Run(double seconds) {
    kvfoundation::base::AutoReleasePool pool;
    for (int connections : {1, 2}) {
        // Public: the per-user local socket, in a private directory of this run.
        {
            SocketDirectory sockets;
            SpawnOptions options;
            ChildProcess service(options);
            std::vector<std::unique_ptr<vantory::client::ServiceConnection>> clients;
            for (int c = 0; c < connections; ++c) {
                // Without the tests' client-side time-out: the bench measures what a plain
                // client sees.
                auto pipe = ConnectPipe(service);
                if (pipe) {
                    pipe->SetTimeout(0);
                    clients.push_back(
                        std::make_unique<vantory::client::ServiceConnection>(pipe.get()));
                } else {
                    clients.push_back(nullptr);
                }
                if (!clients.back()) {
                    std::fprintf(stderr, "the public service did not answer\n");
                    return 1;
                }
            }
            Figures figures = Measure(connections, seconds,
                                      [&](int c) { clients[c]->Call("NCOMM_PING", nullptr); });
            Figures echo;
            {
                EchoPeer peer(connections, LocalPair);
                echo = Measure(connections, seconds, [&](int c) { peer.RoundTrip(c); });
            }
            Print("local socket", connections, figures, echo);
        }
        // Private: the service connects to us over TCP.
        {
            TcpListener listener;
            listener.Listen();
            SpawnOptions options;
            options.arguments = {"-privateInstance", "-port", listener.Port(), "-threadCt",
                                 std::to_string(connections)};
            ChildProcess service(options);
            std::vector<std::unique_ptr<vantory::client::ServiceConnection>> clients;
            for (int c = 0; c < connections; ++c) {
                const int fd = listener.Accept(service);
                if (fd < 0) {
                    std::fprintf(stderr, "the private service did not connect\n");
                    return 1;
                }
                kvfoundation::base::KVRefCountT<kvfoundation::net::TcpChannel> channel =
                    kvfoundation::net::TcpChannel::Adopt(fd);
                clients.push_back(
                    std::make_unique<vantory::client::ServiceConnection>(channel.get()));
            }
            Figures figures = Measure(connections, seconds,
                                      [&](int c) { clients[c]->Call("NCOMM_PING", nullptr); });
            clients.clear();
            service.WaitExit();
            Figures echo;
            {
                EchoPeer peer(connections, TcpPair);
                echo = Measure(connections, seconds, [&](int c) { peer.RoundTrip(c); });
            }
            Print("TCP (private)", connections, figures, echo);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    try {
        return Run(seconds > 0 ? seconds : 2.0);
    } catch (const kvfoundation::base::IKVException& e) {
        std::fprintf(stderr, "bench_ncomm: %s\n", e.Message()->CString());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_ncomm: %s\n", e.what());
    }
    return 1;
}
