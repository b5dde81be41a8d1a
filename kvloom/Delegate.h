#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/ncomm/INCHost.h"
#include "kvloom/metadata/MetadataHandlers.h"
#include "kvloom/thumbnail/ThumbnailHandler.h"

namespace kvloom {

class LoomIO;

// The service's side of the NComm host: finds each request's handler by its exact name and
// runs it. A handler fills the request's result map or throws; the host turns what it
// throws into the error reply.
class Delegate final
    : public kvfoundation::base::KVObjectT<kvfoundation::ncomm::INCHost::IDelegate> {
public:
    using Handler = std::function<void(kvfoundation::ncomm::INCHost::IRequest* request)>;

    // Autoreleased.
    static Delegate* Create(LoomIO* loom);

    kvfoundation::data::IKVString* Name() const override;
    void ThreadStarted() override;
    void HandleRequest(kvfoundation::ncomm::INCHost::IRequest* request) override;
    void ThreadStopped() override;

    // The names of the functions the service answers, in table order.
    std::vector<std::string> FunctionNames() const;
    LoomIO* Loom() const { return loom_; }

private:
    explicit Delegate(LoomIO* loom);
    ~Delegate() override = default;

    void Register(const char* name, Handler handler);
    // "watermark" and "applyfilters": accepted, with nothing to do and nothing to return.
    static void DoNothing(kvfoundation::ncomm::INCHost::IRequest* request);

    LoomIO* const loom_;  // owns the host that owns this delegate
    const ThumbnailHandler thumbnails_;
    const MetadataHandlers metadata_;
    // Fixed at construction and only read afterwards, so worker threads need no lock. Keyed
    // by the name's code units: names match exactly, case (and any stray character) included.
    std::map<std::u16string, Handler> functions_;
    std::vector<std::string> order_;
};

}  // namespace kvloom
