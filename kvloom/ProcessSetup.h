#pragma once

#include "kvfoundation/data/IKVList.h"

namespace kvloom {

// Exit codes of the service process.
constexpr int kExitNormal = 0;
constexpr int kExitStartFailed = 66;  // an exception escaped start-up, the run or tear-down
constexpr int kExitCrashed = 99;      // a fatal signal (access violation and the like)

// Logs an uncaught exception at level 0 before the runtime aborts, and ends the process
// with kExitCrashed on SIGSEGV, SIGBUS, SIGILL and SIGFPE.
void InstallTerminationHandlers();

// Makes the directory holding the executable the current directory.
void MakeExecutableDirectoryCurrent();

// Chooses the process log from the command line and the environment:
// - "-debug": standard error at threshold 4, streams untouched;
// - else the standard streams go to /dev/null, and with QUARN_NCOMM_logdir set standard
//   error is appended to "<dir>/VantoryQX3-<pid>.log" (default log, threshold 3);
// - else the system log at threshold 1.
void SetUpLog(kvfoundation::data::IKVList* arguments);

}  // namespace kvloom
