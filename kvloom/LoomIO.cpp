#include "kvloom/LoomIO.h"

#include <stdexcept>

#include "ThumbMetaLib/engine/EngineStartup.h"
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
    StartEngine();
    if (kvfoundation::system::HasOption(arguments, "-privateInstance")) {
        runner_ = KVRefCountT<Runner>::Adopt(PrivateRunner::Create(this, arguments));
    } else {
        runner_ = KVRefCountT<Runner>::Adopt(PublicRunner::Create(this));
    }
    host_ = kvfoundation::ncomm::NCHost::Create(Delegate::Create(this));
    FormatDirectory::LogListing();
}

LoomIO::~LoomIO() {
    runner_.Reset();
    host_.Reset();
    StopEngine();
    broker_.reset();
    Tessel::ReleaseDeferredObjects();
}

// The engine's folders are the current directory (the executable's, made current at entry).
void LoomIO::StartEngine() {
    const char* folder = kvfoundation::system::GetEnvironment()->CurrentDirectory()->CString();
    if (!ThumbMetaLib::Initialize(
            ThumbMetaLib::TMLInitParams::ForService(broker_->Handle(), folder, "VantoryQX3"))) {
        throw std::runtime_error("Failed to initialize ThumbMeta.");
    }
    ThumbMetaLib::RegisterStandardFormats();
    formats_ = std::make_unique<FormatDirectory>();
}

void LoomIO::StopEngine() {
    if (formats_) {
        ThumbMetaLib::Terminate();
        formats_.reset();
    }
}

}  // namespace kvloom
