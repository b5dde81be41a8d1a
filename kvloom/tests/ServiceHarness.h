// What the service's integration tests share: a private socket directory per test, the real
// `vantoryd` started as a child process, raw and protocol-speaking clients on both
// transports, and a small writer of wire-format values for hand-made requests.
//
// Every wait has a generous deadline (the machine running the tests may be busy); a deadline
// that runs out fails the test instead of hanging it.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/net/TcpChannel.h"
#include "kvfoundation/posix/PosixNamedPipe.h"
#include "kvfoundation/posix/PosixPipeDirectory.h"
#include "tools/client/ServiceConnection.h"

extern char** environ;

namespace svctest {

using Clock = std::chrono::steady_clock;

// Generous: a loaded shared machine, or a sanitizer build, makes everything slower.
constexpr double kPatience = 60.0;
// Client-side read and write time-out, so a service that stops answering fails the test.
constexpr double kIoTimeout = 30.0;

inline std::string BinDir() {
    return VANTORY_BIN_DIR;
}
inline std::string DaemonPath() {
    return BinDir() + "/vantoryd";
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh directory with mode 0700 (as the socket directory must be), removed with
// everything in it.
class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/vantory-svctest-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// "exit 66", "signal 6": a waitpid status as a reader wants to see it in a failure.
inline std::string DescribeStatus(int status) {
    if (WIFEXITED(status)) {
        return "exit " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "signal " + std::to_string(WTERMSIG(status));
    }
    return "status " + std::to_string(status);
}

struct SpawnOptions {
    std::string program = DaemonPath();
    std::vector<std::string> arguments;  // after the program
    // Set (with a value) or removed (without) in the child's environment.
    std::vector<std::pair<std::string, std::optional<std::string>>> environment;
    // Receives the child's standard output and error; empty: /dev/null.
    std::string outputPath;
    // When set, the child writes this text into <logDir>/VantoryQX3-<its pid>.log before it
    // becomes the service: a log file that already exists when the service starts.
    std::optional<std::string> existingLogText;
    std::string logDir;
};

// A child process; killed and reaped when the object goes, if it has not ended by then.
class ChildProcess {
public:
    explicit ChildProcess(const SpawnOptions& options) {
        // Everything the child needs is made before fork: the parent may have threads.
        std::vector<std::string> args{options.program};
        args.insert(args.end(), options.arguments.begin(), options.arguments.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);

        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e) {
            std::string entry(*e);
            bool overridden = false;
            for (const auto& [name, value] : options.environment) {
                overridden |= entry.compare(0, name.size() + 1, name + "=") == 0;
            }
            if (!overridden) {
                env.push_back(entry);
            }
        }
        for (const auto& [name, value] : options.environment) {
            if (value) {
                env.push_back(name + "=" + *value);
            }
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);

        const std::string output = options.outputPath.empty() ? "/dev/null" : options.outputPath;
        const std::string logPrefix = options.logDir + "/VantoryQX3-";
        const std::string logText = options.existingLogText.value_or("");
        const bool writeLog = options.existingLogText.has_value();

        pid_ = ::fork();
        if (pid_ < 0) {
            throw std::runtime_error("fork failed");
        }
        if (pid_ == 0) {
            int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (out < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0) {
                ::_exit(126);
            }
            if (writeLog) {
                char path[4096];
                WriteLogPath(path, sizeof path, logPrefix, ::getpid());
                int log = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
                if (log < 0 || ::write(log, logText.data(), logText.size()) < 0) {
                    ::_exit(126);
                }
                ::close(log);
            }
            ::execve(argv[0], argv.data(), envp.data());
            ::_exit(127);
        }
    }
    ~ChildProcess() {
        if (!exited_) {
            ::kill(pid_, SIGKILL);
            Reap(0);
        }
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }

    // Whether the process is still running (and has not crashed or ended by itself).
    bool Running() { return !exited_ && !Reap(WNOHANG); }

    // The waitpid status once the process has ended, or nothing after `seconds`.
    std::optional<int> WaitExit(double seconds = kPatience) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (!exited_ && !Reap(WNOHANG) && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return exited_ ? std::optional<int>(status_) : std::nullopt;
    }

    // "exit N" / "signal N" once ended, "still running" otherwise.
    std::string WaitDescribed(double seconds = kPatience) {
        std::optional<int> status = WaitExit(seconds);
        return status ? DescribeStatus(*status) : "still running";
    }

private:
    // Async-signal-safe: "<prefix><pid>.log" without the C library's formatting.
    static void WriteLogPath(char* path, size_t size, const std::string& prefix, pid_t pid) {
        char digits[16];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + pid % 10);
            pid /= 10;
        } while (pid > 0);
        size_t at = 0;
        for (char c : prefix) {
            if (at + 1 < size)
                path[at++] = c;
        }
        while (n > 0 && at + 1 < size) {
            path[at++] = digits[--n];
        }
        for (const char* s = ".log"; *s != '\0' && at + 1 < size; ++s) {
            path[at++] = *s;
        }
        path[at] = '\0';
    }

    bool Reap(int flags) {
        int status = 0;
        pid_t got;
        do {
            got = ::waitpid(pid_, &status, flags);
        } while (got < 0 && errno == EINTR);
        if (got == pid_) {
            exited_ = true;
            status_ = status;
        }
        return exited_;
    }

    pid_t pid_ = -1;
    bool exited_ = false;
    int status_ = 0;
};

