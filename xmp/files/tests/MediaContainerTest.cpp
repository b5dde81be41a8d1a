// Audio and video containers: a packet we add or replace is read back by us and by exiftool,
// and the media bytes are unchanged (at the same offsets where the format holds absolute
// offsets: RIFF indexes, ISO sample tables).
#include "ContainerBuilders.h"
#include "XMPFilesTestSupport.h"

namespace {

using namespace xmptest;

struct MediaCase {
    const char* name;
    std::string (*build)();
    xmp::XMP_FileFormat format;
    bool offsetsKept;
    bool exiftoolDecodesXmp;  // exiftool shows AIFF's chunk only as raw ApplicationData
};
void PrintTo(const MediaCase& c, std::ostream* out) {
    *out << c.name;
}

// The packet as exiftool sees it.
std::string ExiftoolPacket(const std::string& path, bool decodesXmp) {
    if (decodesXmp) {
        return ExiftoolXmp(path);
    }
    std::string data = RunShell("exiftool -b -ApplicationData " + Quote(path));
    return data.substr(0, 4) == "XMP " ? data.substr(4) : "(no XMP application chunk)";
}

class MediaContainerTest : public ::testing::TestWithParam<MediaCase> {};

std::string MediaOf(const std::string& file) {
    std::string media = MediaBytes(300);
    std::size_t at = file.find(media);
    return at == std::string::npos ? std::string() : std::to_string(at);
}

TEST_P(MediaContainerTest, InjectAndReplaceAreReadByExiftoolAndKeepTheMedia) {
    TempDir dir;
    std::string path = dir.File(std::string("media.") + GetParam().name);
    std::string original = GetParam().build();
    WriteFile(path, original);
    std::string mediaAt = MediaOf(original);
    ASSERT_FALSE(mediaAt.empty());

    ReadResult fresh = ReadXMP(path, xmp::kXMP_UnknownFile);
    ASSERT_TRUE(fresh.opened);
    EXPECT_FALSE(fresh.found);
    EXPECT_EQ(fresh.format, GetParam().format);
    EXPECT_TRUE(fresh.handlerFlags & xmp::kXMPFiles_CanInjectXMP);

    for (const std::string& packet :
         {MakePacket("First", 10), MakePacket("Second, much longer", 3000),
          MakePacket("Third", 0)}) {
        WriteXMP(path, packet, GetParam().format);
        ReadResult back = ReadXMP(path, GetParam().format);
        ASSERT_TRUE(back.found);
        EXPECT_EQ(back.packet, packet);
        EXPECT_EQ(ExiftoolPacket(path, GetParam().exiftoolDecodesXmp), packet);
        std::string now = ReadFile(path);
        if (GetParam().offsetsKept) {
            EXPECT_EQ(MediaOf(now), mediaAt);
        } else {
            EXPECT_FALSE(MediaOf(now).empty());
        }
    }
    if (GetParam().exiftoolDecodesXmp) {
        EXPECT_EQ(ExiftoolTag(path, "XMP-dc:Title"), "Third");
    }
    EXPECT_EQ(RunShell("exiftool -warning -s3 " + Quote(path)), "");
}

std::string WavFile() {
    return Wav();
}
std::string Mp4File() {
    return Mp4();
}
std::string Mp3File() {
    return Mp3WithTag();
}
std::string BareMp3File() {
    return MpegFrames();
}

INSTANTIATE_TEST_SUITE_P(
    Containers, MediaContainerTest,
    ::testing::Values(MediaCase{"wav", WavFile, xmp::kXMP_WAVFile, true, true},
                      MediaCase{"avi", Avi, xmp::kXMP_AVIFile, true, true},
                      MediaCase{"aiff", Aiff, xmp::kXMP_AIFFFile, false, false},
                      MediaCase{"mp4", Mp4File, xmp::kXMP_MPEG4File, true, true},
                      MediaCase{"mp3", Mp3File, xmp::kXMP_MP3File, false, true},
                      MediaCase{"bare_mp3", BareMp3File, xmp::kXMP_MP3File, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// exiftool puts its uuid box before the media data of a real MP4: replacing it must not move
// a byte of that media data, whatever the new packet's size.
// Files that carry two packets: an update leaves only the new one for readers to find.
TEST(SeveralPacketsTest, EveryOldPacketGivesWayToTheNewOne) {
    std::string first = MakePacket("First old", 300), second = MakePacket("Second old", 300);
    const std::string uuid = "\xBE\x7A\xCF\xCB\x97\xA9\x42\xE8\x9C\x71\x99\x94\x91\xE3\xAF\xAC";
    std::string aiff =
        Aiff() + Chunk("APPL", "XMP " + first, true) + Chunk("APPL", "XMP " + second, true);
    aiff.replace(4, 4, Be32(aiff.size() - 8));
    auto priv = [](const std::string& packet) {
        std::string data = std::string("XMP\0", 4) + packet;
        return "PRIV" + Be32(data.size()) + std::string(2, '\0') + data;
    };
    std::string frames = priv(first) + priv(second);
    std::string mp3 =
        std::string("ID3\x03\x00\x00", 6) +
        std::string{char(frames.size() >> 21 & 0x7F), char(frames.size() >> 14 & 0x7F),
                    char(frames.size() >> 7 & 0x7F), char(frames.size() & 0x7F)} +
        frames + MpegFrames();
    auto resource = [](const std::string& packet) {
        std::string r = "8BIM" + std::string("\x04\x24\0\0", 4) + Be32(packet.size()) + packet;
        return r.size() % 2 ? r + '\0' : r;
    };
    std::string resources = resource(first) + resource(second);
    std::string psd = "8BPS" + std::string("\x00\x01", 2) + std::string(6, '\0') +
                      std::string("\x00\x03", 2) + Be32(1) + Be32(1) +
                      std::string("\x00\x08\x00\x03", 4) + Be32(0) + Be32(resources.size()) +
                      resources + Be32(0) + std::string(2, '\0') + "xyz";
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"two.wav", Wav(Chunk("_PMX", first, false) + Chunk("_PMX", second, false))},
        {"two.aiff", aiff},
        {"two.mp4", Mp4(Box("uuid", uuid + first) + Box("uuid", uuid + second))},
        {"two.mp3", mp3},
        {"two.psd", psd},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::string path = dir.File(c.name);
        WriteFile(path, c.bytes);
        ASSERT_EQ(ReadXMP(path).packet, first) << c.name;
        std::string fresh = MakePacket("New", 1000);  // larger: appended, not in place
        WriteXMP(path, fresh);
        EXPECT_EQ(ReadXMP(path).packet, fresh) << c.name;
    }
}

TEST(MP4UpdateTest, RealFileKeepsMediaOffsetsWhenThePacketGrowsOrShrinks) {
    TempDir dir;
    std::string path = dir.File("clip.mp4");
    std::filesystem::copy_file(CorpusFile("video/mei-with-gps.mp4"), path);
    RunShell("exiftool -q -overwrite_original -XMP-dc:Title=Theirs " + Quote(path));
    ReadResult theirs = ReadXMP(path, xmp::kXMP_MPEG4File);
    ASSERT_TRUE(theirs.found);
    EXPECT_EQ(theirs.packet, ExiftoolXmp(path));
    std::string before = ReadFile(path);
    std::size_t boxEnd = static_cast<std::size_t>(theirs.info.offset + theirs.info.length);
    for (std::size_t padding : {std::size_t{0}, std::size_t{20000}}) {
        WriteXMP(path, MakePacket("Ours", padding), xmp::kXMP_MPEG4File);
        std::string after = ReadFile(path);
        EXPECT_EQ(after.substr(boxEnd, before.size() - boxEnd), before.substr(boxEnd));
        EXPECT_EQ(ExiftoolTag(path, "XMP-dc:Title"), "Ours");
        EXPECT_EQ(RunShell("exiftool -warning -s3 " + Quote(path)), "");
    }
}

TEST(MP4UpdateTest, QuickTimeMoviesAreNeverOpened) {
    std::string mov = CorpusFile("video/mei-xmp480qt.mov");
    xmp::TXMPFiles files;
    EXPECT_FALSE(files.OpenFile(mov, xmp::kXMP_MOVFile));
    EXPECT_FALSE(files.OpenFile(mov, xmp::kXMP_UnknownFile));
    EXPECT_FALSE(files.OpenFile(mov, xmp::kXMP_MPEG4File));
}

}  // namespace
