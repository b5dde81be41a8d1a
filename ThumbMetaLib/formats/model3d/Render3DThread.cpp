#include "ThumbMetaLib/formats/model3d/Render3DThread.h"

#include <unistd.h>

#include <exception>

#include "ThumbMetaLib/formats/model3d/Render3DServerPath.h"
#include "ThumbMetaLib/formats/model3d/Render3DWords.h"
#include "ThumbMetaLib/formats/ppm/ReadPPM.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {

Render3DThread::Render3DThread(std::shared_ptr<Render3DJobQueue> queue, std::string outputFolder,
                               Render3DLimits limits)
    : queue_(std::move(queue)), outputFolder_(std::move(outputFolder)), limits_(limits) {}

void Render3DThread::Run() {
    while (std::shared_ptr<Render3DJob> job = queue_->Pop()) {
        Render3DResult result;
        result.status = kRender3DClientError;
        try {
            result = Serve(*job);
        } catch (const std::exception& error) {
            kvfoundation::util::LogFormat(1, "Render3D: %s", error.what());
        }
        job->result.set_value(std::move(result));
    }
    client_.Stop(limits_.stopMs);
}

Render3DResult Render3DThread::Serve(const Render3DJob& job) {
    Render3DResult result;
    result.status = kRender3DClientError;
    if (!client_.IsRunning()) {
        std::string error;
        if (!client_.Start(Render3DServerPath(), error)) {
            kvfoundation::util::LogFormat(1, "Render3D: %s", error.c_str());
            return result;
        }
    }
    const std::string output = outputFolder_ + "/render-" + std::to_string(++jobCount_) + ".ppm";
    std::string reply;
    const int32_t status =
        client_.Request({render3d::kRenderWord, job.modelPath, output, std::to_string(job.size)},
                        limits_.renderMs, reply);
    if (status == 0) {
        result.pixels = ReadPPM(output);
        if (result.pixels) {
            result.status = 0;
        } else {
            kvfoundation::util::LogFormat(1, "Render3D: the server's image cannot be read");
        }
    } else if (!reply.empty()) {
        kvfoundation::util::LogFormat(2, "Render3D: %s: %s", job.modelPath.c_str(), reply.c_str());
    }
    ::unlink(output.c_str());
    return result;
}

}  // namespace ThumbMetaLib
