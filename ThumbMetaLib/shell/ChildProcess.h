#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace ThumbMetaLib::shell {

struct ChildLimits {
    std::chrono::milliseconds timeLimit{10000};
    uint64_t addressSpaceBytes = uint64_t(1) << 30;  // RLIMIT_AS of the child
};

struct ChildOutcome {
    enum class Kind { kExited, kSignalled, kTimedOut, kNotStarted };
    Kind kind = Kind::kNotStarted;
    int code = -1;          // exit code or signal number
    std::string errorTail;  // the end of what the child wrote on standard error
    std::chrono::microseconds elapsed{0};

    bool Succeeded() const { return kind == Kind::kExited && code == 0; }
    std::string Describe() const;
};

// Runs `arguments` (arguments[0] an absolute path; no shell, no $PATH search) with exactly
// `environment`, in a session and process group of its own, standard input and output on
// /dev/null, standard error captured, no core dumps and the limits given. When the child ends,
// or when its time is up, every process left in its group is killed, so nothing it started
// outlives the call.
ChildOutcome RunChild(const std::vector<std::string>& arguments,
                      const std::vector<std::string>& environment, const ChildLimits& limits);

}  // namespace ThumbMetaLib::shell
