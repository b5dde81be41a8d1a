#pragma once

#include <sys/types.h>

namespace kvfoundation::posix {

// The portable thread priority scale runs from 0 (idle) through 0.5 (normal) to 1
// (time-critical) over seven levels; each level also has a design value from -15 to 15, and a
// scale reading is (design value + 15) / 30. Ordinary Linux threads have one knob, the
// per-thread nice value, so each level becomes a nice value. The five middle levels are
// relative to the process's own nice value (the main thread's, read once), the way thread
// priorities are relative to a process's priority class; idle and time-critical are absolute.
//
//   index  level          design value  nice
//   0      idle           -15           19
//   1      lowest          -2           base + 10
//   2      below normal    -1           base + 5
//   3      normal           0           base
//   4      above normal     1           base - 5
//   5      highest          2           base - 10
//   6      time-critical   15           -20
//
// Nice values are clamped to -20 … 19. Setting p picks index floor(p * 6 + 0.5), so 0 is idle,
// 0.5 is normal and 1 is time-critical with evenly spaced bands between. Reading maps the
// thread's nice to the level whose nice is nearest; ties go to the level nearest normal, so a
// thread at the process's own nice always reads 0.5. Raising a thread above the process's nice
// needs CAP_SYS_NICE (or RLIMIT_NICE headroom); without it the kernel refuses with EACCES.
class PosixThreadPriority {
public:
    static constexpr int kLevelCount = 7;
    static constexpr int kNormalLevel = 3;

    // The level index for a scale value in [0, 1] (the caller has checked the range).
    static int LevelForScale(double scale);
    // (design value + 15) / 30.
    static double ScaleOfLevel(int level);
    static int NiceOfLevel(int level, int baseNice);
    static int LevelOfNice(int nice, int baseNice);

    // The process's nice value when it was first read (the normal level).
    static int BaseNice();

    // Set or read the priority of the thread with kernel id `tid` on the scale; each returns 0
    // or the errno of the failed setpriority/getpriority call.
    static int Set(pid_t tid, double scale);
    static int Get(pid_t tid, double& scale);
};

}  // namespace kvfoundation::posix
