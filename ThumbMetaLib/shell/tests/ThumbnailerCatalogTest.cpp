// Finding a thumbnailer: the Exec line's quoting and field codes, the folders' order, TryExec,
// our own entry, and the MIME type with its extension tie-breaker.
#include <gtest/gtest.h>

#include "ThumbMetaLib/shell/EngineMimeTypes.h"
#include "ThumbMetaLib/shell/ExecLine.h"
#include "ThumbMetaLib/shell/MimeSniffer.h"
#include "ThumbMetaLib/shell/ThumbnailerCatalog.h"
#include "ThumbMetaLib/shell/tests/ShellTestSupport.h"

namespace ThumbMetaLib::shell {
namespace {

using test::TempFolder;

TEST(ExecLineTest, QuotedArgumentsStayWholeAndFieldCodesExpandInsideThem) {
    const auto split = SplitExecLine(R"(prog -s %s "%i" --uri=%u "a \"q\" \$x" %o 100%%)");
    ASSERT_TRUE(split);
    const ExecFields fields{"/in/my file.png", "file:///in/my%20file.png", "/out/t.png", 128};
    EXPECT_EQ(ExpandExecLine(*split, fields),
              (std::vector<std::string>{"prog", "-s", "128", "/in/my file.png",
                                        "--uri=file:///in/my%20file.png", "a \"q\" $x",
                                        "/out/t.png", "100%"}));
}

TEST(ExecLineTest, RefusesWhatCouldReachAProgramUnexpanded) {
    EXPECT_FALSE(SplitExecLine(""));
    EXPECT_FALSE(SplitExecLine("   "));
    EXPECT_FALSE(SplitExecLine("prog \"unterminated %i"));
    EXPECT_FALSE(SplitExecLine("prog %f %o"));  // a desktop-entry code thumbnailers never get
    EXPECT_FALSE(SplitExecLine("prog %i %"));
}

TEST(ExecLineTest, FileUriEscapesEverythingButUnreservedBytes) {
    EXPECT_EQ(FileUri("/a b/c#d%e/\xc3\xa9.png"), "file:///a%20b/c%23d%25e/%C3%A9.png");
}

class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(user_.Ok() && system_.Ok()); }

    std::vector<std::string> Folders() const {
        return {user_.File("thumbnailers"), system_.File("thumbnailers")};
    }

    TempFolder user_;
    TempFolder system_;
};

TEST_F(CatalogTest, FirstUsableDefinitionOfAMimeTypeWins) {
    test::InstallThumbnailer(system_, "a-system", "/usr/bin/true %i", "image/x-one;image/x-two");
    test::InstallThumbnailer(user_, "b-user", "/usr/bin/env %i", "image/X-Two;image/x-three");
    // Its TryExec is missing: the next definition of its types is used.
    test::InstallThumbnailer(user_, "a-missing", "/usr/bin/true", "image/x-one",
                             "/nonexistent/tool");
    const ThumbnailerCatalog catalog = ThumbnailerCatalog::Load(Folders());
    ASSERT_NE(catalog.ForMimeType("image/x-one"), nullptr);
    EXPECT_EQ(catalog.ForMimeType("image/x-one")->file,
              system_.File("thumbnailers/a-system.thumbnailer"));
    ASSERT_NE(catalog.ForMimeType("IMAGE/x-two"), nullptr);
    EXPECT_EQ(catalog.ForMimeType("image/x-two")->program, "/usr/bin/env");
    EXPECT_EQ(catalog.ForMimeType("image/x-four"), nullptr);
}

TEST_F(CatalogTest, ProgramsAreResolvedOnPathAndMissingOnesAreSkipped) {
    test::InstallThumbnailer(user_, "path", "true %o", "image/x-path");
    test::InstallThumbnailer(user_, "gone", "no-such-thumbnailer-program %o", "image/x-gone");
    user_.Write("thumbnailers/broken.thumbnailer",
                "[Thumbnailer Entry]\nExec=\"open %i\n"
                "MimeType=image/x-broken\n");
    user_.Write("thumbnailers/other-group.thumbnailer",
                "[Desktop Entry]\nExec=true\nMimeType=image/x-other\n");
    const ThumbnailerCatalog catalog = ThumbnailerCatalog::Load(Folders());
    ASSERT_NE(catalog.ForMimeType("image/x-path"), nullptr);
    EXPECT_EQ(catalog.ForMimeType("image/x-path")->program[0], '/');
    EXPECT_EQ(catalog.ForMimeType("image/x-gone"), nullptr);
    EXPECT_EQ(catalog.ForMimeType("image/x-broken"), nullptr);
    EXPECT_EQ(catalog.ForMimeType("image/x-other"), nullptr);
}

