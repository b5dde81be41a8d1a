#include "kvfoundation/posix/PosixThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kvfoundation::posix {

namespace {

constexpr int kDesignValues[PosixThreadPriority::kLevelCount] = {-15, -2, -1, 0, 1, 2, 15};
constexpr int kMinNice = -20;
constexpr int kMaxNice = 19;

}  // namespace

int PosixThreadPriority::LevelForScale(double scale) {
    const int level = static_cast<int>(std::floor(scale * (kLevelCount - 1) + 0.5));
    return std::clamp(level, 0, kLevelCount - 1);
}

double PosixThreadPriority::ScaleOfLevel(int level) {
    return (kDesignValues[level] + 15) / 30.0;
}

int PosixThreadPriority::NiceOfLevel(int level, int baseNice) {
    switch (level) {
        case 0:
            return kMaxNice;
        case kLevelCount - 1:
            return kMinNice;
        default: {
            static constexpr int kOffsets[kLevelCount] = {0, 10, 5, 0, -5, -10, 0};
            return std::clamp(baseNice + kOffsets[level], kMinNice, kMaxNice);
        }
    }
}

int PosixThreadPriority::LevelOfNice(int nice, int baseNice) {
    // Candidates in order of their distance from normal, so that ties keep the level nearest it.
    static constexpr int kByDistanceFromNormal[kLevelCount] = {3, 2, 4, 1, 5, 0, 6};
    int best = kNormalLevel;
    int bestDistance = std::abs(NiceOfLevel(best, baseNice) - nice);
    for (int level : kByDistanceFromNormal) {
        const int distance = std::abs(NiceOfLevel(level, baseNice) - nice);
        if (distance < bestDistance) {
            best = level;
            bestDistance = distance;
        }
    }
    return best;
}

int PosixThreadPriority::BaseNice() {
    static const int base = [] {
        errno = 0;
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
        return errno == 0 ? nice : 0;
    }();
    return base;
}

int PosixThreadPriority::Set(pid_t tid, double scale) {
    const int nice = NiceOfLevel(LevelForScale(scale), BaseNice());
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(tid), nice) != 0) {
        return errno;
    }
    return 0;
}

int PosixThreadPriority::Get(pid_t tid, double& scale) {
    errno = 0;  // -1 is a valid nice value; only errno tells a failure apart
    const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (nice == -1 && errno != 0) {
        return errno;
    }
    scale = ScaleOfLevel(LevelOfNice(nice, BaseNice()));
    return 0;
}

}  // namespace kvfoundation::posix
