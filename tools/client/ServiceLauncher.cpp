#include "tools/client/ServiceLauncher.h"

#include <fcntl.h>
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
    // The child reports a failed exec through a close-on-exec pipe: no bytes means it ran.
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
        }
        ExecOrDie(arguments, report[1]);
    }
    ::close(report[1]);
    int error = 0;
    ssize_t got;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (detach) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (got == static_cast<ssize_t>(sizeof error)) {
        if (!detach) {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        throw std::runtime_error("cannot start " + arguments[0] + ": " + std::strerror(error));
    }
    return pid;
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
    StartProcess(arguments, /*detach=*/true);

    // The service binds its endpoint during start-up; poll until it answers. When another
    // client started a service at the same moment, ours exits (the endpoint is taken) and
    // the other one answers: either way the first connection wins.
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(options.startTimeoutSeconds);
    auto pause = std::chrono::milliseconds(5);
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(pause);
        if (auto connection = TryConnect(&whyNot)) {
            return connection;
        }
        pause = std::min(pause * 2, std::chrono::milliseconds(100));
    }
    throw std::runtime_error("the service did not answer after it was started (" + arguments[0] +
                             "): " + whyNot);
}

}  // namespace vantory::client
