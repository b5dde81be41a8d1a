#include "ThumbMetaLib/shell/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ThumbMetaLib::shell {
namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kErrorTailBytes = 2048;

// The pointer arrays execve wants, built before fork: after fork only async-signal-safe calls
// are allowed in the child.
std::vector<char*> PointerArray(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (const std::string& s : strings) {
        pointers.push_back(const_cast<char*>(s.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

void CloseDescriptorsFrom(int first) {
#ifdef SYS_close_range
    if (syscall(SYS_close_range, first, ~0U, 0) == 0) {
        return;
    }
#endif
    const long highest = sysconf(_SC_OPEN_MAX);
    for (int fd = first; fd < highest; ++fd) {
        close(fd);
    }
}

[[noreturn]] void ExecInChild(char* const* argv, char* const* envp, int errorWrite,
                              const ChildLimits& limits) {
    setsid();
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    signal(SIGCHLD, SIG_DFL);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    const rlimit addressSpace{rlim_t(limits.addressSpaceBytes), rlim_t(limits.addressSpaceBytes)};
    setrlimit(RLIMIT_AS, &addressSpace);
    const int devNull = open("/dev/null", O_RDWR);
    if (devNull < 0) {
        _exit(127);
    }
    dup2(devNull, STDIN_FILENO);
    dup2(devNull, STDOUT_FILENO);
    dup2(errorWrite, STDERR_FILENO);
    CloseDescriptorsFrom(3);
    execve(argv[0], argv, envp);
    _exit(127);
}

void KeepTail(std::string& tail, const char* bytes, size_t count) {
    tail.append(bytes, count);
    if (tail.size() > kErrorTailBytes) {
        tail.erase(0, tail.size() - kErrorTailBytes);
    }
}

// Reads what is there without blocking; false once the pipe has no writer left.
bool DrainPipe(int fd, std::string& tail) {
    char buffer[512];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got > 0) {
            KeepTail(tail, buffer, size_t(got));
        } else if (got == 0) {
            return false;
        } else {
            return errno == EINTR || errno == EAGAIN;
        }
    }
}

bool ChildHasEnded(pid_t pid) {
    siginfo_t info{};
    // WNOWAIT leaves the child a zombie: its pid (the group's id) cannot be reused before the
    // group has been killed.
    return waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

int OpenPidDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    return int(syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

}  // namespace

std::string ChildOutcome::Describe() const {
    switch (kind) {
        case Kind::kExited:
            return "exit code " + std::to_string(code);
        case Kind::kSignalled:
            return "killed by signal " + std::to_string(code);
        case Kind::kTimedOut:
            return "time limit exceeded";
        case Kind::kNotStarted:
            return "could not be started";
    }
    return {};
}

ChildOutcome RunChild(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, const ChildLimits& limits) {
    ChildOutcome outcome;
    if (arguments.empty() || arguments[0].empty() || arguments[0][0] != '/') {
        return outcome;
    }
    std::vector<char*> argv = PointerArray(arguments);
    std::vector<char*> envp = PointerArray(environment);
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) {
        return outcome;
    }
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        ExecInChild(argv.data(), envp.data(), errorPipe[1], limits);
    }
    close(errorPipe[1]);
    if (pid < 0) {
        close(errorPipe[0]);
        return outcome;
    }
    fcntl(errorPipe[0], F_SETFL, O_NONBLOCK);
    const int pidDescriptor = OpenPidDescriptor(pid);
    const Clock::time_point deadline = start + limits.timeLimit;
    bool pipeOpen = true;
    bool timedOut = false;
    while (!ChildHasEnded(pid)) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd watched[2];
        nfds_t count = 0;
        if (pidDescriptor >= 0) {
            watched[count++] = {pidDescriptor, POLLIN, 0};
        }
        if (pipeOpen) {
            watched[count++] = {errorPipe[0], POLLIN, 0};
        }
        // Without a pid descriptor (old kernels) the exit is looked for every few milliseconds.
        const int wait = pidDescriptor >= 0 ? int(left.count()) : std::min(int(left.count()), 5);
        poll(watched, count, wait);
        if (pipeOpen) {
            pipeOpen = DrainPipe(errorPipe[0], outcome.errorTail);
        }
    }
    kill(-pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (pipeOpen) {
        DrainPipe(errorPipe[0], outcome.errorTail);
    }
    close(errorPipe[0]);
    if (pidDescriptor >= 0) {
        close(pidDescriptor);
    }
    outcome.elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    if (timedOut) {
        outcome.kind = ChildOutcome::Kind::kTimedOut;
    } else if (WIFEXITED(status)) {
        outcome.kind = WEXITSTATUS(status) == 127 && outcome.errorTail.empty()
                           ? ChildOutcome::Kind::kNotStarted
                           : ChildOutcome::Kind::kExited;
        outcome.code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.kind = ChildOutcome::Kind::kSignalled;
        outcome.code = WTERMSIG(status);
    }
    return outcome;
}

}  // namespace ThumbMetaLib::shell
