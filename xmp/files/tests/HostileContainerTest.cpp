// Damaged and hostile containers are refused with a clear error when opened, and never
// written; structures that point back at themselves do not hang a reader.
#include "ContainerBuilders.h"
#include "XMPFilesTestSupport.h"

namespace {

using namespace xmptest;

std::string TiffLE(std::uint32_t ifdOffset, std::uint16_t count, const std::string& entries,
                   std::uint32_t next) {
    std::string le16 = {char(count), char(count >> 8)};
    return std::string("II*\0", 4) + Le32(ifdOffset) + le16 + entries + Le32(next);
}

TEST(HostileContainerTest, DamagedStructuresAreRefusedAndNeverWritten) {
    const std::string png = "\x89PNG\r\n\x1a\n";
    const std::string ihdr = Be32(13) + "IHDR" + std::string(13, '\x01') + Be32(0);
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"jpeg-segment-past-eof", "\xFF\xD8\xFF\xE1\xFF\xF0http://ns.adobe.com/xap/1.0/"},
        {"tiff-ifd-past-eof", TiffLE(0x7FFFFFF0, 1, "", 0)},
        {"tiff-entries-past-eof", TiffLE(8, 500, std::string(12, '\0'), 0)},
        {"tiff-xmp-past-eof",
         TiffLE(8, 1, std::string("\xBC\x02\x07\x00", 4) + Le32(100000) + Le32(26), 0)},
        {"png-huge-chunk", png + ihdr + Be32(0x7FFFFFF0) + "iTXt" + "XML:com.adobe.xmp"},
        {"png-no-iend", png + ihdr},
        {"gif-truncated-blocks", std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00", 13) +
                                     "\x21\xFF\x0B"
                                     "XMP DataXMP\x40<?xp"},
        {"psd-resource-past-section", std::string("8BPS\x00\x01", 6) + std::string(20, '\0') +
                                          Be32(0) + Be32(20) + "8BIM\x04\x24\x00\x00" + Be32(5000) +
                                          std::string(8, ' ')},
        {"riff-form-past-eof", "RIFF" + Le32(100000) + "WAVE" + Chunk("data", "abcd", false)},
        {"riff-chunk-past-form", "RIFF" + Le32(4 + 8 + 4) + "WAVE" + "_PMX" + Le32(5000) + "<?xp"},
        {"mp4-largesize-huge",
         Box("ftyp", "isom" + Be32(0)) + Be32(1) + "uuid" + Be32(0x7FFFFFFF) + Be32(0xFFFFFF00)},
        {"mp4-size-below-header",
         Box("ftyp", "isom" + Be32(0)) + Be32(4) + "free" + std::string(16, '\0')},
        {"mp4-size-past-eof",
         Box("ftyp", "isom" + Be32(0)) + Be32(0x10000) + "mdat" + std::string(16, '\0')},
        {"aiff-chunk-past-form", "FORM" + Be32(4 + 8) + "AIFF" + "APPL" + Be32(900) + "XMP "},
        {"id3-frame-past-tag", std::string("ID3\x03\x00\x00\x00\x00\x00\x14", 10) + "PRIV" +
                                   Be32(1000) + std::string(2, '\0') + std::string("XMP\0", 4) +
                                   std::string(6, ' ')},
        {"id3-size-not-synchsafe",
         std::string("ID3\x03\x00\x00\x00\x00\x80\x14", 10) + std::string(20, '\0')},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::string path = dir.File(c.name);
        WriteFile(path, c.bytes);
        xmp::TXMPFiles files;
        try {
            files.OpenFile(path, xmp::kXMP_UnknownFile, xmp::kXMPFiles_OpenForUpdate);
            ADD_FAILURE() << c.name << " was opened";
        } catch (const xmp::XMPError& e) {
            EXPECT_EQ(e.GetID(), xmp::kXMPErr_BadFileFormat) << c.name << ": " << e.what();
        }
        EXPECT_EQ(ReadFile(path), c.bytes) << c.name;
    }
}

TEST(HostileContainerTest, JpegWithBytesBetweenSegmentsIsReadButNotRewritten) {
    TempDir dir;
    std::string path = dir.File("junk.jpg");
    std::filesystem::copy_file(CorpusFile("jpeg/corrupt/pil-junk_jpeg_header.jpg"), path);
    std::string before = ReadFile(path);
    xmp::TXMPFiles files;
    ASSERT_TRUE(files.OpenFile(path, xmp::kXMP_JPEGFile, xmp::kXMPFiles_OpenForUpdate));
    EXPECT_THROW(files.PutXMP(MakePacket("never")), xmp::XMPError);
    files.CloseFile(xmp::kXMPFiles_UpdateSafely);
    EXPECT_EQ(ReadFile(path), before);
}

