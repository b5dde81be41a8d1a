#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ThumbMetaLib/engine/ThumbImageInfo.h"
#include "ThumbMetaLib/engine/ThumbOptions.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// An operating-system file type or creator, e.g. 'JPEG' (the big-endian ASCII of the code).
using OSCode = uint32_t;
inline constexpr OSCode kWildcardCode = 0x20202020;  // four blanks: matches any code

constexpr OSCode MakeOSCode(const char (&text)[5]) {
    return (OSCode(uint8_t(text[0])) << 24) | (OSCode(uint8_t(text[1])) << 16) |
           (OSCode(uint8_t(text[2])) << 8) | OSCode(uint8_t(text[3]));
}
// The four characters of a code.
std::string OSCodeString(OSCode code);

// The abstract file-format handler. Every handler is a process-wide object held by
// std::shared_ptr; it keeps no per-call state in its members (two workers use it at once).
// A file is named by its path throughout.
class FBFileFormat : public std::enable_shared_from_this<FBFileFormat> {
public:
    struct CreatorType {
        OSCode creator;
        OSCode type;
    };

    virtual ~FBFileFormat();
    FBFileFormat(const FBFileFormat&) = delete;
    FBFileFormat& operator=(const FBFileFormat&) = delete;

    // The localisation key with its default text, e.g. "$$$/Loom/Core/JPEGFileKind=JPEG file".
    virtual std::string GetFileKind() const = 0;
    virtual bool FormatFlag() const = 0;

    // A thumbnail stored in the file; `info` gets the full image's size and format.
    virtual PixelsPtr CreateQuickThumbnail(const std::string& path, ThumbImageInfo& info) = 0;
    // The image decoded at (at least) `size` on its larger side where the format allows.
    virtual PixelsPtr CreateThumbnail(const std::string& path, uint32_t size,
                                      ThumbOptions& options) = 0;
    // Base: the values of FBImageInfo's initialisers, and false.
    virtual bool GetImageInfo(const std::string& path, FBImageInfo& info);

    // The matching rule over the claimed codes and extensions (see FBFileFormat.cpp).
    virtual bool Matches(OSCode creator, OSCode type, const std::string& extension) const;
    // Base: Matches(creator, type, extension).
    virtual bool CanHandle(const std::string& path, OSCode creator, OSCode type,
                           const std::string& extension) const;

    // Creator then type of each pair other than (wildcard, wildcard), then each file type other
    // than the wildcard, then each extension.
    virtual std::vector<std::string> GetReadTypes() const;
    virtual std::vector<std::string> GetWriteTypes() const;

    // The profile embedded in the file of the last CreateThumbnail on the calling thread.
    virtual bool HasEmbeddedProfile() const { return false; }
    virtual ColorProfileHolder GetEmbeddedProfile() const { return {}; }

    virtual bool SupportsDirectXMPRead() const { return false; }
    virtual bool SupportsDirectXMPWrite() const { return false; }
    // 0 = success.
    virtual int32_t DoDirectXMPRead(const std::string& path, xmp::TXMPMeta& meta, bool& found);
    virtual int32_t DoDirectXMPWrite(const std::string& path, const xmp::TXMPMeta& meta,
                                     uint32_t options);

    virtual int32_t GetPageCount(const std::string& path);
    // Base: page <= 0 is CreateThumbnail with fresh options; later pages give nothing.
    virtual PixelsPtr CreatePageThumbnail(const std::string& path, int32_t page, uint32_t size);

    virtual void StartUp() {}
    virtual void ShutDown() {}

    int32_t Priority() const { return priority_; }
    const std::vector<OSCode>& FileTypes() const { return fileTypes_; }
    const std::vector<CreatorType>& CreatorTypes() const { return creatorTypes_; }
    const std::vector<std::string>& Extensions() const { return extensions_; }

protected:
    FBFileFormat() = default;

    void SetPriority(int32_t priority) { priority_ = priority; }
    void AddFileType(OSCode type) { fileTypes_.push_back(type); }
    void AddCreatorType(OSCode creator, OSCode type) { creatorTypes_.push_back({creator, type}); }
    // Stored lower-cased (ASCII), without a leading dot.
    void AddExtension(std::string extension);

private:
    int32_t priority_ = 0;
    std::vector<OSCode> fileTypes_;
    std::vector<CreatorType> creatorTypes_;
    std::vector<std::string> extensions_;
};

using FBFileFormatPtr = std::shared_ptr<FBFileFormat>;

}  // namespace ThumbMetaLib
