#include "ThumbMetaLib/formats/tiff/TiffFile.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "ThumbMetaLib/formats/tiff/TiffFormatError.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

constexpr int kError = 1;
constexpr int kDebug = 4;

void LogTiffMessage(int level, const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    kvfoundation::util::LogFormat(level, "TIFF: %s: %s", module != nullptr ? module : "libtiff",
                                  text);
}

int OnFileError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    if (user != nullptr) {
        ++static_cast<TiffFile::ClientState*>(user)->errors;
    }
    LogTiffMessage(kError, module, format, args);
    return 1;  // handled: libtiff calls no other handler
}

int OnFileWarning(TIFF*, void*, const char* module, const char* format, va_list args) {
    LogTiffMessage(kDebug, module, format, args);
    return 1;
}

void OnGlobalError(const char* module, const char* format, va_list args) {
    LogTiffMessage(kError, module, format, args);
}

void OnGlobalWarning(const char* module, const char* format, va_list args) {
    LogTiffMessage(kDebug, module, format, args);
}

TiffFile::ClientState& StateOf(thandle_t handle) {
    return *static_cast<TiffFile::ClientState*>(handle);
}

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
    TiffFile::ClientState& state = StateOf(handle);
    const uint64_t total = state.source->Size();
    if (size <= 0 || state.position >= total) {
        return 0;
    }
    const uint64_t count = std::min<uint64_t>(uint64_t(size), total - state.position);
    if (!state.source->ReadAt(state.position, buffer, size_t(count))) {
        return -1;
    }
    state.position += count;
    return tmsize_t(count);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return -1;  // read-only
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    TiffFile::ClientState& state = StateOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) {
        base = state.position;
    } else if (whence == SEEK_END) {
        base = state.source->Size();
    }
    // libtiff passes negative relative offsets as large unsigned values.
    state.position = base + offset;
    return state.position;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return StateOf(handle).source->Size();
}

}  // namespace

void InstallTiffLogHandlers() {
    static std::once_flag once;
    std::call_once(once, [] {
        TIFFSetErrorHandler(&OnGlobalError);
        TIFFSetWarningHandler(&OnGlobalWarning);
    });
}

TiffFile::TiffFile(RasterSource& source, const std::string& name) {
    InstallTiffLogHandlers();
    state_.source = &source;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        throw TiffFormatError("no memory for libtiff's options");
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, &OnFileError, &state_);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &OnFileWarning, &state_);
    // "m": no memory mapping (there is no map procedure anyway). "O": strip and tile offsets
    // are read when a strip or tile is, so a directory that claims millions of strips costs
    // nothing until they are used, and a file opened for its fields or XMP reads no offsets.
    tiff_ = TIFFClientOpenExt(name.c_str(), "rmO", &state_, &ReadProc, &WriteProc, &SeekProc,
                              &CloseProc, &SizeProc, nullptr, nullptr, options);
    TIFFOpenOptionsFree(options);
    if (tiff_ == nullptr) {
        throw TiffFormatError("libtiff does not open the file");
    }
}

TiffFile::~TiffFile() {
    if (tiff_ != nullptr) {
        TIFFClose(tiff_);
    }
}

}  // namespace ThumbMetaLib
