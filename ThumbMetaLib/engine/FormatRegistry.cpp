#include "ThumbMetaLib/engine/FormatRegistry.h"

#include <algorithm>
#include <cstdlib>

#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {

FormatRegistry& FormatRegistry::Process() {
    static FormatRegistry* registry = new FormatRegistry();  // outlives every static handler
    return *registry;
}

void FormatRegistry::Register(const FBFileFormatPtr& format) {
    if (!format || std::find(formats_.begin(), formats_.end(), format) != formats_.end()) {
        return;
    }
    const auto position = std::upper_bound(formats_.begin(), formats_.end(), format->Priority(),
                                           [](int32_t priority, const FBFileFormatPtr& other) {
                                               return priority < other->Priority();
                                           });
    formats_.insert(position, format);
}

void FormatRegistry::Unregister(const FBFileFormatPtr& format) {
    formats_.erase(std::remove(formats_.begin(), formats_.end(), format), formats_.end());
}

const FBFileFormatPtr& FormatRegistry::At(size_t index) const {
    if (index >= formats_.size()) {
        kvfoundation::util::LogFormat(0, "ThumbMeta: format index %d outside the registry",
                                      static_cast<int>(index));
        std::abort();
    }
    return formats_[index];
}

FBFileFormatPtr FormatRegistry::FindFormat(const std::string& path) const {
    std::vector<FBFileFormatPtr> found;
    FindFormats(path, found);
    return found.empty() ? nullptr : found.front();
}

void Register(const FBFileFormatPtr& format) {
    FormatRegistry::Process().Register(format);
}
void Unregister(const FBFileFormatPtr& format) {
    FormatRegistry::Process().Unregister(format);
}
size_t Count() {
    return FormatRegistry::Process().Count();
}
const FBFileFormatPtr& At(size_t index) {
    return FormatRegistry::Process().At(index);
}
void FindFormats(const std::string& path, std::vector<FBFileFormatPtr>& found) {
    FormatRegistry::Process().FindFormats(path, found);
}
FBFileFormatPtr FindFormat(const std::string& path) {
    return FormatRegistry::Process().FindFormat(path);
}

}  // namespace ThumbMetaLib
