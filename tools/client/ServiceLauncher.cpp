#include "tools/client/ServiceLauncher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/posix/PosixNamedPipe.h"
#include "kvfoundation/posix/PosixPipeDirectory.h"

namespace vantory::client {

using kvfoundation::posix::PosixNamedPipe;
using kvfoundation::posix::PosixPipeDirectory;

namespace {

std::unique_ptr<ServiceConnection> TryConnect(std::string* whyNot) {
    try {
        const std::string name = PosixPipeDirectory::PublicEndpointName();
        kvfoundation::base::KVRefCountT<PosixNamedPipe> pipe =
            PosixNamedPipe::Connect(name.c_str());
        return std::make_unique<ServiceConnection>(pipe.get());
    } catch (const kvfoundation::base::IKVException& e) {
        *whyNot = e.Message() != nullptr ? e.Message()->CString() : "unknown error";
        return nullptr;
    }
}

// Reads until `size` bytes or the end of the pipe; returns how many arrived.
size_t ReadFully(int fd, void* into, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(fd, static_cast<char*>(into) + done, size - done);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += size_t(got);
    }
    return done;
}

// A process that is not our child (the detached service): its pid descriptor tells when it
// exits, without polling and without being fooled by a reused pid.
class ProcessWatch {
public:
    explicit ProcessWatch(pid_t pid) : pid_(pid) {
#ifdef SYS_pidfd_open
        fd_ = int(::syscall(SYS_pidfd_open, pid, 0));
#endif
    }
    ~ProcessWatch() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;

    // Waits up to `limit`; true once the process has exited.
    bool WaitForExit(std::chrono::milliseconds limit) const {
        if (fd_ < 0) {
            std::this_thread::sleep_for(limit);
            return ::kill(pid_, 0) != 0 && errno == ESRCH;
        }
        pollfd watched{fd_, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&watched, 1, int(limit.count()));
        } while (ready < 0 && errno == EINTR);
        return ready > 0;
    }

private:
    pid_t pid_;
    int fd_ = -1;
};

[[noreturn]] void ExecOrDie(const std::vector<std::string>& arguments, int reportFd) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    int error = errno;
    (void)!::write(reportFd, &error, sizeof error);
    ::_exit(127);
}

}  // namespace

std::string FindDaemon() {
    if (const char* path = std::getenv("VANTORY_DAEMON"); path != nullptr && *path != '\0') {
        return path;
    }
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return (self.parent_path() / "vantoryd").string();
}

pid_t StartProcess(const std::vector<std::string>& arguments, bool detach) {
    if (arguments.empty()) {
        throw std::invalid_argument("no program to start");
    }
    // The child reports a failed exec through a close-on-exec pipe: no errno means it ran.
    // Detached, the program's process first sends its pid.
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        throw std::runtime_error(std::string("pipe2() failed: ") + std::strerror(errno));
    }
    pid_t pid = ::fork();
    if (pid < 0) {
        int error = errno;
        ::close(report[0]);
        ::close(report[1]);
        throw std::runtime_error(std::string("fork() failed: ") + std::strerror(error));
    }
    if (pid == 0) {
        ::close(report[0]);
        if (detach) {
            ::setsid();
            pid_t grandchild = ::fork();
            if (grandchild != 0) {
                ::_exit(grandchild < 0 ? 127 : 0);
            }
            // Before the exec, so that an errno it reports comes after.
            const pid_t self = ::getpid();
            (void)!::write(report[1], &self, sizeof self);
        }
        ExecOrDie(arguments, report[1]);
    }
    ::close(report[1]);
    pid_t started = pid;
    if (detach && ReadFully(report[0], &started, sizeof started) != sizeof started) {
        started = -1;
    }
    int error = 0;
    const size_t got = ReadFully(report[0], &error, sizeof error);
    ::close(report[0]);
    if (detach) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (got == sizeof error || started < 0) {
        if (!detach) {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        throw std::runtime_error("cannot start " + arguments[0] + ": " +
                                 std::strerror(got == sizeof error ? error : ECHILD));
    }
    return started;
}

std::unique_ptr<ServiceConnection> ConnectPublic(const LaunchOptions& options) {
    std::string whyNot;
    if (auto connection = TryConnect(&whyNot)) {
        return connection;
    }
    std::vector<std::string> arguments{options.daemonPath.empty() ? FindDaemon()
                                                                  : options.daemonPath};
    if (options.debug) {
        arguments.emplace_back("-debug");
    }
    const ProcessWatch service(StartProcess(arguments, /*detach=*/true));

    // The service binds its endpoint during start-up; try until it answers, as long as it
    // runs. When another client started a service at the same moment, ours exits (the endpoint
    // is taken) and the other one answers; a service that exits for any other reason (no
    // folder for its endpoint, as in some sandboxes) ends the wait at once, so that callers
    // can fall back without waiting out the time limit.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(options.startTimeoutSeconds);
    auto pause = std::chrono::milliseconds(5);
    while (Clock::now() < deadline) {
        const bool exited = service.WaitForExit(pause);
        if (auto connection = TryConnect(&whyNot)) {
            return connection;
        }
        if (exited) {
            throw std::runtime_error("the service ended during its start-up (" + arguments[0] +
                                     "): " + whyNot);
        }
        pause = std::min(pause * 2, std::chrono::milliseconds(100));
    }
    throw std::runtime_error("the service did not answer after it was started (" + arguments[0] +
                             "): " + whyNot);
}

}  // namespace vantory::client
