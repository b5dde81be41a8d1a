#pragma once
// A document opened for its objects: the read-only rule, the file specifications it records
// (listed and rewritten), and its XMP packet. Every library error is a PagelError
// "Error <%d>'%s' in file: %@".
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ThumbMetaLib/pdf/PDFDocumentHandle.h"

namespace ThumbMetaLib {

class PDFMemoryCapWatch;

// The room a link rewrite may fill: a replacement longer than a Linux path is cut there.
inline constexpr size_t kPDFLinkRoom = 4096;

// Permission questions for the document (object class 1), each answered from the document's
// encryption: 8 whether it can be read at all, 0x13 whether its contents may change, 4 whether
// its annotations (where links live) may change.
enum PDFPermissionOperation : int {
    kPDFOperationOpen = 8,
    kPDFOperationModify = 0x13,
    kPDFOperationAnnotate = 4,
};

using PDFLinkMap = std::map<std::string, std::string, std::less<>>;

class PDFLinkDocument {
public:
    // Throws PagelError, or std::runtime_error "Pagel initialization failed".
    static std::unique_ptr<PDFLinkDocument> Open(const std::string& path);
    // For the fuzzer: nothing opened this way can be saved.
    static std::unique_ptr<PDFLinkDocument> OpenMemory(const uint8_t* data, size_t size,
                                                       const std::string& name);
    // For the fuzzer: the objects of a document already open (for its pages too), so that one
    // input is parsed once; nothing opened this way can be saved.
    static std::unique_ptr<PDFLinkDocument> Share(std::shared_ptr<PDFDocumentHandle> handle,
                                                  const std::string& name);

    bool PermissionGranted(PDFPermissionOperation operation) const;
    // Not processable when operation 8 is refused; then also read-only.
    bool Processable() const { return processable_; }
    // Refused operation 8, 0x13 or 4, or a certified document (/Perms /DocMDP).
    bool ReadOnly() const { return readOnly_; }

    // Every non-empty file path the document records, as its bytes; none when not processable.
    std::vector<std::string> ListLinks() const;

    // Replaces each path equal to a key of `replacements` by its value (cut to kPDFLinkRoom),
    // then saves over the file, whether or not a path matched. Nothing is written to a
    // read-only or unprocessable document: then false.
    bool UpdateLinks(const PDFLinkMap& replacements);

    // The /Metadata stream's decoded bytes; none when there is none or the document is locked.
    std::optional<std::string> ReadMetadata() const;
    // Replaces (or adds) the /Metadata stream and saves over the file; false, with nothing
    // written, for a read-only or unprocessable document.
    bool WriteMetadata(std::string_view packet);

private:
    PDFLinkDocument(std::shared_ptr<PDFDocumentHandle> handle, std::string path);
    static std::unique_ptr<PDFLinkDocument> Finish(std::shared_ptr<PDFDocumentHandle> handle,
                                                   const PDFGlueError& err, std::string path,
                                                   bool savable);
    void DecideReadOnly();
    void Save();
    [[noreturn]] void Fail(const PDFGlueError& err) const;
    void FailIfCut(const PDFMemoryCapWatch& cap) const;

    std::shared_ptr<PDFDocumentHandle> handle_;
    std::string path_;
    bool savable_ = false;
    bool processable_ = false;
    bool readOnly_ = true;
};

}  // namespace ThumbMetaLib
