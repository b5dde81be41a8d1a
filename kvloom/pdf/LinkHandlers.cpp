#include "kvloom/pdf/LinkHandlers.h"

#include <memory>
#include <string>
#include <vector>

#include "ThumbMetaLib/pdf/PDFLinkDocument.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/util/Format.h"
#include "kvloom/LoomErrors.h"
#include "kvloom/RequestFile.h"
#include "kvloom/RequestParams.h"
#include "kvloom/pdf/PDFFailure.h"

namespace kvloom {

namespace data = kvfoundation::data;
using kvfoundation::ncomm::INCHost;
using ThumbMetaLib::PDFLinkDocument;

namespace {

// A request may name at most this many replacements.
constexpr int32_t kMaxLinkReplacements = 100000;

std::unique_ptr<PDFLinkDocument> OpenLinks(data::IKVString* path) {
    if (!ThumbMetaLib::EnsurePDFReady()) {
        ThrowPDFNotReady();
    }
    return TranslatingPDFErrors([&] { return PDFLinkDocument::Open(path->CString()); });
}

std::string BytesAt(data::IKVList* list, int32_t index) {
    data::IKVData* bytes = kvfoundation::base::KVCast<data::IKVData>(list->ObjectAt(index));
    if (bytes == nullptr) {
        return {};
    }
    return std::string(reinterpret_cast<const char*>(bytes->Bytes()),
                       static_cast<size_t>(bytes->Length()));
}

[[noreturn]] void BadLinkLists(const char* why, int32_t oldCount, int32_t newCount) {
    throw kvfoundation::ncomm::NCException(
        data::Literal(errors::kBadRequest),
        kvfoundation::util::Format("%s (oldLinks: %d, newLinks: %d)", why,
                                   static_cast<int>(oldCount), static_cast<int>(newCount)));
}

// oldLinks[i] -> newLinks[i] for every index of oldLinks.
ThumbMetaLib::PDFLinkMap ReplacementsOf(const RequestParams& params) {
    data::IKVList* oldLinks = params.RequiredList("oldLinks");
    data::IKVList* newLinks = params.RequiredList("newLinks");
    if (newLinks->Count() < oldLinks->Count()) {
        BadLinkLists("every old link needs its new link", oldLinks->Count(), newLinks->Count());
    }
    if (oldLinks->Count() > kMaxLinkReplacements) {
        BadLinkLists("too many links", oldLinks->Count(), newLinks->Count());
    }
    ThumbMetaLib::PDFLinkMap replacements;
    for (int32_t i = 0; i < oldLinks->Count(); ++i) {
        replacements[BytesAt(oldLinks, i)] = BytesAt(newLinks, i);
    }
    return replacements;
}

}  // namespace

void ParseRefs(INCHost::IRequest* request) {
    const RequestParams params(request->Params());
    data::IKVString* path = params.RequiredString("filePath");
    const std::unique_ptr<PDFLinkDocument> document = OpenLinks(path);
    const std::vector<std::string> links =
        TranslatingPDFErrors([&] { return document->ListLinks(); });

    data::IKVMutableList* list = data::CreateMutableList(0);
    for (const std::string& link : links) {
        list->AddObject(data::CreateData(link.data(), static_cast<int32_t>(link.size())));
    }
    data::IKVMutableMap* results = request->Result();
    results->SetObjectForKey(data::Literal("link"), list);
    results->SetObjectForKey(data::Literal("fileReadOnly"), data::CreateBool(document->ReadOnly()));
}

void UpdateRefs(INCHost::IRequest* request) {
    const RequestParams params(request->Params());
    data::IKVString* path = params.RequiredString("filePath");
    const ThumbMetaLib::PDFLinkMap replacements = ReplacementsOf(params);
    // The save replaces the file through its folder: without this check a file the user may
    // not write would be rewritten all the same.
    CheckRequestFile(path, true);
    const std::unique_ptr<PDFLinkDocument> document = OpenLinks(path);
    TranslatingPDFErrors([&] { document->UpdateLinks(replacements); });
}

}  // namespace kvloom
