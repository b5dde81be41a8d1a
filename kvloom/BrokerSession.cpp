#include "kvloom/BrokerSession.h"

#include <stdexcept>

#include "kvfoundation/util/ProcessLog.h"

namespace kvloom {

namespace {

void LogBrokerError(const char* message) {
    kvfoundation::util::LogFormat(0, "YarbError: %s", message);
}

}  // namespace

BrokerSession::BrokerSession() {
    if ((yarb::Version() & 0x7fffffffu) < kMinimumVersion) {
        throw std::runtime_error("Bad Yarb version");
    }
    handle_ = yarb::Start(LogBrokerError);
    if (handle_ == nullptr) {
        throw std::runtime_error("Yarb initialization failed");
    }
}

BrokerSession::~BrokerSession() {
    yarb::Terminate(handle_);
}

}  // namespace kvloom
