// createThumbnail at 256 through a connected client (a private instance of the real service)
// on camera-sized photos, against libvips' `vipsthumbnail` on the same files: one process per
// file, and one process for the whole batch. Then getMainPacket on a 20 MB JPEG beside a small
// one: reading the packet should not depend on the image's size. Prints figures and ratios.
//
// usage: bench_requests [runs per figure, default 5]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/common/LargePhoto.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

namespace fs = std::filesystem;
namespace data = kvfoundation::data;
using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(int runs, const std::function<void()>& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(Seconds(work));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

bool Run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A photo made once per machine with ImageMagick (cached in the temporary folder).
std::string MadePhoto(const std::string& name, const std::string& recipe) {
    const fs::path made = fs::temp_directory_path() / name;
    if (!fs::exists(made)) {
        const std::string partial = made.string() + ".part.jpg";
        if (!Run("convert " + recipe + " '" + partial + "'")) {
            return {};
        }
        fs::rename(partial, made);
    }
    return made.string();
}

data::IKVMap* Params(const std::string& path, const char* sizesKey) {
    data::IKVMutableMap* params = data::CreateMutableMap(2);
    params->SetObjectForKey(data::Literal("filePath"),
                            data::CreateStringFromUTF8(path.data(), int32_t(path.size())));
    if (sizesKey != nullptr) {
        data::IKVMutableList* sizes = data::CreateMutableList(1);
        sizes->AddObject(data::CreateInt32(256));
        params->SetObjectForKey(data::Literal(sizesKey), sizes);
    }
    return params;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    kvfoundation::base::AutoReleasePool pool;
    const std::string harvesters = std::string(VANTORY_CORPUS_DIR) + "/jpeg/wuffs-harvesters.jpeg";

    std::vector<std::string> photos;
    if (const std::string large = vantory_bench::LargePhotoJpeg(); !large.empty()) {
        photos.push_back(large);
    }
    photos.push_back(
        MadePhoto("vantory-bench-24mp-photo.jpg", "'" + harvesters +
                                                      "' -resize '6000x4000!' -attenuate 0.4 "
                                                      "+noise Gaussian -quality 90"));
    if (const fs::path extra = vantory_bench::ExtraLargePhotoFolder(); !extra.empty()) {
        for (const auto& entry : fs::directory_iterator(extra)) {
            if (entry.path().extension() == ".jpg" && photos.size() < 6) {
                photos.push_back(entry.path().string());
            }
        }
    }
    photos.erase(std::remove(photos.begin(), photos.end(), std::string()), photos.end());
    if (photos.empty() || !Run("command -v vipsthumbnail")) {
        std::fprintf(stderr, "bench_requests: needs ImageMagick, vipsthumbnail and the photos\n");
        return 1;
    }

    svctest::RunningService service(true, 1);
    vantory::client::ServiceConnection& connection = service.Connection(0);
    const std::string out = (fs::temp_directory_path() / "vantory-bench-vips").string();
    fs::create_directories(out);

    std::printf("createThumbnail at 256 (median of %d), seconds per image\n", runs);
    std::printf("%-44s %9s %9s %7s\n", "photo", "service", "vips", "ratio");
    double ours = 0, theirs = 0;
    for (const std::string& photo : photos) {
        const double service256 = Median(runs, [&] {
            kvfoundation::base::AutoReleasePool each;
            if (!connection.Call("createThumbnail", Params(photo, "sizes")).succeeded) {
                std::fprintf(stderr, "createThumbnail failed on %s\n", photo.c_str());
            }
        });
        const double vips = Median(
            runs, [&] { Run("vipsthumbnail '" + photo + "' -s 256 -o '" + out + "/single.jpg'"); });
        ours += service256;
        theirs += vips;
        std::printf("%-44s %9.4f %9.4f %7.2f\n", fs::path(photo).filename().c_str(), service256,
                    vips, service256 / vips);
    }
    std::printf("single runs, all photos: ratio %.2f (goal <= 0.40)\n\n", ours / theirs);

    // Batch: every photo three times, one request after another against one vips process.
    std::vector<std::string> batch;
    std::string vipsFiles;
    for (int i = 0; i < 3; ++i) {
        for (const std::string& photo : photos) {
            batch.push_back(photo);
            vipsFiles += " '" + photo + "'";
        }
    }
    const double serviceBatch =
        Median(runs,
               [&] {
                   for (const std::string& photo : batch) {
                       kvfoundation::base::AutoReleasePool each;
                       connection.Call("createThumbnail", Params(photo, "sizes"));
                   }
               }) /
        double(batch.size());
    const double vipsBatch =
        Median(runs,
               [&] { Run("vipsthumbnail" + vipsFiles + " -s 256 -o '" + out + "/%s.jpg'"); }) /
        double(batch.size());
    std::printf(
        "batch of %zu: service %.4f s/image, vips %.4f s/image, ratio %.2f (goal <= 0.80)\n\n",
        batch.size(), serviceBatch, vipsBatch, serviceBatch / vipsBatch);

    // getMainPacket: a 20 MB JPEG against a small one with the same packet.
    const std::string big =
        MadePhoto("vantory-bench-20mb.jpg", "-size 3600x2800 xc: +noise Random -quality 96");
    const std::string small = MadePhoto("vantory-bench-small.jpg", "-size 64x48 xc:gray");
    for (const std::string& file : {big, small}) {
        Run("exiftool -q -overwrite_original -XMP-dc:Title=Benchmark -XMP-xmp:Rating=3 '" + file +
            "'");
    }
    auto packetTime = [&](const std::string& file) {
        return Median(runs * 4, [&] {
            kvfoundation::base::AutoReleasePool each;
            connection.Call("getMainPacket", Params(file, nullptr));
        });
    };
    const double bigPacket = packetTime(big), smallPacket = packetTime(small);
    std::printf("getMainPacket: %.1f MB JPEG %.5f s, small JPEG %.5f s, ratio %.2f (goal ~1)\n",
                double(fs::file_size(big)) / 1e6, bigPacket, smallPacket, bigPacket / smallPacket);
    return 0;
}
