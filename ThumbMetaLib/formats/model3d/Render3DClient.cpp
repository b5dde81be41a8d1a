#include "ThumbMetaLib/formats/model3d/Render3DClient.h"

#include "ThumbMetaLib/formats/model3d/Render3DWords.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

constexpr size_t kMaxReplyLine = 4096;
constexpr int kWriteTimeoutMs = 5000;

}  // namespace

Render3DClient::~Render3DClient() {
    Abandon();
}

bool Render3DClient::Start(const std::string& executable, std::string& error) {
    Abandon();
    process_ = PosixChildProcess::Start(executable, {}, error);
    return process_ != nullptr;
}

void Render3DClient::Abandon() {
    process_.reset();  // closes the connection, kills and reaps
}

int32_t Render3DClient::Request(const std::vector<std::string>& words, int timeoutMs,
                                std::string& reply) {
    reply.clear();
    if (!process_) {
        return kRender3DClientError;
    }
    if (!process_->Write(render3d::RequestLine(words), kWriteTimeoutMs)) {
        kvfoundation::util::LogFormat(1, "Render3D: the server does not take requests");
        Abandon();
        return kRender3DClientError;
    }
    switch (process_->ReadLine(reply, timeoutMs, kMaxReplyLine)) {
        case PosixChildProcess::ReadResult::kLine:
            return reply == render3d::kOKReply ? 0 : kRender3DClientError;
        case PosixChildProcess::ReadResult::kTimedOut:
            kvfoundation::util::LogFormat(1, "Render3D: no reply within %d ms, server stopped",
                                          timeoutMs);
            break;
        case PosixChildProcess::ReadResult::kClosed:
            kvfoundation::util::LogFormat(1, "Render3D: the server ended without a reply");
            break;
        case PosixChildProcess::ReadResult::kTooLong:
        case PosixChildProcess::ReadResult::kFailed:
            kvfoundation::util::LogFormat(1, "Render3D: unreadable reply, server stopped");
            break;
    }
    Abandon();
    return kRender3DClientError;
}

void Render3DClient::Stop(int timeoutMs) {
    if (!process_) {
        return;
    }
    std::string reply;
    if (process_->Write(render3d::RequestLine({render3d::kUnloadWord}), kWriteTimeoutMs) &&
        process_->ReadLine(reply, timeoutMs, kMaxReplyLine) ==
            PosixChildProcess::ReadResult::kLine &&
        reply == render3d::kOKReply) {
        process_->CloseConnection();
        process_->WaitForExit(timeoutMs);
    } else {
        kvfoundation::util::LogFormat(2, "Render3D: the server did not unload, stopped");
    }
    Abandon();
}

}  // namespace ThumbMetaLib
