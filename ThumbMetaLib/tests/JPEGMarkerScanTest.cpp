// The quick-thumbnail marker scan: embedded Exif thumbnails against exiftool's extraction,
// image-resource thumbnails, and the hostile structures the scan must refuse without reading
// outside the segment.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "ColorTestSupport.h"
#include "JPEGTestSupport.h"
#include "ThumbMetaLib/formats/jpeg/DecodeJPEG.h"
#include "ThumbMetaLib/formats/jpeg/EmbeddedThumbnail.h"
#include "ThumbMetaLib/formats/jpeg/MarkerScan.h"

using namespace ThumbMetaLib;
using jpegtest::TiffBuilder;

namespace {

MarkerScanResult ScanBytes(const std::vector<uint8_t>& file) {
    return ScanMarkers([&](uint64_t offset, uint8_t* buffer, size_t count) {
        EXPECT_NE(buffer, nullptr) << "read of " << count << " bytes at " << offset;
        if (offset > file.size() || count > file.size() - offset) {
            return false;
        }
        std::memcpy(buffer, file.data() + offset, count);
        return true;
    });
}

std::vector<uint8_t> ExiftoolThumbnail(const std::string& file, const std::string& scratch) {
    colortest::Run("(exiftool -b -EXIF:ThumbnailImage '" + file + "' > '" + scratch + "')");
    return colortest::ReadAll(scratch);
}

// An Exif payload whose second directory carries the given thumbnail tags.
std::vector<uint8_t> ExifWithThumbnail(const std::vector<uint8_t>& jpeg, uint32_t offsetShift = 0,
                                       uint32_t lengthShift = 0) {
    TiffBuilder tiff;
    const uint32_t first = tiff.AddDirectory({{0x0112, 3, 1, 1}}, 0);
    const uint32_t second = tiff.AddDirectory({{0x0201, 4, 1, 0}, {0x0202, 4, 1, 0}});
    const uint32_t data = tiff.AddBytes(jpeg);
    tiff.Patch32(first + 2 + 12, second);                                    // IFD0 -> IFD1
    tiff.Patch32(second + 2 + 8, data + offsetShift);                        // 0x201 value
    tiff.Patch32(second + 2 + 12 + 8, uint32_t(jpeg.size()) + lengthShift);  // 0x202 value
    return tiff.ExifPayload();
}

}  // namespace

TEST(JPEGMarkerScan, ExifThumbnailsMatchExiftoolBytesAndDecode) {
    colortest::ScratchFolder scratch;
    ASSERT_TRUE(scratch.Ok());
    ASSERT_TRUE(colortest::Run("command -v exiftool && command -v djpeg"));
    const std::vector<std::string> files = {"jpeg/jd-its-1cbb1bb3-progressive-ycck.jpg",
                                            "jpeg/jd-tower_progressive.jpg",
                                            "jpeg/mei-Multiple_ICC_segments-ycck.jpg",
                                            "jpeg/mei-Samsung_GT-I9000_orient6.jpg",
                                            "jpeg/mei-Sony_Cybershot_3_orient6.jpg",
                                            "jpeg/pil-pil_sample_cmyk-ycck.jpg",
                                            "jpeg/pil-sugarshack.mpo",
                                            "jpeg/corrupt/jd-extraneous-bytes-after-sos.jpg",
                                            "jpeg/corrupt/pil-ultrahdr-truncated-primary.jpg"};
    for (const auto& name : files) {
        SCOPED_TRACE(name);
        const std::string path = jpegtest::Corpus(name);
        ASSERT_TRUE(std::filesystem::exists(path)) << "missing corpus file " << path;
        const auto expected = ExiftoolThumbnail(path, scratch.File("thumb.jpg"));
        ASSERT_FALSE(expected.empty());
        const auto scan = ScanBytes(colortest::ReadAll(path));
        EXPECT_TRUE(scan.frameFound);
        ASSERT_EQ(scan.thumbnail, expected);

        // Pixels: the decoded thumbnail against libjpeg-turbo's decode of the same bytes.
        const auto pixels = DecodeEmbeddedThumbnail(scan);
        ASSERT_NE(pixels, nullptr);
        const bool gray = pixels->Channels() == 1;
        const bool cmyk = pixels->Mode() == kModeCMYK;
        if (cmyk)
            continue;  // libjpeg and the codec treat CMYK thumbnails alike only as stored
        ASSERT_TRUE(colortest::Run("djpeg -dct float -nosmooth " +
                                   std::string(gray ? "-grayscale " : "") + "-outfile '" +
                                   scratch.File("ref.pnm") + "' '" + scratch.File("thumb.jpg") +
                                   "' && convert '" + scratch.File("ref.pnm") + "' -depth 8 " +
                                   (gray ? "gray:'" : "rgb:'") + scratch.File("ref.raw") + "'"));
        colortest::Samples ref{pixels->Width(), pixels->Height(), gray ? 1 : 3,
                               colortest::ReadAll(scratch.File("ref.raw"))};
        const auto diff = colortest::Compare(*pixels, ref, gray ? 1 : 3);
        EXPECT_LT(diff.mean, 1.0);  // measured at most 0.57 over these files
    }
}

