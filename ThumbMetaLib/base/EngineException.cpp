#include "ThumbMetaLib/base/EngineException.h"

namespace ThumbMetaLib {
namespace {

std::string DefaultText(const std::string& entry) {
    const size_t eq = entry.find('=');
    return eq == std::string::npos ? entry : entry.substr(eq + 1);
}

}  // namespace

EngineException::EngineException(const std::string& entry)
    : std::runtime_error(DefaultText(entry)), entry_(entry) {}

std::string EngineException::Key() const {
    const size_t eq = entry_.find('=');
    return eq == std::string::npos ? entry_ : entry_.substr(0, eq);
}

}  // namespace ThumbMetaLib