// Points the public endpoint of this test process (and of every service it starts) at a
// fresh directory, so that no test touches the user's real service.
class SocketDirectory {
public:
    SocketDirectory() {
        ::setenv(kvfoundation::posix::PosixPipeDirectory::kOverrideVariable, dir_.Path().c_str(),
                 1);
    }
    ~SocketDirectory() { ::unsetenv(kvfoundation::posix::PosixPipeDirectory::kOverrideVariable); }

    const std::string& Path() const { return dir_.Path(); }
    std::string EndpointPath() const {
        return dir_.Path() + "/" + kvfoundation::posix::PosixPipeDirectory::PublicEndpointName();
    }

private:
    TempDir dir_;
};

// A connection to the public endpoint, retried until the service listens. Null when
// `service` ended first or the deadline passed.
inline kvfoundation::base::KVRefCountT<kvfoundation::posix::PosixNamedPipe> ConnectPipe(
    ChildProcess& service, double seconds = kPatience) {
    const std::string name = kvfoundation::posix::PosixPipeDirectory::PublicEndpointName();
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline && service.Running()) {
        try {
            kvfoundation::base::KVRefCountT<kvfoundation::posix::PosixNamedPipe> pipe =
                kvfoundation::posix::PosixNamedPipe::Connect(name.c_str());
            pipe->SetTimeout(kIoTimeout);
            return pipe;
        } catch (const kvfoundation::base::IKVException&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    return nullptr;
}

// A protocol-speaking connection to the public service (greeting already read), or null.
inline std::unique_ptr<vantory::client::ServiceConnection> ConnectService(ChildProcess& service) {
    auto pipe = ConnectPipe(service);
    return pipe ? std::make_unique<vantory::client::ServiceConnection>(pipe.get()) : nullptr;
}

// A bare stream socket for clients that misbehave: writes what it is given, half-closes,
// and reads until the service closes its end.
class RawSocket {
public:
    explicit RawSocket(int fd) : fd_(fd) {}
    ~RawSocket() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;

    // Connected to the public endpoint at `path`; throws when nobody listens.
    static std::unique_ptr<RawSocket> ConnectLocal(const std::string& path) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            throw std::runtime_error("connect to " + path + " failed");
        }
        return std::make_unique<RawSocket>(fd);
    }

    // False when the service has closed the connection already (it may, before all is sent).
    bool Send(const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            sent += static_cast<size_t>(n);
        }
        return true;
    }
    void ShutdownWrite() { ::shutdown(fd_, SHUT_WR); }

    // Everything the service sends until it closes the connection; nothing when it does not
    // close it within `seconds`.
    std::optional<std::string> ReadToEnd(double seconds = kIoTimeout) {
        std::string received;
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < deadline) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 100) <= 0)
                continue;
            char buffer[4096];
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return received;  // end of stream (or reset: closed all the same)
            received.append(buffer, static_cast<size_t>(n));
        }
        return std::nullopt;
    }

private:
    int fd_;
};

// A listening TCP socket on the loopback address, as a client of a private instance has.
class TcpListener {
public:
    TcpListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            throw std::runtime_error("cannot bind a loopback port");
        }
        port_ = ntohs(address.sin_port);
    }
    ~TcpListener() { ::close(fd_); }
    TcpListener(const TcpListener&) = delete;
    TcpListener& operator=(const TcpListener&) = delete;

    // Without this the port is bound but refuses every connection.
    void Listen() { ::listen(fd_, 64); }
    std::string Port() const { return std::to_string(port_); }
    int RawFd() const { return fd_; }

    // The next connection, or -1 when none comes within the deadline or `service` ended.
    int Accept(ChildProcess& service, double seconds = kPatience) {
        const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
        while (Clock::now() < deadline && service.Running()) {
            pollfd ready{fd_, POLLIN, 0};
            if (::poll(&ready, 1, 50) > 0) {
                int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0)
                    return fd;
            }
        }
        return -1;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A protocol-speaking client over an accepted TCP connection of a private instance.
