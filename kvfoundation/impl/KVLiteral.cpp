#include "kvfoundation/impl/KVLiteral.h"

#include <cstring>
#include <mutex>
#include <set>
#include <string_view>

namespace kvfoundation::impl {

// The process-wide set of literals, ordered by their text. Never destroyed: literals are
// immortal and may be used by late static destructors.
class LiteralSet {
public:
    static LiteralSet& Instance() {
        static auto* set = new LiteralSet();
        return *set;
    }

    KVLiteral* Intern(std::string_view text) {
        std::lock_guard<std::mutex> guard(lock_);
        auto found = literals_.find(text);
        if (found != literals_.end()) {
            return found->literal;
        }
        // The text and its UTF-16 form are kept for the life of the process.
        auto* ascii = new char[text.size() + 1];
        std::memcpy(ascii, text.data(), text.size());
        ascii[text.size()] = 0;
        auto* units = new char16_t[text.size() + 1];
        for (size_t i = 0; i <= text.size(); ++i) {
            units[i] = static_cast<unsigned char>(ascii[i]);
        }
        auto* literal = new KVLiteral(units, static_cast<int32_t>(text.size()));
        literals_.insert(Entry{std::string_view(ascii, text.size()), literal});
        return literal;
    }

    int Count() {
        std::lock_guard<std::mutex> guard(lock_);
        return static_cast<int>(literals_.size());
    }

private:
    struct Entry {
        std::string_view text;
        KVLiteral* literal;
    };
    struct ByText {
        using is_transparent = void;
        bool operator()(const Entry& a, const Entry& b) const { return a.text < b.text; }
        bool operator()(const Entry& a, std::string_view b) const { return a.text < b; }
        bool operator()(std::string_view a, const Entry& b) const { return a < b.text; }
    };

    std::mutex lock_;
    std::set<Entry, ByText> literals_;
};

KVLiteral::KVLiteral(const char16_t* units, int32_t length)
    : StringT(base::Immortal{}),
      units_(units),
      length_(length),
      hash_(data::string_ops::Hash(units, length)) {}

KVLiteral* KVLiteral::Intern(const char* ascii) {
    if (ascii == nullptr) {
        static auto* empty = new KVLiteral(u"", 0);
        return empty;
    }
    size_t length = std::strlen(ascii);
    if (length > INT32_MAX) {
        length = INT32_MAX;
    }
    return LiteralSet::Instance().Intern(std::string_view(ascii, length));
}

int KVLiteral::InternedCount() {
    return LiteralSet::Instance().Count();
}

}  // namespace kvfoundation::impl
