#include "kvloom/Delegate.h"

#include "ThumbMetaLib/pdf/PDFSession.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/thread/ScopedLock.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/ProcessLog.h"
#include "kvloom/LoomErrors.h"
#include "kvloom/LoomIO.h"
#include "kvloom/metadata/MetadataHandlers.h"
#include "kvloom/pdf/LinkHandlers.h"
#include "kvloom/pdf/PageThumbnails.h"

namespace kvloom {

using kvfoundation::ncomm::INCHost;
namespace data = kvfoundation::data;

Delegate* Delegate::Create(LoomIO* loom) {
    return kvfoundation::base::AutoReleased(new Delegate(loom));
}

Delegate::Delegate(LoomIO* loom)
    : loom_(loom), thumbnails_(loom->Formats()), metadata_(loom->Formats()) {
    // Only functions that work are listed: a request for any other name gets the
    // unknown-function error.
    Register("createThumbnail", [this](INCHost::IRequest* r) { thumbnails_.CreateThumbnail(r); });
    Register("createPageThumbnails", CreatePageThumbnails);
    Register("getMainPacket", [this](INCHost::IRequest* r) { metadata_.GetMainPacket(r); });
    Register("updateMainPacket", [this](INCHost::IRequest* r) { metadata_.UpdateMainPacket(r); });
    Register("parseRawXMP", [this](INCHost::IRequest* r) { metadata_.ParseRawXMP(r); });
    Register("parseRefs", ParseRefs);
    Register("updateRefs", UpdateRefs);
    Register("watermark", DoNothing);
    Register("applyfilters", DoNothing);
}

void Delegate::Register(const char* name, Handler handler) {
    std::string ascii(name);
    functions_.emplace(std::u16string(ascii.begin(), ascii.end()), std::move(handler));
    order_.emplace_back(name);
}

data::IKVString* Delegate::Name() const {
    return data::Literal("KVLoomIO");
}

// The PDF library's per-thread state is made on the thread's first PDF request.
void Delegate::ThreadStarted() {}

// A worker that ends gives its PDF context back, one ending thread at a time; the main
// thread keeps its own until the process ends (ReleasePDFThread leaves it alone).
void Delegate::ThreadStopped() {
    const kvfoundation::thread::ScopedLock hold(this);
    if (ThumbMetaLib::ReleasePDFThread()) {
        kvfoundation::util::LogFormat(4, "Released the PDF library's state of a worker thread");
    }
}

void Delegate::HandleRequest(INCHost::IRequest* request) {
    data::IKVString* name = request->Name();
    auto function =
        functions_.find(std::u16string(name->Characters(), static_cast<size_t>(name->Length())));
    if (function == functions_.end()) {
        throw kvfoundation::ncomm::NCException(
            data::Literal(errors::kBadRequest),
            kvfoundation::util::Format("Unknown function: %@", name));
    }
    function->second(request);
}

std::vector<std::string> Delegate::FunctionNames() const {
    return order_;
}

void Delegate::DoNothing(INCHost::IRequest*) {}

}  // namespace kvloom
