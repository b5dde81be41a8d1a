#pragma once

#include "ThumbMetaLib/engine/FBFileFormat.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVString.h"

namespace kvloom {

// One engine format as the service's metadata handlers see it: whether it reads or writes a
// file's XMP itself, and whether it is the raw-camera format (whose files are never written
// through it).
class TMLFormat final : public kvfoundation::base::KVObjectT<kvfoundation::base::IKVType> {
public:
    // The raw-camera format's kind string.
    static constexpr const char* kRawCameraKind = "Rawlith";

    static kvfoundation::base::KVRefCountT<TMLFormat> Create(ThumbMetaLib::FBFileFormatPtr format);

    // "[TMLFormat <kind string>]".
    kvfoundation::data::IKVString* Description() const override;

    bool IsRawCamera() const { return rawCamera_; }
    const ThumbMetaLib::FBFileFormatPtr& Format() const { return format_; }

    // Reads the file's XMP into `tree` through the format; true on success (status 0).
    // `writable` is the format's answer to whether it can write the file back.
    bool ReadXMP(kvfoundation::data::IKVString* path, xmp::TXMPMeta& tree, bool& writable) const;
    // Writes `tree` into the file through the format; a failure raises KVException
    // "%@::DoDirectXMPWrite(%@) failed <%d>".
    void DoDirectXMPWrite(kvfoundation::data::IKVString* path, const xmp::TXMPMeta& tree) const;

private:
    explicit TMLFormat(ThumbMetaLib::FBFileFormatPtr format);
    ~TMLFormat() override = default;

    bool rawCamera_;
    ThumbMetaLib::FBFileFormatPtr format_;
};

}  // namespace kvloom
