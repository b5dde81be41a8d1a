#pragma once

#include <cstddef>
#include <string>

namespace kvfoundation::data {
class IKVString;
}

namespace kvfoundation::posix {

// Text as the system takes it: zero-terminated UTF-8. A string holding a zero code unit has
// no such form (the system would read a shorter name); Valid() is false for it and for null.
class SystemText {
public:
    explicit SystemText(const data::IKVString* text);

    bool Valid() const { return valid_; }
    const char* CStr() const { return bytes_.c_str(); }

private:
    std::string bytes_;
    bool valid_ = false;
};

// An autoreleased string from system bytes read as UTF-8. Bytes that do not decode
// (the system does not promise UTF-8) become U+FFFD instead of failing.
data::IKVString* StringFromSystemText(const char* bytes, std::size_t length);
data::IKVString* StringFromSystemText(const char* text);

}  // namespace kvfoundation::posix
