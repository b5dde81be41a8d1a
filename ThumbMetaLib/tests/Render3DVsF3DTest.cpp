// One render against f3d's of the same model from the same camera: the silhouettes must agree
// (shading differs between renderers; the outline of the model must not).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Render3DTestSupport.h"
#include "TempFolder.h"
#include "ThumbMetaLib/formats/model3d/FB3DFormat.h"
#include "ThumbMetaLib/formats/ppm/ReadPPM.h"

namespace ThumbMetaLib::test {
namespace {

bool Covered(const Pixels& pixels, uint32_t x, uint32_t y) {
    const uint8_t* p = pixels.Bytes() + size_t(y) * pixels.RowBytes() + size_t(x) * 3;
    return p[0] < 245 || p[1] < 245 || p[2] < 245;
}

// Our camera (three-quarter view: 45 degrees around +Y, 30 above, 30-degree field, the
// bounding sphere filling it with a small margin) in f3d's words.
std::string F3DCamera(const std::string& obj) {
    std::ifstream in(obj);
    std::string line;
    double low[3] = {1e30, 1e30, 1e30};
    double high[3] = {-1e30, -1e30, -1e30};
    while (std::getline(in, line)) {
        if (line.rfind("v ", 0) != 0) {
            continue;
        }
        std::istringstream values(line.substr(2));
        for (int i = 0; i < 3; ++i) {
            double v = 0;
            values >> v;
            low[i] = std::min(low[i], v);
            high[i] = std::max(high[i], v);
        }
    }
    const double pi = std::acos(-1.0);
    const double radius = std::sqrt(std::pow(high[0] - low[0], 2) + std::pow(high[1] - low[1], 2) +
                                    std::pow(high[2] - low[2], 2)) /
                          2;
    const double distance = radius * 1.08 / std::sin(15 * pi / 180);
    const double elevation = 30 * pi / 180;
    const double azimuth = 45 * pi / 180;
    const double center[3] = {(low[0] + high[0]) / 2, (low[1] + high[1]) / 2,
                              (low[2] + high[2]) / 2};
    std::ostringstream options;
    options << " --camera-position "
            << center[0] + distance * std::cos(elevation) * std::sin(azimuth) << ","
            << center[1] + distance * std::sin(elevation) << ","
            << center[2] + distance * std::cos(elevation) * std::cos(azimuth)
            << " --camera-focal-point " << center[0] << "," << center[1] << "," << center[2]
            << " --camera-view-up 0,1,0 --camera-view-angle 30";
    return options.str();
}

TEST(Render3DVsF3DTest, SpiderSilhouetteMatchesF3D) {
    for (const char* tool : {"/usr/bin/f3d", "/usr/bin/xvfb-run", "/usr/bin/convert"}) {
        ASSERT_TRUE(std::filesystem::exists(tool)) << "missing tool " << tool;
    }
    const std::string spider = VANTORY_CORPUS_DIR "/model/obj/assimp-spider.obj";
    ASSERT_TRUE(std::filesystem::exists(spider)) << "missing test file " << spider;
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string command = "xvfb-run -a f3d --output '" + folder.File("f3d.png") +
                                "' --resolution 512,512 --bg-color 1,1,1" + F3DCamera(spider) +
                                " '" + spider + "' > /dev/null 2>&1 && convert '" +
                                folder.File("f3d.png") + "' -depth 8 '" + folder.File("f3d.ppm") +
                                "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const PixelsPtr reference = ReadPPM(folder.File("f3d.ppm"));
    ASSERT_TRUE(reference);

    ServerOverride server(RealServer());
    ThumbOptions options;
    const PixelsPtr ours = FB3DFormat::Instance()->CreateThumbnail(spider, 256, options);
    ASSERT_TRUE(ours);
    ASSERT_EQ(reference->Width(), ours->Width());
    ASSERT_EQ(reference->Height(), ours->Height());
    size_t both = 0;
    size_t either = 0;
    for (uint32_t y = 0; y < ours->Height(); ++y) {
        for (uint32_t x = 0; x < ours->Width(); ++x) {
            const bool a = Covered(*ours, x, y);
            const bool b = Covered(*reference, x, y);
            both += a && b ? 1 : 0;
            either += a || b ? 1 : 0;
        }
    }
    ASSERT_GT(either, 0u);
    EXPECT_GT(double(both) / double(either), 0.85) << "silhouette overlap";
}

}  // namespace
}  // namespace ThumbMetaLib::test
