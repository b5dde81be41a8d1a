// The real render server behind FB3DFormat: every sample model comes out as a picture of the
// model, the formats reached only through generated files (KMZ, 3DS) too, and what the server
// refuses leaves it serving.
#include <gtest/gtest.h>
#include <zip.h>

#include <assimp/scene.h>
#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <filesystem>
#include <fstream>

#include "Render3DTestSupport.h"
#include "TempFolder.h"
#include "ThumbMetaLib/formats/model3d/FB3DFormat.h"
#include "ThumbMetaLib/formats/model3d/Render3DClient.h"
#include "ThumbMetaLib/formats/model3d/Render3DWords.h"
#include "ThumbMetaLib/posix/PosixChildProcess.h"

namespace ThumbMetaLib::test {
namespace {

namespace fs = std::filesystem;

const std::string kModels = VANTORY_CORPUS_DIR "/model";

struct Rendered {
    PixelsPtr pixels;
    int32_t status;
};

Rendered Render(const std::string& path) {
    ThumbOptions options;
    PixelsPtr pixels = FB3DFormat::Instance()->CreateThumbnail(path, 256, options);
    return {pixels, options.status};
}

void ExpectPictureOfAModel(const std::string& path) {
    SCOPED_TRACE(path);
    const Rendered rendered = Render(path);
    ASSERT_EQ(rendered.status, 0);
    ASSERT_TRUE(rendered.pixels);
    EXPECT_EQ(rendered.pixels->Width(), FB3DFormat::kRenderSize);
    EXPECT_EQ(rendered.pixels->Height(), FB3DFormat::kRenderSize);
    const double share = SilhouetteShare(*rendered.pixels);
    EXPECT_GT(share, 0.03);  // thin models (the spider's legs) cover little
    EXPECT_LT(share, 0.85);  // framed with white around it
}

std::vector<std::string> ModelsUnder(const std::string& root) {
    std::vector<std::string> models;
    std::error_code error;
    for (const char* folder : {"/obj", "/dae"}) {
        for (const auto& entry : fs::directory_iterator(root + folder, error)) {
            const std::string extension = entry.path().extension().string();
            if (extension == ".obj" || extension == ".dae") {
                models.push_back(entry.path().string());
            }
        }
    }
    return models;
}

// The share of colour bytes that differ clearly between two renders of the same size.
double DifferingShare(const Pixels& a, const Pixels& b) {
    size_t differing = 0;
    for (uint32_t y = 0; y < a.Height(); ++y) {
        for (uint32_t x = 0; x < a.Width() * 3; ++x) {
            const int delta =
                int(a.Bytes()[y * a.RowBytes() + x]) - b.Bytes()[y * b.RowBytes() + x];
            differing += std::abs(delta) > 24 ? 1 : 0;
        }
    }
    return double(differing) / (double(a.Width()) * a.Height() * 3);
}

// Adds `source` to `archive` as `name`; false when libzip refuses.
bool AddFile(zip_t* archive, const std::string& name, const std::string& source) {
    zip_source_t* data = zip_source_file(archive, source.c_str(), 0, -1);
    return data != nullptr && zip_file_add(archive, name.c_str(), data, 0) >= 0;
}

class Render3DRenderTest : public ::testing::Test {
protected:
    ServerOverride server_{RealServer()};
};

TEST_F(Render3DRenderTest, EverySampleModelRendersAShape) {
    for (const char* required : {"/obj/assimp-box_UTF16BE.obj", "/obj/assimp-spider.obj"}) {
        ASSERT_TRUE(fs::exists(kModels + required)) << "missing test file " << kModels << required;
    }
    std::vector<std::string> models = ModelsUnder(kModels);
    ASSERT_GE(models.size(), 5u) << "too few models in " << kModels;
    const std::string extra = VANTORY_EXTRA_CORPUS_DIR;
    if (!extra.empty()) {
        const std::vector<std::string> more = ModelsUnder(extra + "/model");
        models.insert(models.end(), more.begin(), more.end());
    }
    for (const std::string& model : models) {
        ExpectPictureOfAModel(model);
    }
}

// The MilkShape spider names its textures ".\name.jpg"; without them the same model must still
// render, in its material colours, and differ from the textured render.
TEST_F(Render3DRenderTest, WindowsTexturePathsAreFoundAndMissingTexturesDrawMaterialColours) {
    const std::string spider = kModels + "/obj/assimp-spider.obj";
    ASSERT_TRUE(fs::exists(spider)) << "missing test file " << spider;
    const Rendered textured = Render(spider);
    ASSERT_EQ(textured.status, 0);

    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    fs::copy_file(spider, folder.File("spider.obj"));
    fs::copy_file(kModels + "/obj/spider.mtl", folder.File("spider.mtl"));
    const Rendered plain = Render(folder.File("spider.obj"));
    ASSERT_EQ(plain.status, 0);
    EXPECT_NEAR(SilhouetteShare(*plain.pixels), SilhouetteShare(*textured.pixels), 0.01);

    EXPECT_GT(DifferingShare(*textured.pixels, *plain.pixels), 0.005) << "textures not drawn";

    // The same textures as PNG files (libpng's path instead of our JPEG codec's).
    std::ifstream mtlIn(kModels + "/obj/spider.mtl");
    std::string mtl((std::istreambuf_iterator<char>(mtlIn)), std::istreambuf_iterator<char>());
    for (size_t at = mtl.find(".jpg"); at != std::string::npos; at = mtl.find(".jpg", at)) {
        mtl.replace(at, 4, ".png");
    }
    folder.Write("spider.mtl", mtl);
    for (const char* name :
         {"SpiderTex", "drkwood2", "engineflare1", "wal67ar_small", "wal69ar_small"}) {
        const std::string command = "convert '" + kModels + "/obj/" + name + ".jpg' '" +
                                    folder.File(std::string(name) + ".png") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    const Rendered png = Render(folder.File("spider.obj"));
    ASSERT_EQ(png.status, 0);
    EXPECT_LT(DifferingShare(*textured.pixels, *png.pixels), 0.002) << "PNG textures differ";
}

// A KMZ keeps its textures in the archive beside the model: they are drawn from there.
TEST_F(Render3DRenderTest, KMZTexturesAreReadFromTheArchive) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    Assimp::Importer importer;
    const aiScene* spider = importer.ReadFile(kModels + "/obj/assimp-spider.obj", 0);
    ASSERT_NE(spider, nullptr);
    Assimp::Exporter exporter;
    ASSERT_EQ(exporter.Export(spider, "collada", folder.File("spider.dae")), AI_SUCCESS);
    auto makeKmz = [&](const std::string& path, bool withTextures) {
        int error = 0;
        zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        ASSERT_NE(archive, nullptr);
        ASSERT_TRUE(AddFile(archive, "models/spider.dae", folder.File("spider.dae")));
        for (const char* name : {"SpiderTex.jpg", "drkwood2.jpg", "engineflare1.jpg",
                                 "wal67ar_small.jpg", "wal69ar_small.jpg"}) {
            if (withTextures) {
                ASSERT_TRUE(
                    AddFile(archive, std::string("models/") + name, kModels + "/obj/" + name));
            }
        }
        ASSERT_EQ(zip_close(archive), 0);
    };
    makeKmz(folder.File("textured.kmz"), true);
    makeKmz(folder.File("plain.kmz"), false);
    const Rendered textured = Render(folder.File("textured.kmz"));
    const Rendered plain = Render(folder.File("plain.kmz"));
    ASSERT_EQ(textured.status, 0);
    ASSERT_EQ(plain.status, 0);
    EXPECT_GT(DifferingShare(*textured.pixels, *plain.pixels), 0.005) << "textures not drawn";
}

TEST_F(Render3DRenderTest, KMZArchivesAnd3DSModelsRender) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string dae = kModels + "/dae/assimp-kwxport_test_vcolors.dae";
    ASSERT_TRUE(fs::exists(dae)) << "missing test file " << dae;

