#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// The ICC profiles installed on the machine, by description, so that a profile named in a
// file's metadata can be found. Built by scanning the system's ICC folders once.
class HuekoProfileList {
public:
    struct Entry {
        std::string name;  // the profile's description
        std::string path;
    };

    // Scans the given folders (recursively) for .icc and .icm files.
    static std::shared_ptr<const HuekoProfileList> Scan(const std::vector<std::string>& folders);
    // /usr/share/color/icc, /usr/local/share/color/icc and the user's ~/.local/share/icc.
    static std::vector<std::string> SystemFolders();

    const std::vector<Entry>& Entries() const { return entries_; }
    // The profile whose description is exactly `name`, loaded from its file; empty if none.
    ColorProfileHolder Find(const std::string& name) const;

private:
    std::vector<Entry> entries_;
};

// Reads an ICC file of sane size into a profile; empty when unreadable or not a profile.
ColorProfileHolder ProfileFromFile(const std::string& path);

}  // namespace ThumbMetaLib
