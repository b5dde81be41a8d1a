// File size at equal PSNR: for every HXJPEG quality 0..12, the HXJPEG file's size divided by the
// size libjpeg-turbo with optimised Huffman tables needs for the same PSNR (interpolated on its
// measured rate curve, see PeerCurve), at the chroma sampling HXJPEG uses for that quality (4:2:0
// for 0..6, 4:4:4 for 7..12). Pictures: a 1.5 MP centre crop of each of the corpus's large
// photographs (in the extra collection, -DVANTORY_EXTRA_CORPUS_DIR, or in the test files'
// jpeg/large) and one synthetic picture. Both HXJPEG modes are measured: whole-image (exact Huffman
// tables, like -optimize) and band-wise (the default, tables from sampled statistics). Goal:
// whole-image ratio <= 1.03 at every quality from 3 to 12.
//
//   bench_hxjpeg_size            prints one table per picture and the mean ratio per quality
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "../common/LargePhoto.h"
#include "../hxjpeg_support/JPEGBenchSupport.h"
#include "HXJPEG.h"

using namespace hxjpeg_bench;
namespace fs = std::filesystem;

namespace {

constexpr uint32_t kCropWidth = 1536;
constexpr uint32_t kCropHeight = 1024;
constexpr uint32_t kQualities = 13;

// Smooth gradients, hard edges, fine stripes and mild noise: the kinds of content a photo mixes.
Image SyntheticPicture(uint32_t width, uint32_t height) {
    Image image{width, height, std::vector<uint8_t>(size_t{width} * height * 3)};
    uint32_t noise = 12345;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int n = int((noise >> 16) & 15) - 8;
            const double fx = double(x) / width, fy = double(y) / height;
            int v[3] = {int(255 * fx), int(255 * fy), int(128 + 100 * std::sin(fx * 9 + fy * 5))};
            if ((x / 96 + y / 64) % 3 == 0) {  // flat patches with sharp borders
                v[0] = 230, v[1] = 40, v[2] = 60;
            }
            if (x > width / 2 && (x / 3) % 2 == 0 && y < height / 3) {  // fine stripes
                v[0] = v[1] = v[2] = 20;
            }
            for (int c = 0; c < 3; ++c) {
                image.rgb[(size_t{y} * width + x) * 3 + c] = uint8_t(std::clamp(v[c] + n, 0, 255));
            }
        }
    }
    return image;
}

struct Row {
    double psnr = 0, bytesWhole = 0, bytesBand = 0, peerBytes = 0;
    int peerQuality = 0;
};

std::vector<Row> Sweep(Image& picture) {
    std::vector<Row> rows(kQualities);
    const PeerCurve subsampled(picture, true), full(picture, false);
    for (uint32_t quality = 0; quality < kQualities; ++quality) {
        Row& row = rows[quality];
        const std::vector<uint8_t> whole = EncodeHX(picture, quality, 0, 2);
        row.bytesWhole = double(whole.size());
        row.bytesBand = double(EncodeHX(picture, quality, 0, 0).size());
        row.psnr = Psnr(picture, DecodeReference(whole));
        const Matched peer = (quality <= 6 ? subsampled : full).BytesAt(row.psnr);
        row.peerBytes = peer.bytes;
        row.peerQuality = peer.quality;
    }
    return rows;
}

}  // namespace

int main() {
    HXJPEGLibInit();
    std::vector<std::pair<std::string, Image>> pictures;
    fs::path large = vantory_bench::ExtraLargePhotoFolder();
    if (large.empty()) {
        large = fs::path(VANTORY_CORPUS_DIR) / "jpeg" / "large";
    }
    std::vector<fs::path> photos;
    if (fs::is_directory(large)) {
        for (const auto& entry : fs::directory_iterator(large)) {
            photos.push_back(entry.path());
        }
    }
    std::sort(photos.begin(), photos.end());
    if (photos.size() < 3) {
        std::fprintf(stderr,
                     "need three photographs in %s (configure with "
                     "-DVANTORY_EXTRA_CORPUS_DIR=<collection with jpeg/large>)\n",
                     large.c_str());
        return 1;
    }
    for (size_t i = 0; i < 3; ++i) {
        const Image photo = DecodeReference(ReadFile(photos[i].string()));
        if (photo.width < kCropWidth || photo.height < kCropHeight) {
            std::fprintf(stderr, "%s is smaller than the crop\n", photos[i].c_str());
            return 1;
        }
        pictures.emplace_back(photos[i].filename().string(), Crop(photo, kCropWidth, kCropHeight));
    }
    pictures.emplace_back("synthetic", SyntheticPicture(kCropWidth, kCropHeight));

    std::vector<double> sumWhole(kQualities), sumBand(kQualities);
    for (auto& [name, picture] : pictures) {
        std::printf("%s, %ux%u centre crop\n", name.c_str(), picture.width, picture.height);
        std::printf(
            "  quality sampling  PSNR dB  whole-image  band-wise  libjpeg-opt (q)  "
            "ratio whole  ratio band\n");
        const std::vector<Row> rows = Sweep(picture);
        for (uint32_t quality = 0; quality < kQualities; ++quality) {
            const Row& row = rows[quality];
            const double whole = row.peerBytes > 0 ? row.bytesWhole / row.peerBytes : 0;
            const double band = row.peerBytes > 0 ? row.bytesBand / row.peerBytes : 0;
            sumWhole[quality] += whole;
            sumBand[quality] += band;
            std::printf("  %5u   %s   %6.2f  %10.0f %10.0f %10.0f (q%-3d)  %9.3f  %9.3f\n", quality,
                        quality <= 6 ? "4:2:0" : "4:4:4", row.psnr, row.bytesWhole, row.bytesBand,
                        row.peerBytes, row.peerQuality, whole, band);
        }
        std::printf("\n");
    }
    std::printf("mean ratio over the %zu pictures (goal: whole-image <= 1.03 for q3..12)\n",
                pictures.size());
    std::printf("  quality  whole-image  band-wise\n");
    for (uint32_t quality = 0; quality < kQualities; ++quality) {
        std::printf("  %5u    %9.3f  %9.3f\n", quality, sumWhole[quality] / pictures.size(),
                    sumBand[quality] / pictures.size());
    }
    return 0;
}