    // A KMZ as Earth tools write it: doc.kml and the COLLADA model in a sub-folder.
    const std::string kmz = folder.File("model.kmz");
    int error = 0;
    zip_t* archive = zip_open(kmz.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    static const char kKml[] =
        "<kml><Model><Link><href>models/model.dae</href></Link></Model></kml>";
    zip_source_t* kml = zip_source_buffer(archive, kKml, sizeof kKml - 1, 0);
    zip_source_t* model = zip_source_file(archive, dae.c_str(), 0, -1);
    ASSERT_GE(zip_file_add(archive, "doc.kml", kml, 0), 0);
    ASSERT_GE(zip_file_add(archive, "models/model.dae", model, 0), 0);
    ASSERT_EQ(zip_close(archive), 0);
    ExpectPictureOfAModel(kmz);

    Assimp::Importer importer;
    const aiScene* box = importer.ReadFile(kModels + "/obj/assimp-cube_usemtl.obj", 0);
    ASSERT_NE(box, nullptr);
    Assimp::Exporter exporter;
    ASSERT_EQ(exporter.Export(box, "3ds", folder.File("box.3ds")), AI_SUCCESS);
    ExpectPictureOfAModel(folder.File("box.3ds"));
}

TEST_F(Render3DRenderTest, PathsWithBlanksAndPercentSignsRender) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string inner = folder.File("my models %20 x");
    fs::create_directory(inner);
    fs::copy_file(kModels + "/obj/assimp-box.obj", inner + "/a box.obj");
    ExpectPictureOfAModel(inner + "/a box.obj");
}

// Refusals are replies, not failures of the server: the same process answers them all and
// then renders again.
TEST_F(Render3DRenderTest, RefusedModelsFailWithoutStoppingTheServer) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    ExpectPictureOfAModel(kModels + "/obj/assimp-box.obj");
    const std::vector<ChildProcess> before = Children();
    ASSERT_EQ(before.size(), 1u);

