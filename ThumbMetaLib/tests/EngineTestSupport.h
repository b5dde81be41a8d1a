#pragma once

// A configurable handler for the engine's registry, matching and driver tests: it claims what
// it is told, hands out the pixels it is given and records what it was asked.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ThumbMetaLib/engine/FBFileFormat.h"

namespace enginetest {

using ThumbMetaLib::ColorProfileHolder;
using ThumbMetaLib::PixelsPtr;
using ThumbMetaLib::ThumbOptions;

class FakeFormat : public ThumbMetaLib::FBFileFormat {
public:
    explicit FakeFormat(std::string kind, int32_t priority = 0) : kind_(std::move(kind)) {
        SetPriority(priority);
    }
    static std::shared_ptr<FakeFormat> Claiming(std::string kind,
                                                std::vector<std::string> extensions,
                                                int32_t priority = 0) {
        auto format = std::make_shared<FakeFormat>(std::move(kind), priority);
        for (std::string& extension : extensions) {
            format->AddExtension(std::move(extension));
        }
        return format;
    }

    using FBFileFormat::AddCreatorType;
    using FBFileFormat::AddExtension;
    using FBFileFormat::AddFileType;

    std::string GetFileKind() const override { return kind_; }
    bool FormatFlag() const override { return false; }
    PixelsPtr CreateQuickThumbnail(const std::string&, ThumbMetaLib::ThumbImageInfo&) override {
        return nullptr;
    }
    PixelsPtr CreateThumbnail(const std::string& path, uint32_t size,
                              ThumbOptions& options) override {
        calls.push_back({path, size, options.status, options.page});
        if (onThumbnail) {
            onThumbnail();
        }
        return pixels;
    }
    bool HasEmbeddedProfile() const override { return static_cast<bool>(embedded); }
    ColorProfileHolder GetEmbeddedProfile() const override { return embedded; }
    bool SupportsDirectXMPRead() const override { return directRead; }
    bool SupportsDirectXMPWrite() const override { return directWrite; }
    int32_t DoDirectXMPWrite(const std::string&, const xmp::TXMPMeta&, uint32_t) override {
        return writeStatus;
    }
    void ShutDown() override {
        if (onShutDown) {
            onShutDown(kind_);
        }
    }

    struct Call {
        std::string path;
        uint32_t size;
        int32_t statusOnEntry;
        int32_t page;
    };
    std::vector<Call> calls;
    PixelsPtr pixels;
    ColorProfileHolder embedded;
    std::function<void()> onThumbnail;
    std::function<void(const std::string&)> onShutDown;
    bool directRead = false;
    bool directWrite = false;
    int32_t writeStatus = -1;

private:
    std::string kind_;
};

}  // namespace enginetest