// The bytes between segments are passed over in blocks: a packet behind more junk than one
// block (and than a file read window) is still found.
TEST(HostileContainerTest, JpegPacketBehindLongJunkIsFound) {
    TempDir dir;
    const std::string packet = MakePacket("Behind junk");
    const std::string payload = std::string("http://ns.adobe.com/xap/1.0/") + '\0' + packet;
    const std::uint16_t length = static_cast<std::uint16_t>(payload.size() + 2);
    const std::string app1 =
        std::string("\xFF\xE1") + char(length >> 8) + char(length & 0xFF) + payload;
    const std::string path = dir.File("long-junk.jpg");
    WriteFile(path, "\xFF\xD8" + std::string(70000, '\x5A') + app1 + "\xFF\xD9");
    const ReadResult r = ReadXMP(path, xmp::kXMP_JPEGFile, xmp::kXMPFiles_OpenForRead);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.packet, packet);
}

// A form whose last bytes are too short to be a chunk: readable, but a chunk appended after
// the stub would be misread, so neither format is rewritten.
TEST(HostileContainerTest, ChunkFormsEndingInAStubAreReadButNotRewritten) {
    TempDir dir;
    for (bool riff : {true, false}) {
        std::string bytes = (riff ? Wav() : Aiff()) + std::string(4, '\0');
        std::uint32_t formSize = static_cast<std::uint32_t>(bytes.size() - 8);
        bytes.replace(4, 4, riff ? Le32(formSize) : Be32(formSize));
        std::string path = dir.File(riff ? "stub.wav" : "stub.aiff");
        WriteFile(path, bytes);
        xmp::TXMPFiles files;
        ASSERT_TRUE(files.OpenFile(path, xmp::kXMP_UnknownFile, xmp::kXMPFiles_OpenForUpdate))
            << path;
        EXPECT_THROW(files.PutXMP(MakePacket("never")), xmp::XMPError) << path;
        files.CloseFile(xmp::kXMPFiles_UpdateSafely);
        EXPECT_EQ(ReadFile(path), bytes) << path;
    }
}

// Writers that leave out the pad byte of the last block: the block added after it gets the
// pad first, so the old block does not swallow its first byte.
TEST(HostileContainerTest, MissingLastPadByteIsRestoredBeforeTheAddedBlock) {
    TempDir dir;
    std::string resource = "8BIM" + std::string("\x03\xE8\0\0", 4) + Be32(3) + "abc";
    std::string psd = "8BPS" + std::string("\x00\x01", 2) + std::string(6, '\0') +
                      std::string("\x00\x03", 2) + Be32(1) + Be32(1) +
                      std::string("\x00\x08\x00\x03", 4) + Be32(0) + Be32(resource.size()) +
                      resource + Be32(0) + std::string(2, '\0') + "xyz";
    std::string wav = "RIFF" + Le32(4 + 8 + 3) + "WAVE" + "data" + Le32(3) + "abc";
    for (const auto& [name, bytes] : {std::pair{"odd.psd", psd}, std::pair{"odd.wav", wav}}) {
        std::string path = dir.File(name);
        WriteFile(path, bytes);
        std::string packet = MakePacket("After the odd block", 100);
        WriteXMP(path, packet);
        ReadResult r = ReadXMP(path);
        ASSERT_TRUE(r.found) << name;
        EXPECT_EQ(r.packet, packet) << name;
    }
}

// IFD 0 names itself as the next IFD: reading and writing still end.
TEST(HostileContainerTest, SelfReferencingIfdChainDoesNotHang) {
    TempDir dir;
    std::string path = dir.File("loop.tif");
    std::string packet = MakePacket("Loop", 0);
    std::string entry =
        std::string("\xBC\x02\x07\x00", 4) + Le32(packet.size()) + Le32(8 + 2 + 12 + 4);
    WriteFile(path, TiffLE(8, 1, entry, 8) + packet);
    ReadResult r = ReadXMP(path);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(r.packet, packet);
    WriteXMP(path, MakePacket("Loop rewritten", 4000));
    EXPECT_EQ(ExiftoolTag(path, "XMP-dc:Title"), "Loop rewritten");
}

// Tag 700 names bytes that are IFD 0 itself: the new packet goes to the end of the file
// instead of over the directory.
TEST(HostileContainerTest, PacketOverlappingTheDirectoryIsNotOverwritten) {
    TempDir dir;
    std::string path = dir.File("overlap.tif");
    std::string entry = std::string("\xBC\x02\x07\x00", 4) + Le32(3000) + Le32(8);
    WriteFile(path, TiffLE(8, 1, entry, 0) + std::string(3000, ' '));
    std::string packet = MakePacket("Clear of the directory", 100);
    WriteXMP(path, packet);
    EXPECT_EQ(ReadXMP(path).packet, packet);
}

}  // namespace