    std::ifstream dae(kModels + "/dae/assimp-kwxport_test_vcolors.dae");
    const std::string text((std::istreambuf_iterator<char>(dae)), std::istreambuf_iterator<char>());
    const std::vector<std::string> refused = {
        folder.Write("model.u3d", std::string("U3D\0\0\0\0", 8)),
        folder.Write("comments.obj", "# nothing but a comment\n"),
        folder.Write("garbage.3ds", std::string(300, '\x4d')),
        folder.Write("cut.dae", text.substr(0, text.size() / 2)),
        folder.Write("empty.kmz", ""),
        folder.File("missing.obj"),
    };
    for (const std::string& path : refused) {
        SCOPED_TRACE(path);
        const Rendered rendered = Render(path);
        EXPECT_EQ(rendered.status, kRender3DClientError);
        EXPECT_FALSE(rendered.pixels);
    }
    const std::vector<ChildProcess> after = Children();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].pid, before[0].pid);
    ExpectPictureOfAModel(kModels + "/obj/assimp-box.obj");
}

TEST(Render3DLimitsTest, ModelsAboveTheTriangleCapAreRefused) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    // The box has 12 triangles.
    const std::string capped =
        WriteScript(folder.File("capped.sh"), "exec '" + RealServer() + "' --max-triangles 11\n");
    ServerOverride server(capped);
    EXPECT_EQ(Render(kModels + "/obj/assimp-box.obj").status, kRender3DClientError);
}

TEST(Render3DOutputTest, TheServerWritesOnlyTheGivenPath) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string victim = folder.Write("victim.txt", "keep me");
    fs::create_symlink(victim, folder.File("link.ppm"));
    std::string error;
    auto server = PosixChildProcess::Start(RealServer(), {}, error);
    ASSERT_TRUE(server) << error;
    auto ask = [&](const std::string& output) {
        std::string reply;
        EXPECT_TRUE(
            server->Write(render3d::RequestLine({render3d::kRenderWord,
                                                 kModels + "/obj/assimp-box.obj", output, "64"}),
                          5000));
        EXPECT_EQ(server->ReadLine(reply, 60000, 4096), PosixChildProcess::ReadResult::kLine);
        return reply;
    };
    EXPECT_NE(ask(folder.File("link.ppm")), render3d::kOKReply);
    EXPECT_NE(ask(folder.File("no folder/x.ppm")), render3d::kOKReply);
    EXPECT_NE(ask(folder.File("")), render3d::kOKReply);  // the folder itself
    EXPECT_EQ(ask(folder.File("out.ppm")), render3d::kOKReply);
    std::ifstream in(victim);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              "keep me");
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.File(""))) {
        ++files;
    }
    EXPECT_EQ(files, 3u);  // victim, link, out.ppm
}

}  // namespace
}  // namespace ThumbMetaLib::test
