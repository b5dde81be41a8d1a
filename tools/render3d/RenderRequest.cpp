#include "tools/render3d/RenderRequest.h"

#include <charconv>

#include "ThumbMetaLib/formats/model3d/Render3DWords.h"
#include "tools/render3d/InputLimits.h"
#include "tools/render3d/ModelImport.h"
#include "tools/render3d/PpmOutput.h"
#include "tools/render3d/SceneSurvey.h"

namespace render3d {
namespace {

bool ParseSize(const std::string& word, uint32_t& size) {
    const auto [end, status] = std::from_chars(word.data(), word.data() + word.size(), size);
    return status == std::errc() && end == word.data() + word.size() && size >= kMinRenderSize &&
           size <= kMaxRenderSize;
}

}  // namespace

std::string HandleRender(const std::vector<std::string>& words, ServerState& state) {
    uint32_t size = 0;
    if (words.size() != 4) {
        return "ERR usage: render <model-path> <ppm-path> <size>";
    }
    if (!ParseSize(words[3], size)) {
        return "ERR the size must be a number from " + std::to_string(kMinRenderSize) + " to " +
               std::to_string(kMaxRenderSize);
    }
    std::string error;
    const std::optional<LoadedModel> model = LoadModel(words[1], error);
    if (!model) {
        return "ERR " + error;
    }
    const SceneSurvey survey = SurveyScene(*model->scene, state.maxTriangles);
    if (survey.triangles > state.maxTriangles) {
        return "ERR the model has more than " + std::to_string(state.maxTriangles) + " triangles";
    }
    if (survey.triangles == 0 || survey.empty) {
        return "ERR the model has no triangles to draw";
    }
    std::vector<uint8_t> rgb;
    if (!state.renderer.Render(*model, survey, size, rgb, error) ||
        !WritePPM(words[2], size, rgb, error)) {
        return "ERR " + error;
    }
    return ThumbMetaLib::render3d::kOKReply;
}

}  // namespace render3d
