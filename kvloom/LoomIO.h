#pragma once

#include <memory>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/ncomm/NCHost.h"
#include "kvloom/BrokerSession.h"
#include "kvloom/Delegate.h"
#include "kvloom/FormatDirectory.h"

namespace kvloom {

// The one service object. Construction starts, in order: the UI framework and its
// application object, the interface broker, the thumbnail engine with its format directory,
// the runner (public or private, by -privateInstance), and the delegate with the NComm host
// around it; it then lists the supported formats in the log. Destruction stops them in the
// reverse order.
class LoomIO final : public kvfoundation::base::KVObjectT<kvfoundation::base::IKVType> {
public:
    // Decides how clients reach the host: serves until the main thread's GUI loop is told to
    // quit.
    class Runner : public kvfoundation::base::IKVType {
    public:
        virtual void Run() = 0;
    };
    class PublicRunner;
    class PrivateRunner;

    // A new reference owned by the caller; `arguments` is the command line, program first.
    // Start-up failures throw (the entry logs them and exits with 66).
    static LoomIO* Create(kvfoundation::data::IKVList* arguments);

    void Run() { runner_->Run(); }
    kvfoundation::ncomm::NCHost* Host() const { return host_.get(); }
    const FormatDirectory& Formats() const { return *formats_; }

private:
    explicit LoomIO(kvfoundation::data::IKVList* arguments);
    ~LoomIO() override;

    void StartEngine();
    void StopEngine();

    std::unique_ptr<BrokerSession> broker_;
    std::unique_ptr<FormatDirectory> formats_;
    kvfoundation::base::KVRefCountT<Runner> runner_;
    kvfoundation::base::KVRefCountT<kvfoundation::ncomm::NCHost> host_;
};

}  // namespace kvloom
