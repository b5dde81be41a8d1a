#include "kvloom/TMLFormat.h"

#include "kvfoundation/base/KVException.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/util/Format.h"

namespace kvloom {

using kvfoundation::base::KVRefCountT;
using kvfoundation::data::IKVString;

namespace {

IKVString* KindString(const ThumbMetaLib::FBFileFormat& format) {
    const std::string kind = format.GetFileKind();
    return kvfoundation::data::CreateStringFromUTF8(kind.data(), static_cast<int32_t>(kind.size()));
}

}  // namespace

KVRefCountT<TMLFormat> TMLFormat::Create(ThumbMetaLib::FBFileFormatPtr format) {
    return KVRefCountT<TMLFormat>::Adopt(new TMLFormat(std::move(format)));
}

TMLFormat::TMLFormat(ThumbMetaLib::FBFileFormatPtr format)
    : rawCamera_(format->GetFileKind() == kRawCameraKind), format_(std::move(format)) {}

IKVString* TMLFormat::Description() const {
    return kvfoundation::util::Format("[TMLFormat %@]", KindString(*format_));
}

bool TMLFormat::ReadXMP(IKVString* path, xmp::TXMPMeta& tree, bool& writable) const {
    return format_->DoDirectXMPRead(path->CString(), tree, writable) == 0;
}

void TMLFormat::DoDirectXMPWrite(IKVString* path, const xmp::TXMPMeta& tree) const {
    const int32_t status = format_->DoDirectXMPWrite(path->CString(), tree, 0);
    if (status != 0) {
        throw kvfoundation::base::KVException(kvfoundation::util::Format(
            "%@::DoDirectXMPWrite(%@) failed <%d>", Description(), path, static_cast<int>(status)));
    }
}

}  // namespace kvloom
