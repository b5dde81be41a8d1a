#include "ThumbMetaLib/pdf/PDFLinkDocument.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "ThumbMetaLib/pdf/PDFSafeSave.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "ThumbMetaLib/pdf/PagelError.h"

namespace ThumbMetaLib {
namespace {

// Called from inside the glue's walk: must not throw and must not call MuPDF.
long CollectLink(void* user, const unsigned char* bytes, size_t length, unsigned char*, size_t) {
    try {
        static_cast<std::vector<std::string>*>(user)->emplace_back(
            reinterpret_cast<const char*>(bytes), length);
    } catch (...) {
        // Out of memory for the list: the link is left out rather than unwinding through C.
    }
    return -1;
}

long ReplaceLink(void* user, const unsigned char* bytes, size_t length, unsigned char* room,
                 size_t roomSize) {
    const auto& replacements = *static_cast<const PDFLinkMap*>(user);
    const auto found =
        replacements.find(std::string_view(reinterpret_cast<const char*>(bytes), length));
    if (found == replacements.end()) {
        return -1;
    }
    const size_t kept = std::min(found->second.size(), roomSize);
    std::memcpy(room, found->second.data(), kept);
    return static_cast<long>(kept);
}

}  // namespace

PDFLinkDocument::PDFLinkDocument(std::shared_ptr<PDFDocumentHandle> handle, std::string path)
    : handle_(std::move(handle)), path_(std::move(path)) {}

std::unique_ptr<PDFLinkDocument> PDFLinkDocument::Finish(std::shared_ptr<PDFDocumentHandle> handle,
                                                         const PDFGlueError& err, std::string path,
                                                         bool savable) {
    if (!handle) {
        throw PagelError::InFile(err.code, err.text, path);
    }
    std::unique_ptr<PDFLinkDocument> document(
        new PDFLinkDocument(std::move(handle), std::move(path)));
    document->savable_ = savable;
    document->DecideReadOnly();
    return document;
}

std::unique_ptr<PDFLinkDocument> PDFLinkDocument::Open(const std::string& path) {
    PDFGlueError err{};
    auto handle = PDFDocumentHandle::OpenPath(path, false, err);
    return Finish(std::move(handle), err, path, true);
}

std::unique_ptr<PDFLinkDocument> PDFLinkDocument::OpenMemory(const uint8_t* data, size_t size,
                                                             const std::string& name) {
    PDFGlueError err{};
    auto handle = PDFDocumentHandle::OpenMemory(data, size, false, err);
    return Finish(std::move(handle), err, name, false);
}

std::unique_ptr<PDFLinkDocument> PDFLinkDocument::Share(std::shared_ptr<PDFDocumentHandle> handle,
                                                        const std::string& name) {
    return Finish(std::move(handle), PDFGlueError{}, name, false);
}

void PDFLinkDocument::Fail(const PDFGlueError& err) const {
    throw PagelError::InFile(err.code, err.text, path_);
}

void PDFLinkDocument::FailIfCut(const PDFMemoryCapWatch& cap) const {
    if (cap.Tripped()) {
        throw PagelError::InFile(kPDFGlueErrorMemory, kPDFMemoryCapText, path_);
    }
}

bool PDFLinkDocument::PermissionGranted(PDFPermissionOperation operation) const {
    if (operation == kPDFOperationOpen) {
        return !handle_->Locked();
    }
    const int permission = operation == kPDFOperationModify ? 'e' : 'n';
    PDFGlueError err{};
    int granted = 0;
    if (pdfglue_has_permission(handle_->Context(), handle_->Document(), permission, &granted,
                               &err) != 0) {
        Fail(err);
    }
    return granted != 0;
}

void PDFLinkDocument::DecideReadOnly() {
    processable_ = PermissionGranted(kPDFOperationOpen);
    if (!processable_ || !PermissionGranted(kPDFOperationModify) ||
        !PermissionGranted(kPDFOperationAnnotate)) {
        readOnly_ = true;
        return;
    }
    PDFGlueError err{};
    int certified = 0;
    if (pdfglue_is_certified(handle_->Context(), handle_->Document(), &certified, &err) != 0) {
        Fail(err);
    }
    readOnly_ = certified != 0;
}

std::vector<std::string> PDFLinkDocument::ListLinks() const {
    std::vector<std::string> links;
    if (!processable_) {
        return links;
    }
    const PDFMemoryCapWatch cap;
    PDFGlueError err{};
    int replaced = 0;
    if (pdfglue_visit_links(handle_->Context(), handle_->Document(), CollectLink, &links,
                            kPDFLinkRoom, &replaced, &err) != 0) {
        Fail(err);
    }
    FailIfCut(cap);
    return links;
}

void PDFLinkDocument::Save() {
    if (!savable_) {
        throw std::logic_error("a document opened from memory cannot be saved");
    }
    SavePDFOverOriginal(*handle_, path_);
}

bool PDFLinkDocument::UpdateLinks(const PDFLinkMap& replacements) {
    if (!processable_ || readOnly_) {
        return false;
    }
    const PDFMemoryCapWatch cap;
    PDFGlueError err{};
    int replaced = 0;
    if (pdfglue_visit_links(handle_->Context(), handle_->Document(), ReplaceLink,
                            const_cast<PDFLinkMap*>(&replacements), kPDFLinkRoom, &replaced,
                            &err) != 0) {
        Fail(err);
    }
    FailIfCut(cap);  // a walk cut short must not be saved
    Save();
    return true;
}

std::optional<std::string> PDFLinkDocument::ReadMetadata() const {
    if (!processable_) {
        return std::nullopt;
    }
    const PDFMemoryCapWatch cap;
    PDFGlueError err{};
    unsigned char* bytes = nullptr;
    size_t length = 0;
    if (pdfglue_read_metadata(handle_->Context(), handle_->Document(), &bytes, &length, &err) !=
        0) {
        Fail(err);
    }
    if (bytes == nullptr) {
        FailIfCut(cap);
        return std::nullopt;
    }
    std::optional<std::string> packet;
    try {
        packet.emplace(reinterpret_cast<const char*>(bytes), length);
    } catch (...) {
        pdfglue_free(handle_->Context(), bytes);
        throw;
    }
    pdfglue_free(handle_->Context(), bytes);
    return packet;
}

bool PDFLinkDocument::WriteMetadata(std::string_view packet) {
    if (!processable_ || readOnly_) {
        return false;
    }
    PDFGlueError err{};
    if (pdfglue_write_metadata(handle_->Context(), handle_->Document(),
                               reinterpret_cast<const unsigned char*>(packet.data()), packet.size(),
                               &err) != 0) {
        Fail(err);
    }
    Save();
    return true;
}

}  // namespace ThumbMetaLib
