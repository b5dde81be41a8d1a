#include "kvloom/FormatDirectory.h"

#include <cwctype>
#include <string>
#include <vector>

#include "ThumbMetaLib/engine/FormatRegistry.h"
#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvloom {

using kvfoundation::base::KVRefCountT;
using kvfoundation::data::IKVString;

namespace {

constexpr int kInformation = 3;

// The extensions of the vector-drawing documents (document and template) whose XMP the PDF
// format reads and writes.
constexpr const char* kVectorDocumentExtensions[] = {"ai", "ait"};

// Lower-cased by the process locale's mapping, one UTF-16 unit at a time.
IKVString* LowerCased(const IKVString* text) {
    std::u16string units(text->Characters(), static_cast<size_t>(text->Length()));
    for (char16_t& unit : units) {
        unit = static_cast<char16_t>(std::towlower(static_cast<wint_t>(unit)));
    }
    return kvfoundation::data::CreateString(units.data(), static_cast<int32_t>(units.size()));
}

IKVString* LowerCased(const std::string& utf8) {
    return LowerCased(
        kvfoundation::data::CreateStringFromUTF8(utf8.data(), static_cast<int32_t>(utf8.size())));
}

bool IsDirect(const ThumbMetaLib::FBFileFormat& format) {
    return format.SupportsDirectXMPRead() || format.SupportsDirectXMPWrite();
}

}  // namespace

FormatDirectory::FormatDirectory()
    : all_(kvfoundation::data::CreateMutableMap(0)),
      direct_(kvfoundation::data::CreateMutableMap(0)) {
    const ThumbMetaLib::FormatRegistry& registry = ThumbMetaLib::FormatRegistry::Process();
    for (size_t i = 0; i < registry.Count(); ++i) {
        const ThumbMetaLib::FBFileFormatPtr& format = registry.At(i);
        const KVRefCountT<TMLFormat> wrapper = TMLFormat::Create(format);
        const bool direct = IsDirect(*format);
        for (const std::string& type : format->GetReadTypes()) {
            IKVString* key = LowerCased(type);
            all_->SetObjectForKey(key, wrapper.get());
            if (direct) {
                direct_->SetObjectForKey(key, wrapper.get());
            }
        }
    }
    if (kvfoundation::base::IKVType* pdf =
            direct_->ObjectForKey(kvfoundation::data::Literal("pdf"))) {
        for (const char* extension : kVectorDocumentExtensions) {
            direct_->SetObjectForKey(kvfoundation::data::Literal(extension), pdf);
        }
    }
}

TMLFormat* FormatDirectory::LookUp(IKVString* extension) const {
    return kvfoundation::base::KVCast<TMLFormat>(direct_->ObjectForKey(LowerCased(extension)));
}

void FormatDirectory::LogListing() {
    using kvfoundation::util::AppendFormat;
    using kvfoundation::util::LogFormat;
    LogFormat(kInformation, "----    Supported FileFormats     ----");
    const ThumbMetaLib::FormatRegistry& registry = ThumbMetaLib::FormatRegistry::Process();
    for (size_t i = 0; i < registry.Count(); ++i) {
        const ThumbMetaLib::FBFileFormat& format = *registry.At(i);
        const std::string kind = format.GetFileKind();
        KVRefCountT<kvfoundation::data::IKVMutableString> line =
            kvfoundation::data::CreateMutableString(0);
        AppendFormat(line.get(), "%2d. '%@'<%d>", static_cast<int>(i),
                     kvfoundation::data::CreateStringFromUTF8(kind.data(),
                                                              static_cast<int32_t>(kind.size())),
                     static_cast<int>(format.Priority()));
        for (const std::string& type : format.GetReadTypes()) {
            AppendFormat(line.get(), " %s", type.c_str());
        }
        if (format.SupportsDirectXMPRead()) {
            AppendFormat(line.get(), " DirectXMPRead");
        }
        if (format.SupportsDirectXMPWrite()) {
            AppendFormat(line.get(), " DirectXMPWrite");
        }
        LogFormat(kInformation, "%@", line.get());
    }
    LogFormat(kInformation, "---- End of Supported FileFormats ----");
}

}  // namespace kvloom
