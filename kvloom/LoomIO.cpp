#include "kvloom/LoomIO.h"

#include "kvfoundation/system/Environment.h"
#include "kvloom/KVTessel.h"
#include "kvloom/PrivateRunner.h"
#include "kvloom/PublicRunner.h"

namespace kvloom {

using kvfoundation::base::KVRefCountT;

LoomIO* LoomIO::Create(kvfoundation::data::IKVList* arguments) {
    return new LoomIO(arguments);
}

LoomIO::LoomIO(kvfoundation::data::IKVList* arguments) {
    Tessel::StartFramework();
    KVTessel::Application();
    broker_ = std::make_unique<BrokerSession>();
    if (kvfoundation::system::HasOption(arguments, "-privateInstance")) {
        runner_ = KVRefCountT<Runner>::Adopt(PrivateRunner::Create(this, arguments));
    } else {
        runner_ = KVRefCountT<Runner>::Adopt(PublicRunner::Create(this));
    }
    host_ = kvfoundation::ncomm::NCHost::Create(Delegate::Create(this));
}

LoomIO::~LoomIO() {
    runner_.Reset();
    host_.Reset();
    broker_.reset();
    Tessel::ReleaseDeferredObjects();
}

}  // namespace kvloom
