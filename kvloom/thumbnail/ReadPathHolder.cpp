#include "kvloom/thumbnail/ReadPathHolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "kvfoundation/data/Factories.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/ProcessLog.h"
#include "kvloom/LoomErrors.h"

namespace kvloom {

namespace data = kvfoundation::data;

namespace {

struct SharedLink {
    int users = 0;
    dev_t device = 0;
    ino_t inode = 0;
};

// The links this process made, by path, with the number of requests reading each.
class LinkRegistry {
public:
    static LinkRegistry& Process() {
        static LinkRegistry* registry = new LinkRegistry();  // outlives every worker
        return *registry;
    }

    enum class Outcome { kShared, kForeignSameFile, kOtherFile, kFailed };

    Outcome Acquire(const std::string& file, const std::string& link) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto known = links_.find(link);
        if (known != links_.end()) {
            ++known->second.users;
            return Outcome::kShared;
        }
        if (::link(file.c_str(), link.c_str()) == 0) {
            struct stat info {};
            ::lstat(link.c_str(), &info);
            links_[link] = {1, info.st_dev, info.st_ino};
            return Outcome::kShared;
        }
        const int error = errno;
        if (error == EEXIST) {
            return SameFile(file, link) ? Outcome::kForeignSameFile : Outcome::kOtherFile;
        }
        kvfoundation::util::LogFormat(2, "link('%s', '%s') failed <%d: %s>", file.c_str(),
                                      link.c_str(), error, std::strerror(error));
        return Outcome::kFailed;
    }

    // The last user removes the link, unless something else has taken its name meanwhile.
    void Release(const std::string& link) {
        std::lock_guard<std::mutex> guard(mutex_);
        auto known = links_.find(link);
        if (known == links_.end() || --known->second.users > 0) {
            return;
        }
        struct stat info {};
        const bool ours = ::lstat(link.c_str(), &info) == 0 &&
                          info.st_dev == known->second.device && info.st_ino == known->second.inode;
        links_.erase(known);
        if (!ours || ::unlink(link.c_str()) != 0) {
            kvfoundation::util::LogFormat(0, "Failed to remove hardlink: %s", link.c_str());
        }
    }

private:
    static bool SameFile(const std::string& a, const std::string& b) {
        struct stat first {
        }, second{};
        return ::stat(a.c_str(), &first) == 0 && ::lstat(b.c_str(), &second) == 0 &&
               S_ISREG(second.st_mode) && first.st_dev == second.st_dev &&
               first.st_ino == second.st_ino;
    }

    std::mutex mutex_;
    std::map<std::string, SharedLink> links_;
};

bool EndsWith(const std::string& text, const std::string& ending) {
    return text.size() >= ending.size() &&
           text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

}  // namespace

void ReadPathHolder::CheckExtension(data::IKVString* extension) {
    const std::string text = extension->CString();
    if (text.find('/') != std::string::npos || text.find("..") != std::string::npos ||
        text.find('\0') != std::string::npos) {
        throw kvfoundation::ncomm::NCException(
            data::Literal(errors::kBadRequest),
            kvfoundation::util::Format("ext '%@' must not hold '/' or '..'", extension));
    }
}

ReadPathHolder::ReadPathHolder(data::IKVString* path, data::IKVString* extension)
    : readPath_(path->CString()) {
    CheckExtension(extension);
    const std::string ending = std::string(".") + extension->CString();
    if (extension->Length() == 0 || EndsWith(readPath_, ending)) {
        return;
    }
    const std::string link = readPath_ + ending;
    switch (LinkRegistry::Process().Acquire(readPath_, link)) {
        case LinkRegistry::Outcome::kShared:
            holdsLink_ = true;
            readPath_ = link;
            return;
        case LinkRegistry::Outcome::kForeignSameFile:
            readPath_ = link;  // read, and left for whoever made it
            return;
        case LinkRegistry::Outcome::kOtherFile:
            kvfoundation::util::LogFormat(1, "'%s' exists and is another file; not replaced",
                                          link.c_str());
            throw kvfoundation::ncomm::NCException(
                data::Literal(errors::kNoThumb),
                kvfoundation::util::Format("Failed to create thumb for file '%@'", path));
        case LinkRegistry::Outcome::kFailed:
            return;  // logged; the engine reads the file under its own name
    }
}

ReadPathHolder::~ReadPathHolder() {
    if (holdsLink_) {
        LinkRegistry::Process().Release(readPath_);
    }
}

}  // namespace kvloom
