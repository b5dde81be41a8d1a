#include "TXMPFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "handlers/HandlerRegistry.h"
#include "io/ByteSource.h"
#include "io/OutputPlan.h"
#include "io/SafeUpdate.h"

namespace xmp {
namespace {

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

}  // namespace

struct TXMPFiles::OpenState {
    OpenState(int fd, const struct stat& st)
        : file(fd), source(fd, static_cast<std::uint64_t>(st.st_size)), stat(st) {}
    UniqueFd file;
    FileByteSource source;
    struct stat stat;
    std::string path;
    XMP_OptionBits openFlags = 0;
    XMP_FileFormat format = kXMP_UnknownFile;
    std::unique_ptr<FileHandler> handler;
    std::optional<FoundPacket> found;
    std::optional<OutputPlan> staged;
};

bool TXMPFiles::Initialize() {
    return true;
}
void TXMPFiles::Terminate() {}

TXMPFiles::TXMPFiles() = default;
TXMPFiles::~TXMPFiles() = default;

bool TXMPFiles::OpenFile(const std::string& filePath, XMP_FileFormat format,
                         XMP_OptionBits openFlags) {
    if (open_) {
        throw XMPError(kXMPErr_BadParam, "A file is already open");
    }
    if (format == kXMP_MOVFile) {
        return false;
    }
    bool forUpdate = (openFlags & kXMPFiles_OpenForUpdate) != 0;
    if (forUpdate && ::access(filePath.c_str(), W_OK) != 0 && errno != ENOENT) {
        throw XMPError(kXMPErr_FilePermission,
                       "'" + filePath + "' cannot be written: " + std::strerror(errno));
    }
    int fd = ::open(filePath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    auto state = std::make_unique<OpenState>(fd, st);  // owns fd from here
    bool wholeFile = (openFlags & kXMPFiles_OpenUsePacketScanning) != 0;
    state->handler = ChooseHandler(state->source, format, true, wholeFile);
    if (!state->handler) {
        return false;
    }
    state->path = filePath;
    state->openFlags = openFlags;
    state->format = state->handler->Format();
    state->found = state->handler->ReadXMP(state->source);
    open_ = std::move(state);
    return true;
}

void TXMPFiles::CloseFile(XMP_OptionBits /*closeFlags*/) {
    std::unique_ptr<OpenState> state = std::move(open_);
    if (!state || !state->staged) {
        return;
    }
    struct stat now {};
    if (::stat(state->path.c_str(), &now) != 0 || !SameFile(now, state->stat)) {
        throw XMPError(kXMPErr_FileIO,
                       "'" + state->path + "' changed while it was open; not updated");
    }
    SafeUpdateFile(state->path, state->source, *state->staged);
}

bool TXMPFiles::GetFileInfo(std::string* filePath, XMP_OptionBits* openFlags,
                            XMP_FileFormat* format, XMP_OptionBits* handlerFlags) const {
    if (!open_) {
        return false;
    }
    if (filePath) {
        *filePath = open_->path;
    }
    if (openFlags) {
        *openFlags = open_->openFlags;
    }
    if (format) {
        *format = open_->format;
    }
    if (handlerFlags) {
        *handlerFlags = open_->handler->HandlerFlags();
    }
    return true;
}

bool TXMPFiles::GetXMP(std::string* packet, XMPPacketInfo* info) const {
    if (!open_ || !open_->found) {
        return false;
    }
    if (packet) {
        *packet = open_->found->packet;
    }
    if (info) {
        *info = open_->found->info;
    }
    return true;
}

bool TXMPFiles::GetExtendedXMP(std::string* extended) const {
    if (!open_ || !open_->found || open_->found->extended.empty()) {
        return false;
    }
    if (extended) {
        *extended = open_->found->extended;
    }
    return true;
}

void TXMPFiles::PutXMP(const std::string& packet) {
    if (!open_) {
        throw XMPError(kXMPErr_BadParam, "No file is open");
    }
    if ((open_->openFlags & kXMPFiles_OpenForUpdate) == 0) {
        throw XMPError(kXMPErr_BadParam, "The file was not opened for update");
    }
    if (packet.size() > kMaxPacketBytes) {
        throw XMPError(kXMPErr_BadParam, "XMP packet larger than the limit");
    }
    open_->staged = open_->handler->PlanUpdate(open_->source, packet);
}

bool TXMPFiles::CanPutXMP(const std::string& packet) const {
    if (!open_ || (open_->openFlags & kXMPFiles_OpenForUpdate) == 0 ||
        packet.size() > kMaxPacketBytes) {
        return false;
    }
    try {
        open_->handler->PlanUpdate(open_->source, packet);
        return true;
    } catch (const XMPError&) {
        return false;
    }
}

}  // namespace xmp
