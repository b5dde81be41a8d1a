#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/io/IKVPipeServer.h"
#include "kvfoundation/system/IKVTimer.h"
#include "kvloom/LoomIO.h"

namespace kvloom {

// The public instance: serves every client of this user on the per-user local endpoint,
// one connection per thread, and ends by itself when an idle check finds no connection.
class LoomIO::PublicRunner final : public kvfoundation::base::KVObjectT<LoomIO::Runner> {
public:
    // Seconds between idle checks.
    static constexpr double kIdleInterval = 120.0;
    // For tests only: overrides kIdleInterval with a number of seconds.
    static constexpr const char* kIdleIntervalVariable = "VANTORY_IDLE_CHECK_SECONDS";

    // A new reference owned by the caller; must be made on the main thread (the idle check
    // runs on its loop). A second live instance of the same user fails with
    // "Failed to create communication pipe: %@".
    static PublicRunner* Create(LoomIO* loom);

    void Run() override;

private:
    explicit PublicRunner(LoomIO* loom);
    ~PublicRunner() override;

    // When nobody is connected: closes the endpoint (ending the accept loop) and quits.
    void IdleCheck();

    LoomIO* const loom_;  // owns this runner
    kvfoundation::base::KVRefCountT<kvfoundation::io::IKVPipeServer> server_;
    kvfoundation::base::KVRefCountT<kvfoundation::system::IKVTimer> idleTimer_;
};

}  // namespace kvloom
