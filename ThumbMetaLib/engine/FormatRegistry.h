#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ThumbMetaLib/engine/FBFileFormat.h"

namespace ThumbMetaLib {

// The handlers, ascending by priority; equal priorities keep their registration order. Filled
// at start-up and only read while requests are served, so reads take no lock.
class FormatRegistry {
public:
    // The process's registry, made on first use and never destroyed.
    static FormatRegistry& Process();

    // Inserted at the upper bound of its priority; a handler already registered stays put.
    void Register(const FBFileFormatPtr& format);
    void Unregister(const FBFileFormatPtr& format);
    size_t Count() const { return formats_.size(); }
    // An index outside the registry is a programming error: the process ends.
    const FBFileFormatPtr& At(size_t index) const;

    // The handlers for a file by the matching rules (FormatMatching.cpp); never empty.
    void FindFormats(const std::string& path, std::vector<FBFileFormatPtr>& found) const;
    FBFileFormatPtr FindFormat(const std::string& path) const;

private:
    std::vector<FBFileFormatPtr> formats_;
};

// The process registry's operations.
void Register(const FBFileFormatPtr& format);
void Unregister(const FBFileFormatPtr& format);
size_t Count();
const FBFileFormatPtr& At(size_t index);
void FindFormats(const std::string& path, std::vector<FBFileFormatPtr>& found);
FBFileFormatPtr FindFormat(const std::string& path);

}  // namespace ThumbMetaLib