inline std::unique_ptr<vantory::client::ServiceConnection> TcpService(int fd) {
    kvfoundation::base::KVRefCountT<kvfoundation::net::TcpChannel> channel =
        kvfoundation::net::TcpChannel::Adopt(fd);
    channel->SetTimeout(kIoTimeout);
    return std::make_unique<vantory::client::ServiceConnection>(channel.get());
}

// A running service with `connections` protocol-speaking connections, on either transport:
// public (the per-user local endpoint in a fresh directory, idle check every
// kIdleSeconds) or private (-privateInstance: it connects to our loopback listener).
class RunningService {
public:
    static constexpr const char* kIdleSeconds = "3";

    RunningService(bool privateInstance, int connections) : private_(privateInstance) {
        SpawnOptions options;
        options.outputPath = output_.Path() + "/output.txt";
        options.environment = {{"QUARN_NCOMM_logdir", std::nullopt},
                               {"VANTORY_IDLE_CHECK_SECONDS", kIdleSeconds}};
        if (private_) {
            listener_.Listen();
            options.arguments = {
                "-privateInstance",          "-port", listener_.Port(), "-threadCt",
                std::to_string(connections), "-debug"};
        } else {
            sockets_ = std::make_unique<SocketDirectory>();
            options.arguments = {"-debug"};
        }
        child_ = std::make_unique<ChildProcess>(options);
        for (int i = 0; i < connections; ++i) {
            std::unique_ptr<vantory::client::ServiceConnection> connection;
            if (private_) {
                int fd = listener_.Accept(*child_);
                if (fd >= 0)
                    connection = TcpService(fd);
            } else {
                connection = ConnectService(*child_);
            }
            if (!connection) {
                throw std::runtime_error(
                    "the service did not connect: " + child_->WaitDescribed(0) + "\n" + Output());
            }
            connections_.push_back(std::move(connection));
        }
    }

    ChildProcess& Child() { return *child_; }
    vantory::client::ServiceConnection& Connection(size_t i) { return *connections_.at(i); }
    std::string EndpointPath() const { return sockets_ ? sockets_->EndpointPath() : ""; }
    // What the service wrote to its standard output and error (it runs with -debug).
    std::string Output() const { return ReadFile(output_.Path() + "/output.txt"); }

    // Ends every connection; a healthy service then ends by itself with exit code 0 (the
    // private one at once, the public one at its next idle check). Returns "exit 0" then.
    std::string Finish() {
        connections_.clear();
        return child_->WaitDescribed();
    }

private:
    bool private_;
    TempDir output_;
    std::unique_ptr<SocketDirectory> sockets_;
    TcpListener listener_;
    std::unique_ptr<ChildProcess> child_;
    std::vector<std::unique_ptr<vantory::client::ServiceConnection>> connections_;
};

// Hand-made wire-format values (big-endian, 4-byte aligned), for requests the client
// library would never send.
class Wire {
public:
    Wire& U32(uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            bytes_.push_back(static_cast<char>(value >> shift));
        }
        return *this;
    }
    Wire& Null() { return U32(0); }
    Wire& Int(int32_t value) { return U32(1).U32(static_cast<uint32_t>(value)); }
    Wire& Str(const std::string& text) {
        U32(4).U32(static_cast<uint32_t>(text.size()));
        bytes_ += text;
        bytes_.append((4 - text.size() % 4) % 4, '\0');
        return *this;
    }
    Wire& List(uint32_t count) { return U32(6).U32(count); }
    Wire& Map(uint32_t count) { return U32(7).U32(count); }
    Wire& Raw(const std::string& bytes) {
        bytes_ += bytes;
        return *this;
    }
    // A whole request: [name, {}].
    Wire& Request(const std::string& name) { return List(2).Str(name).Map(0); }

    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// The preamble every connection starts with: "KVNC" and protocol 200.
inline const std::string& Preamble() {
    static const std::string preamble("KVNC\0\0\0\xC8", 8);
    return preamble;
}

}  // namespace svctest