TEST_F(CatalogTest, OurOwnEntryIsNeverUsed) {
    const std::string ours = test::WriteScript(user_, "vantory", "exit 0");
    test::InstallThumbnailer(user_, "vantory", "/usr/bin/true %i %o %s", "image/x-own");
    test::InstallThumbnailer(user_, "renamed", ours + " thumb --thumbnailer %i %o %s",
                             "image/x-own-renamed");
    const ThumbnailerCatalog catalog = ThumbnailerCatalog::Load(Folders());
    EXPECT_EQ(catalog.ForMimeType("image/x-own"), nullptr);
    EXPECT_EQ(catalog.ForMimeType("image/x-own-renamed"), nullptr);
}

TEST_F(CatalogTest, TheCurrentCatalogFollowsAddedChangedAndRemovedFiles) {
    test::InstallThumbnailer(user_, "one", "/usr/bin/true %i", "image/x-one");
    const auto first = ThumbnailerCatalog::Current(Folders());
    EXPECT_EQ(ThumbnailerCatalog::Current(Folders()), first) << "unchanged folders reloaded";
    ASSERT_NE(first->ForMimeType("image/x-one"), nullptr);

    test::InstallThumbnailer(system_, "two", "/usr/bin/true %i", "image/x-two");
    EXPECT_NE(ThumbnailerCatalog::Current(Folders())->ForMimeType("image/x-two"), nullptr);
    // Rewritten in place with another type (a different size, whatever the clock says).
    test::InstallThumbnailer(user_, "one", "/usr/bin/true %i", "image/x-renamed");
    const auto changed = ThumbnailerCatalog::Current(Folders());
    EXPECT_EQ(changed->ForMimeType("image/x-one"), nullptr);
    EXPECT_NE(changed->ForMimeType("image/x-renamed"), nullptr);
    std::filesystem::remove(system_.File("thumbnailers/two.thumbnailer"));
    EXPECT_EQ(ThumbnailerCatalog::Current(Folders())->ForMimeType("image/x-two"), nullptr);
    // Other folders are a catalog of their own.
    EXPECT_EQ(ThumbnailerCatalog::Current({system_.File("thumbnailers")})->EntryCount(), 0u);
}

TEST(MimeSnifferTest, ContentDecidesAndTheExtensionOnlyBreaksTies) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    std::filesystem::create_directories(folder.File("mime"));
    folder.Write("mime/globs2",
                 "# comment\n10:application/x-low:*.vt\n"
                 "60:application/x-vantory-test:*.vt\n");
    // A PNG named like something else is still a PNG.
    static constexpr char kPngStart[] =
        "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\1\0\0\0\1\x08\x02\0\0\0";
    const std::string png =
        folder.Write("picture.vt", std::string(kPngStart, sizeof kPngStart - 1));
    const std::string opaque = folder.Write("opaque.VT", std::string("\x01\x02\x03\xfe\xff", 5));
    setenv("XDG_DATA_HOME", folder.File("").c_str(), 1);
    EXPECT_EQ(SniffMimeType(png), "image/png");
    EXPECT_EQ(SniffMimeType(opaque), "application/x-vantory-test");
    EXPECT_EQ(MimeTypeFromExtension("x.unknownext", {folder.File("")}), "");
    unsetenv("XDG_DATA_HOME");
}

TEST(EngineMimeTypesTest, OurThumbnailerEntryOffersExactlyWhatTheEngineHandles) {
    const std::string file = VANTORY_SOURCE_DIR "/share/thumbnailers/vantory.thumbnailer";
    const std::optional<ThumbnailerEntry> entry = ReadThumbnailerFile(file);
    ASSERT_TRUE(entry) << "missing or unreadable: " << file;
    EXPECT_EQ(entry->mimeTypes, EngineMimeTypes());
    EXPECT_TRUE(IsOwnThumbnailer(*entry));
    EXPECT_TRUE(IsEngineMimeType("IMAGE/JPEG"));
    EXPECT_FALSE(IsEngineMimeType("image/png"));
}

}  // namespace
}  // namespace ThumbMetaLib::shell