TEST(JPEGMarkerScan, TruncatedInsideExifGivesNothing) {
    const std::string path = jpegtest::Corpus(
        "jpeg/corrupt/derived-mei-Samsung_GT-I9000-truncated-in-exif-thumbnail.jpg");
    ASSERT_TRUE(std::filesystem::exists(path)) << "missing corpus file " << path;
    const auto scan = ScanBytes(colortest::ReadAll(path));
    EXPECT_TRUE(scan.thumbnail.empty());
    EXPECT_FALSE(scan.frameFound);
    // Every shorter prefix of a file with a thumbnail is refused as cleanly.
    const auto whole = jpegtest::WithSegment(jpegtest::EncodeGradient(64, 48), 1,
                                             ExifWithThumbnail(jpegtest::EncodeGradient(16, 12)));
    for (size_t cut = 0; cut < whole.size(); cut += 7) {
        const auto part = ScanBytes({whole.begin(), whole.begin() + long(cut)});
        EXPECT_TRUE(part.thumbnail.empty() || part.thumbnail.size() < cut);
    }
}

TEST(JPEGMarkerScan, HostileExifStructuresAreRefused) {
    const auto image = jpegtest::EncodeGradient(64, 48);
    const auto small = jpegtest::EncodeGradient(16, 12);

    // Well-formed, under each of the three headers.
    for (const char* header : {"Exif", "Meta", "META"}) {
        auto payload = ExifWithThumbnail(small);
        std::memcpy(payload.data(), header, 4);
        const auto scan = ScanBytes(jpegtest::WithSegment(image, 1, payload));
        EXPECT_EQ(scan.thumbnail, small) << header;
        EXPECT_EQ(scan.width, 64u);
        EXPECT_EQ(scan.height, 48u);
    }
    // Offset or length running past the segment.
    EXPECT_TRUE(
        ScanBytes(jpegtest::WithSegment(image, 1, ExifWithThumbnail(small, 1))).thumbnail.empty());
    EXPECT_TRUE(ScanBytes(jpegtest::WithSegment(image, 1, ExifWithThumbnail(small, 0, 1)))
                    .thumbnail.empty());
    EXPECT_TRUE(ScanBytes(jpegtest::WithSegment(image, 1, ExifWithThumbnail(small, 0xFFFFFF00u)))
                    .thumbnail.empty());

    // A chain that loops back to itself, and a directory whose count runs past the segment.
    TiffBuilder loop;
    loop.AddDirectory({{0x0112, 3, 1, 1}}, 8);
    const auto looped = ScanBytes(jpegtest::WithSegment(image, 1, loop.ExifPayload()));
    EXPECT_TRUE(looped.thumbnail.empty());
    EXPECT_TRUE(looped.frameFound);
    auto huge = ExifWithThumbnail(small);
    huge[6 + 8] = 0xFF;  // IFD0 entry count 0x..FF
    huge[6 + 9] = 0xFF;
    EXPECT_TRUE(ScanBytes(jpegtest::WithSegment(image, 1, huge)).thumbnail.empty());

    // Not a JPEG at all, and a segment length below two.
    EXPECT_FALSE(ScanBytes({0x00, 0xD8, 0xFF, 0xC0}).frameFound);
    EXPECT_FALSE(ScanBytes({0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x01, 0xFF, 0xC0}).frameFound);
}

TEST(JPEGMarkerScan, ResourceThumbnailsAndTheirChannelOrder) {
    const auto image = jpegtest::EncodeGradient(64, 48);
    const auto small = jpegtest::EncodeGradient(24, 16);
    JPEGMemorySource plainSource(small.data(), small.size());
    const auto plain = DecodeJPEG(plainSource, 0, nullptr);
    ASSERT_NE(plain, nullptr);

    const auto normal =
        ScanBytes(jpegtest::WithSegment(image, 13, jpegtest::ResourcePayload(1036, small)));
    ASSERT_EQ(normal.thumbnail, small);
    EXPECT_FALSE(normal.swapChannels);
    const auto swapped =
        ScanBytes(jpegtest::WithSegment(image, 13, jpegtest::ResourcePayload(1033, small)));
    ASSERT_EQ(swapped.thumbnail, small);
    const auto pixels = DecodeEmbeddedThumbnail(swapped);
    ASSERT_NE(pixels, nullptr);
    for (uint32_t x = 0; x < 24; x += 5) {
        EXPECT_EQ(colortest::SampleAt(*pixels, x, 3, 0), colortest::SampleAt(*plain, x, 3, 2));
        EXPECT_EQ(colortest::SampleAt(*pixels, x, 3, 2), colortest::SampleAt(*plain, x, 3, 0));
    }
    // An empty resource segment first is passed over (a fuzz campaign's finding: it was read
    // into a buffer without storage).
    const auto resource = jpegtest::WithSegment(image, 13, jpegtest::ResourcePayload(1036, small));
    EXPECT_EQ(ScanBytes(jpegtest::WithSegment(resource, 13, {})).thumbnail, small);
    // A block length past the segment, and the other writer's signature, give nothing.
    EXPECT_TRUE(ScanBytes(jpegtest::WithSegment(
                              image, 13, jpegtest::ResourcePayload(1036, small, 0x7FFFFFF0u)))
                    .thumbnail.empty());
    auto otherSignature = jpegtest::ResourcePayload(1036, small);
    otherSignature[0] = 'X';
    EXPECT_TRUE(ScanBytes(jpegtest::WithSegment(image, 13, otherSignature)).thumbnail.empty());
}
