// The packet scanner's rules: packets of any file are found, writeable only with end="w",
// rewritten only in place at exactly the old length, never added.
#include <fcntl.h>
#include <unistd.h>

#include "XMPFilesTestSupport.h"

namespace {

using namespace xmptest;

std::string TextFile(const std::string& packet) {
    return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n" + packet + "\n%%EOF\nshowpage\n";
}

TEST(PacketScannerTest, FindsPacketAndReportsNoInjectOrExpand) {
    TempDir dir;
    std::string packet = MakePacket("Scanned", 500);
    WriteFile(dir.File("a.eps"), TextFile(packet));
    ReadResult r = ReadXMP(dir.File("a.eps"), xmp::kXMP_EPSFile,
                           xmp::kXMPFiles_OpenForRead | xmp::kXMPFiles_OpenLimitedScanning);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.packet, packet);
    EXPECT_EQ(r.info.offset, static_cast<std::int64_t>(TextFile(packet).find("<?xpacket")));
    EXPECT_EQ(r.info.padding, 501);  // with the line break after </x:xmpmeta>
    EXPECT_TRUE(r.info.writeable);
    EXPECT_EQ(r.handlerFlags & (xmp::kXMPFiles_CanInjectXMP | xmp::kXMPFiles_CanExpand), 0u);
}

TEST(PacketScannerTest, RewritesInPlaceByAdjustingPaddingOnly) {
    TempDir dir;
    std::string path = dir.File("a.svg");
    std::string old = MakePacket("Old", 300);
    std::string before = TextFile(old);
    WriteFile(path, before);

    // Shorter and somewhat longer packets both fit: the padding absorbs the difference.
    for (const std::string& title : {std::string("S"), std::string(250, 'L')}) {
        std::string fresh = MakePacket(title, 100);
        WriteXMP(path, fresh);
        std::string after = ReadFile(path);
        ASSERT_EQ(after.size(), before.size());
        std::size_t at = before.find("<?xpacket");
        EXPECT_EQ(after.substr(0, at), before.substr(0, at));
        EXPECT_EQ(after.substr(at + old.size()), before.substr(at + old.size()));
        ReadResult r = ReadXMP(path);
        EXPECT_EQ(r.packet.size(), old.size());
        EXPECT_NE(r.packet.find(title + "</rdf:li>"), std::string::npos);
    }
}

TEST(PacketScannerTest, RefusesWhatCannotBeDoneInPlace) {
    TempDir dir;
    std::string tooLong = MakePacket(std::string(2000, 'x'), 10);
    struct Case {
        const char* name;
        std::string content;
    } cases[] = {
        {"no-padding-left", TextFile(MakePacket("Old", 20))},
        {"read-only-packet", TextFile(MakePacket("Old", 4000, 'r'))},
        {"no-packet", TextFile("no packet here")},
    };
    for (const Case& c : cases) {
        std::string path = dir.File(c.name);
        WriteFile(path, c.content);
        xmp::TXMPFiles files;
        ASSERT_TRUE(files.OpenFile(path, xmp::kXMP_UnknownFile, xmp::kXMPFiles_OpenForUpdate))
            << c.name;
        EXPECT_FALSE(files.CanPutXMP(tooLong)) << c.name;
        EXPECT_THROW(files.PutXMP(tooLong), xmp::XMPError) << c.name;
        files.CloseFile(xmp::kXMPFiles_UpdateSafely);
        EXPECT_EQ(ReadFile(path), c.content) << c.name;
    }
    EXPECT_FALSE(ReadXMP(dir.File("read-only-packet")).info.writeable);
    EXPECT_FALSE(ReadXMP(dir.File("no-packet")).found);
}

// Openings without a proper trailer are skipped in one pass (one scan per opening would take
// hours here), and the well-formed packet after them is the one found.
TEST(PacketScannerTest, ManyBrokenOpeningsCostOnePass) {
    TempDir dir;
    std::string packet = MakePacket("After the noise", 10);
    std::string content;
    for (int i = 0; i < 100000; ++i) {
        content += "<?xpacket begin=";
    }
    content += "<?xpacket end=" + std::string(100, 'x') + "\n" + packet;
    WriteFile(dir.File("noise.ps"), content);
    ReadResult r =
        ReadXMP(dir.File("noise.ps"), xmp::kXMP_UnknownFile, xmp::kXMPFiles_OpenUsePacketScanning);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.packet, packet);
}

// A large sparse file: limited scanning sees its head and tail, full scanning all of it.
TEST(PacketScannerTest, LimitedScanningLooksAtHeadAndTailOnly) {
    TempDir dir;
    std::string packet = MakePacket("Deep", 10);
    constexpr off_t kSize = 48ll << 20;
    for (off_t at : {off_t{20} << 20, kSize - 4096}) {
        std::string path = dir.File("big-" + std::to_string(at));
        int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, kSize), 0);
        ASSERT_EQ(::pwrite(fd, packet.data(), packet.size(), at),
                  static_cast<ssize_t>(packet.size()));
        ::close(fd);
        bool inTail = at > kSize / 2;
        EXPECT_EQ(ReadXMP(path, xmp::kXMP_UnknownFile, xmp::kXMPFiles_OpenLimitedScanning).found,
                  inTail);
        ReadResult full =
            ReadXMP(path, xmp::kXMP_UnknownFile, xmp::kXMPFiles_OpenUsePacketScanning);
        ASSERT_TRUE(full.found);
        EXPECT_EQ(full.info.offset, at);
    }
}

}  // namespace
