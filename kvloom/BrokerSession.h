#pragma once

#include "kvloom/yarb/YarbBroker.h"

namespace kvloom {

// The service's use of the interface broker, started and stopped with the service.
class BrokerSession {
public:
    // The lowest broker version the service works with.
    static constexpr uint32_t kMinimumVersion = 0x10201;

    // Throws std::runtime_error "Bad Yarb version" or "Yarb initialization failed".
    BrokerSession();
    ~BrokerSession();
    BrokerSession(const BrokerSession&) = delete;
    BrokerSession& operator=(const BrokerSession&) = delete;

    yarb::Handle Handle() const { return handle_; }

private:
    yarb::Handle handle_ = nullptr;
};

}  // namespace kvloom
