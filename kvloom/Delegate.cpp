#include "kvloom/Delegate.h"

#include "kvfoundation/data/Factories.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/util/Format.h"
#include "kvloom/LoomErrors.h"
#include "kvloom/LoomIO.h"
#include "kvloom/metadata/MetadataHandlers.h"

namespace kvloom {

using kvfoundation::ncomm::INCHost;
namespace data = kvfoundation::data;

Delegate* Delegate::Create(LoomIO* loom) {
    return kvfoundation::base::AutoReleased(new Delegate(loom));
}

Delegate::Delegate(LoomIO* loom)
    : loom_(loom), thumbnails_(loom->Formats()), metadata_(loom->Formats()) {
    // Only functions that work are listed: a request for any other name gets the
    // unknown-function error. The page-thumbnail and link functions join this table with the
    // PDF handlers.
    Register("createThumbnail", [this](INCHost::IRequest* r) { thumbnails_.CreateThumbnail(r); });
    Register("getMainPacket", [this](INCHost::IRequest* r) { metadata_.GetMainPacket(r); });
    Register("updateMainPacket", [this](INCHost::IRequest* r) { metadata_.UpdateMainPacket(r); });
    Register("parseRawXMP", [this](INCHost::IRequest* r) { metadata_.ParseRawXMP(r); });
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

// No library the service uses keeps per-thread state yet; the PDF library's is set up and
// released in these two hooks once the PDF handlers exist.
void Delegate::ThreadStarted() {}
void Delegate::ThreadStopped() {}

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
