#pragma once

#include <stdexcept>
#include <string>

namespace ThumbMetaLib {

// An error of the engine itself (not of a closed library). It carries the localisation entry
// "$$$/Key=Default text"; what() is the default text.
class EngineException : public std::runtime_error {
public:
    explicit EngineException(const std::string& entry);

    const std::string& Entry() const { return entry_; }
    // The part before '=', e.g. "$$$/Loom/AlertText/ScratchBuffers/NoScratch".
    std::string Key() const;

private:
    std::string entry_;
};

// The direct scratch allocation could not be served from the thread's buffer.
inline constexpr const char* kNoScratchEntry =
    "$$$/Loom/AlertText/ScratchBuffers/NoScratch=There is not enough scratch memory available.";

}  // namespace ThumbMetaLib
