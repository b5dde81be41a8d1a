// Safe update: a failure at any step leaves the original and no temporary file; a success
// keeps the file's permission bits; a file changed behind our back is not overwritten.
#include <sys/stat.h>

#include "XMPFilesTestSupport.h"
#include "io/SafeUpdate.h"

namespace {

using namespace xmptest;

class SafeUpdateTest : public ::testing::Test {
protected:
    void TearDown() override { xmp::SetSafeUpdateFaultHook(nullptr); }
};

TEST_F(SafeUpdateTest, FailureAtAnyStepLeavesTheOriginalAndNoTemporaryFile) {
    for (xmp::SafeUpdateStep failAt :
         {xmp::SafeUpdateStep::kCreated, xmp::SafeUpdateStep::kWritten,
          xmp::SafeUpdateStep::kSynced, xmp::SafeUpdateStep::kBeforeRename}) {
        TempDir dir;
        std::string path = dir.File("image.png");
        RunShell("convert -size 8x8 xc:green " + Quote(path));
        std::string before = ReadFile(path);
        ASSERT_FALSE(before.empty());
        xmp::SetSafeUpdateFaultHook([failAt](xmp::SafeUpdateStep step) {
            if (step == failAt) {
                throw xmp::XMPError(xmp::kXMPErr_FileIO, "injected failure");
            }
        });
        xmp::TXMPFiles files;
        ASSERT_TRUE(files.OpenFile(path, xmp::kXMP_PNGFile, xmp::kXMPFiles_OpenForUpdate));
        files.PutXMP(MakePacket("never written"));
        EXPECT_THROW(files.CloseFile(xmp::kXMPFiles_UpdateSafely), xmp::XMPError);
        EXPECT_EQ(ReadFile(path), before);
        EXPECT_EQ(dir.EntryCount(), 1u) << "temporary file left behind";
    }
}

TEST_F(SafeUpdateTest, KeepsPermissionsAndRefusesFilesChangedWhileOpen) {
    TempDir dir;
    std::string path = dir.File("image.png");
    RunShell("convert -size 8x8 xc:green " + Quote(path));
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    WriteXMP(path, MakePacket("kept mode"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(dir.EntryCount(), 1u);

    xmp::TXMPFiles files;
    ASSERT_TRUE(files.OpenFile(path, xmp::kXMP_PNGFile, xmp::kXMPFiles_OpenForUpdate));
    files.PutXMP(MakePacket("lost"));
    std::string changed = ReadFile(path) + "appended by someone else";
    WriteFile(path, changed);
    EXPECT_THROW(files.CloseFile(xmp::kXMPFiles_UpdateSafely), xmp::XMPError);
    EXPECT_EQ(ReadFile(path), changed);
}

TEST_F(SafeUpdateTest, ASymbolicLinkStaysALinkAndItsTargetIsUpdated) {
    TempDir dir;
    std::string target = dir.File("image.png");
    std::string link = dir.File("link.png");
    RunShell("convert -size 8x8 xc:green " + Quote(target));
    ASSERT_EQ(::symlink("image.png", link.c_str()), 0);
    WriteXMP(link, MakePacket("through the link"));
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ExiftoolTag(target, "XMP-dc:Title"), "through the link");
    EXPECT_EQ(dir.EntryCount(), 2u);
}

TEST_F(SafeUpdateTest, ReadOnlyOpenAndDestructionNeverWrite) {
    TempDir dir;
    std::string path = dir.File("image.png");
    RunShell("convert -size 8x8 xc:green " + Quote(path));
    std::string before = ReadFile(path);
    {
        xmp::TXMPFiles files;
        ASSERT_TRUE(files.OpenFile(path, xmp::kXMP_PNGFile, xmp::kXMPFiles_OpenForRead));
        EXPECT_THROW(files.PutXMP(MakePacket("x")), xmp::XMPError);
    }
    {
        xmp::TXMPFiles files;
        ASSERT_TRUE(files.OpenFile(path, xmp::kXMP_PNGFile, xmp::kXMPFiles_OpenForUpdate));
        files.PutXMP(MakePacket("discarded"));
    }
    EXPECT_EQ(ReadFile(path), before);
}

}  // namespace
