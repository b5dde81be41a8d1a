#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "tools/client/ServiceConnection.h"

namespace vantory::client {

struct LaunchOptions {
    // The service executable; empty: FindDaemon().
    std::string daemonPath;
    // Start the service with -debug: it logs to the standard error it inherits.
    bool debug = false;
    // How long to wait for a service that was just started to answer.
    double startTimeoutSeconds = 10.0;
};

// The service executable: $VANTORY_DAEMON when set, else "vantoryd" beside this program.
std::string FindDaemon();

// Starts `arguments` (argv[0] is the program) as a process of its own and returns its pid.
// With `detach` the process is re-parented (double fork, new session), so it outlives its
// starter and leaves no zombie; otherwise the pid is for waitpid. Throws std::runtime_error when
// the program cannot be started.
pid_t StartProcess(const std::vector<std::string>& arguments, bool detach);

// Connects to this user's public instance, starting the service when none is listening.
// Throws std::runtime_error when the started service does not answer within the options'
// start time-out, or at once when it exits before answering.
std::unique_ptr<ServiceConnection> ConnectPublic(const LaunchOptions& options);

}  // namespace vantory::client
