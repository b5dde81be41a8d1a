#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVList.h"
#include "kvloom/LoomIO.h"

namespace kvloom {

// The private instance: the client listens on a port of "localhost" and the service opens
// -threadCt connections to it, each served on a thread of its own. The service ends when
// every connection has ended.
class LoomIO::PrivateRunner final : public kvfoundation::base::KVObjectT<LoomIO::Runner> {
public:
    // A new reference owned by the caller. Reads -port (absent: "missing argument: -port")
    // and -threadCt (default 1; below 1: "Invalid -threadCt parameter: '%@'"), then
    // connects every channel; a refused connection fails the start.
    static PrivateRunner* Create(LoomIO* loom, kvfoundation::data::IKVList* arguments);

    void Run() override;

private:
    PrivateRunner(LoomIO* loom, kvfoundation::data::IKVList* arguments);
    ~PrivateRunner() override = default;

    LoomIO* const loom_;  // owns this runner
    kvfoundation::base::KVRefCountT<kvfoundation::data::IKVList> channels_;
};

}  // namespace kvloom
