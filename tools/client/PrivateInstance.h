#pragma once

#include <sys/types.h>

#include <memory>
#include <vector>

#include "tools/client/ServiceConnection.h"
#include "tools/client/ServiceLauncher.h"

namespace vantory::client {

// A private instance of the service: we listen on a loopback port, start the service with
// -privateInstance -port P -threadCt N, and take its N connections. The service ends when
// they have all ended.
class PrivateInstance {
public:
    // Throws std::runtime_error when the service cannot be started or does not connect within
    // the options' start time-out.
    PrivateInstance(const LaunchOptions& options, int connections);
    // Ends every connection and waits for the service to exit.
    ~PrivateInstance();
    PrivateInstance(const PrivateInstance&) = delete;
    PrivateInstance& operator=(const PrivateInstance&) = delete;

    ServiceConnection& Connection(size_t index) { return *connections_.at(index); }
    size_t ConnectionCount() const { return connections_.size(); }
    pid_t Pid() const { return pid_; }

    // Ends every connection and returns the service's exit status (as waitpid reports it).
    int Finish();

private:
    std::vector<std::unique_ptr<ServiceConnection>> connections_;
    pid_t pid_ = -1;
    int status_ = -1;
};

}  // namespace vantory::client
