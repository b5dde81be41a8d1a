// Which handler a file name reaches, rule by rule, and how the registry orders what handlers
// claim.
#include <gtest/gtest.h>

#include "ThumbMetaLib/engine/FBNullFileFormat.h"
#include "ThumbMetaLib/engine/FormatRegistry.h"
#include "ThumbMetaLib/formats/jpeg/FBJPEGFormat.h"
#include "ThumbMetaLib/tests/EngineTestSupport.h"

namespace ThumbMetaLib {
namespace {

using enginetest::FakeFormat;

class FormatMatchingTest : public ::testing::Test {
protected:
    std::vector<FBFileFormatPtr> Find(const std::string& path) const {
        std::vector<FBFileFormatPtr> found;
        registry.FindFormats(path, found);
        return found;
    }
    FBFileFormatPtr Only(const std::string& path) const {
        const std::vector<FBFileFormatPtr> found = Find(path);
        EXPECT_EQ(found.size(), 1u) << path;
        return found.empty() ? nullptr : found.front();
    }

    FormatRegistry registry;
    // Claims every name the rules send on to the handlers, so a rule that fails to decide
    // shows up as this handler.
    std::shared_ptr<FakeFormat> greedy = [] {
        auto format = std::make_shared<FakeFormat>("greedy");
        format->AddFileType(kWildcardCode);
        return format;
    }();
};

TEST_F(FormatMatchingTest, NamesDecideWithoutAskingTheHandlers) {
    registry.Register(greedy);
    const FBFileFormatPtr null = FBNullFileFormat::Instance();
    const FBFileFormatPtr jpeg = FBJPEGFormat::Instance();
    for (const char* path : {"notes.txt", "x.xmp", "/a/Library.LOOMCACHE", "b.ds_store",
                             "archive.zip", "c.fff", "d.idlk"}) {
        EXPECT_EQ(Only(path), null) << path;
    }
    // Resource forks copied from other systems, whatever they pretend to be.
    EXPECT_EQ(Only("/photos/._photo.jpg"), null);
    EXPECT_EQ(Only("._PHOTO.PSD"), null);
    for (const char* path : {"IMG.JPG", "a.jpe", "/x/y.Jpeg", "name.with.dots.jpg"}) {
        EXPECT_EQ(Only(path), jpeg) << path;
    }
    // Nothing reads TIFF without the raw-camera handler.
    EXPECT_EQ(Only("scan.tif"), null);
    EXPECT_EQ(Only("scan.TIFF"), null);
    // No extension: the dot of a folder does not count, a trailing dot leaves it empty.
    EXPECT_EQ(Only("README"), null);
    EXPECT_EQ(Only("/some.folder/README"), null);
    EXPECT_EQ(Only("file."), null);
    EXPECT_TRUE(greedy->calls.empty());
}

TEST_F(FormatMatchingTest, OnlyWholeExtensionsMatchTheNameRules) {
    registry.Register(greedy);
    // Near misses of the listed extensions are the handlers' business.
    for (const char* path : {"a.jpgx", "a.jp", "a.txt2", "a.tiffy", "a.tx"}) {
        EXPECT_EQ(Only(path), greedy) << path;
    }
    // "._" only counts at the start of the file name.
    EXPECT_EQ(Only("/dir/a._b.jpg"), FBJPEGFormat::Instance());
}

TEST_F(FormatMatchingTest, OtherFilesGoToTheHandlersThatClaimThem) {
    auto model = FakeFormat::Claiming("3D", {"OBJ", "KMZ"});
    registry.Register(model);
    EXPECT_EQ(Only("model.obj"), model);
    EXPECT_EQ(Only("MODEL.KMZ"), model);
    EXPECT_EQ(Only("file.xyz"), FBUnknownFileFormat::Instance());
}

TEST_F(FormatMatchingTest, ClaimsComeInPriorityThenRegistrationOrder) {
    auto first = FakeFormat::Claiming("first", {"abc"}, 5);
    auto second = FakeFormat::Claiming("second", {"abc"}, 5);
    auto urgent = FakeFormat::Claiming("urgent", {"abc"}, -3);
    auto other = FakeFormat::Claiming("other", {"def"}, 0);
    registry.Register(first);
    registry.Register(other);
    registry.Register(second);
    registry.Register(urgent);
    EXPECT_EQ(Find("x.ABC"), (std::vector<FBFileFormatPtr>{urgent, first, second}));
    // The out list is appended to, not replaced.
    std::vector<FBFileFormatPtr> found{other};
    registry.FindFormats("y.def", found);
    EXPECT_EQ(found, (std::vector<FBFileFormatPtr>{other, other}));
    EXPECT_EQ(registry.FindFormat("z.abc"), urgent);
}

TEST(FormatRegistryTest, InsertsAtTheUpperBoundOfItsPriorityAndOnlyOnce) {
    FormatRegistry registry;
    auto a = std::make_shared<FakeFormat>("a", 0);
    auto b = std::make_shared<FakeFormat>("b", 10);
    auto c = std::make_shared<FakeFormat>("c", 0);
    auto d = std::make_shared<FakeFormat>("d", -1);
    auto e = std::make_shared<FakeFormat>("e", 10);
    for (const auto& format : {a, b, c, d, e, a, b}) {
        registry.Register(format);
    }
    std::string order;
    for (size_t i = 0; i < registry.Count(); ++i) {
        order += registry.At(i)->GetFileKind();
    }
    EXPECT_EQ(order, "dacbe");
    registry.Unregister(c);
    registry.Unregister(c);
    ASSERT_EQ(registry.Count(), 4u);
    EXPECT_EQ(registry.At(2), b);
}

TEST(FormatRegistryDeathTest, AnIndexOutsideTheRegistryEndsTheProcess) {
    FormatRegistry registry;
    registry.Register(std::make_shared<FakeFormat>("only"));
    EXPECT_DEATH(registry.At(1), "");
}

}  // namespace
}  // namespace ThumbMetaLib
