#include "ThumbMetaLib/posix/PosixChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern char** environ;

namespace ThumbMetaLib {
namespace {

int64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// Closes the file actions whatever happens.
struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};

}  // namespace

std::unique_ptr<PosixChildProcess> PosixChildProcess::Start(
    const std::string& executable, const std::vector<std::string>& arguments, std::string& error) {
    if (::access(executable.c_str(), X_OK) != 0) {
        error = "cannot run " + executable + ": " + std::strerror(errno);
        return nullptr;
    }
    int sockets[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0) {
        error = std::string("socketpair() failed: ") + std::strerror(errno);
        return nullptr;
    }
    SpawnActions spawn;
    // dup2 onto 0 and 1 clears close-on-exec there; every other descriptor of the service
    // that was opened with it stays behind.
    posix_spawn_file_actions_adddup2(&spawn.actions, sockets[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&spawn.actions, sockets[1], STDOUT_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&spawn.actions, STDERR_FILENO + 1);
#endif
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, executable.c_str(), &spawn.actions, nullptr, argv.data(), environ);
    ::close(sockets[1]);
    if (spawned != 0) {
        ::close(sockets[0]);
        error = "cannot run " + executable + ": " + std::strerror(spawned);
        return nullptr;
    }
    return std::unique_ptr<PosixChildProcess>(new PosixChildProcess(pid, sockets[0]));
}

PosixChildProcess::~PosixChildProcess() {
    CloseConnection();
    Kill();
}

bool PosixChildProcess::WaitReady(short events, int64_t deadline) {
    for (;;) {
        const int64_t left = deadline - NowMs();
        if (left <= 0) {
            return false;
        }
        pollfd entry{socket_, events, 0};
        const int ready = ::poll(&entry, 1, int(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0;
    }
}

bool PosixChildProcess::Write(std::string_view bytes, int timeoutMs) {
    const int64_t deadline = NowMs() + timeoutMs;
    while (!bytes.empty()) {
        if (socket_ < 0 || !WaitReady(POLLOUT, deadline)) {
            return false;
        }
        const ssize_t sent =
            ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(size_t(sent));
    }
    return true;
}

PosixChildProcess::ReadResult PosixChildProcess::ReadLine(std::string& line, int timeoutMs,
                                                          size_t maxLength) {
    const int64_t deadline = NowMs() + timeoutMs;
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            if (end > maxLength) {
                return ReadResult::kTooLong;
            }
            line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return ReadResult::kLine;
        }
        if (pending_.size() > maxLength) {
            return ReadResult::kTooLong;
        }
        if (socket_ < 0) {
            return ReadResult::kClosed;
        }
        if (!WaitReady(POLLIN, deadline)) {
            return NowMs() >= deadline ? ReadResult::kTimedOut : ReadResult::kFailed;
        }
        char buffer[512];
        const ssize_t got = ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (got < 0) {
            return ReadResult::kFailed;
        }
        if (got == 0) {
            return ReadResult::kClosed;  // a partial line is not a reply
        }
        pending_.append(buffer, size_t(got));
    }
}

void PosixChildProcess::CloseConnection() {
    if (socket_ >= 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

bool PosixChildProcess::WaitForExit(int timeoutMs) {
    const int64_t deadline = NowMs() + timeoutMs;
    while (!reaped_) {
        const pid_t done = ::waitpid(pid_, nullptr, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR)) {
            reaped_ = true;
            break;
        }
        if (NowMs() >= deadline) {
            return false;
        }
        ::usleep(2000);
    }
    return true;
}

void PosixChildProcess::Kill() {
    if (reaped_) {
        return;
    }
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
}

}  // namespace ThumbMetaLib
