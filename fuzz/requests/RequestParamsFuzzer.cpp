// The parameters of createThumbnail, getMainPacket, updateMainPacket, parseRawXMP,
// createPageThumbnails, parseRefs and updateRefs as a client could send them: a map decoded from
// the wire format, handed to the handler with a real file in place of "filePath". Every failure
// must be an exception of the foundation's family (what the host turns into an error reply);
// anything else escaping, a crash, a leak or an allocation beyond the fuzzer's limit is a finding.
//
// Input: byte 0 picks the function, byte 1 the file (and whether "filePath" is replaced),
// the rest is one value in the wire format. Maps asking for a valid thumbnail size above 256
// are passed over (larger drawings only slow the fuzzer down).
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "HXJPEG.h"
#include "ThumbMetaLib/engine/EngineStartup.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVEntryIterator.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVNumber.h"
#include "kvfoundation/io/BufferedReader.h"
#include "kvfoundation/io/BufferedWriter.h"
#include "kvfoundation/io/IKVChannel.h"
#include "kvfoundation/io/Serializer.h"
#include "kvfoundation/ncomm/INCHost.h"
#include "kvloom/FormatDirectory.h"
#include "kvloom/ThumbnailSizes.h"
#include "kvloom/metadata/MetadataHandlers.h"
#include "kvloom/pdf/LinkHandlers.h"
#include "kvloom/pdf/PageThumbnails.h"
#include "kvloom/thumbnail/ThumbnailHandler.h"
#include "xmp/core/TXMPUtils.h"

using namespace kvfoundation;

namespace {

constexpr size_t kPDFMemoryLimit = size_t{64} << 20;
// The largest thumbnail drawn while fuzzing. A larger valid size takes the same paths, only
// slower: pages of thousands of pixels, cleared and drawn on every run, were over half of the
// target's time.
constexpr double kMaxFuzzThumbnailSize = 256;

// Whether "sizes" holds a valid size above kMaxFuzzThumbnailSize (invalid ones are still
// fuzzed: the service refuses them before drawing anything).
bool AsksForLargeThumbnail(data::IKVMap* params) {
    auto* sizes = dynamic_cast<data::IKVList*>(params->ObjectForKey(data::Literal("sizes")));
    for (int32_t i = 0; sizes != nullptr && i < sizes->Count(); ++i) {
        auto* number = dynamic_cast<data::IKVNumber*>(sizes->ObjectAt(i));
        const double value = number != nullptr ? number->DoubleValue() : 0;
        if (value > kMaxFuzzThumbnailSize && value < kvloom::kMaxThumbnailSize + 1) {
            return true;
        }
    }
    return false;
}

class ByteChannel final : public base::KVObjectT<io::IKVChannel> {
public:
    ByteChannel(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    int32_t Read(void* buffer, int32_t count) override {
        const size_t taken = std::min(size_ - at_, static_cast<size_t>(count));
        std::memcpy(buffer, data_ + at_, taken);
        at_ += taken;
        return static_cast<int32_t>(taken);
    }
    int32_t Write(const void*, int32_t count) override { return count; }
    void Flush() override {}
    void Close() override {}

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

class FuzzRequest final : public base::KVObjectT<ncomm::INCHost::IRequest> {
public:
    explicit FuzzRequest(data::IKVMap* params)
        : params_(params), result_(data::CreateMutableMap(0)) {}
    ncomm::INCHost* Host() const override { return nullptr; }
    data::IKVString* Name() const override { return data::Literal("fuzz"); }
    data::IKVMap* Params() const override { return params_.get(); }
    data::IKVMutableMap* Result() const override { return result_.get(); }
    bool Succeeded() const override { return true; }
    void SetError(const base::IKVException&) override {}
    void SetProgress(data::IKVString*, double) override {}

private:
    base::KVRefCountT<data::IKVMap> params_;
    base::KVRefCountT<data::IKVMutableMap> result_;
};

// The engine, the format directory and a scratch folder, made once.
struct Service {
    Service() {
        base::AutoReleasePool pool;  // the directory's start-up values are autoreleased
        HXJPEGLibInit();
        ThumbMetaLib::Initialize(ThumbMetaLib::TMLInitParams::ForService(nullptr, "/", "fuzz"));
        ThumbMetaLib::RegisterStandardFormats();
        // The service lets MuPDF hold up to a gigabyte per worker (a page thumbnail of 16,000
        // pixels is work it does); here any single allocation past the fuzzer's limit is a
        // finding, so MuPDF gets less, and past that a request is the memory error reply.
        if (!ThumbMetaLib::EnsurePDFReady()) {
            std::abort();
        }
        ThumbMetaLib::SetPDFThreadMemoryLimit(kPDFMemoryLimit);
        formats = std::make_unique<kvloom::FormatDirectory>();
        char pattern[] = "/tmp/vantory-fuzz-requests-XXXXXX";
        folder = ::mkdtemp(pattern);
        // Small files of each kind the handlers treat apart (a turned camera JPEG with an Exif
        // thumbnail, a plain JPEG, a TIFF with a profile and a packet, a PDF whose packet holds
        // a thumbnail): every run decodes one of them, and large ones only slow the fuzzer.
        for (const char* name : {"/jpeg/mei-Sony_Cybershot_3_orient6.jpg", "/jpeg/ljt-testorig.jpg",
                                 "/tiff/pil-tiff_16bit_RGBa-icc-xmp.tiff"}) {
            Add(ReadTestFile(name), std::filesystem::path(name).extension().string());
        }
        Add(PDFWithPacketThumbnail(ReadTestFile("/jpeg/jd-grayscale_16x24_sampling2x2.jpg")),
            ".pdf");
    }

    static std::string ReadTestFile(const char* name) {
        std::ifstream in(std::string(VANTORY_CORPUS_DIR) + name, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "missing test file %s%s\n", VANTORY_CORPUS_DIR, name);
            std::abort();
        }
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // One blank page whose metadata packet holds `jpeg` as its thumbnail. A real document's
    // packet with a 256 x 228 thumbnail made getMainPacket half of all the fuzzer's time
    // (decoding and encoding that thumbnail again, and the packet's text); the PDF parsers
    // have their own targets.
    static std::string PDFWithPacketThumbnail(const std::string& jpeg) {
        std::string image;
        xmp::TXMPUtils::EncodeToBase64(jpeg, &image);
        const std::string packet =
            "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
            "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
            "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
            "rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" "
            "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
            "xmlns:xmpGImg=\"http://ns.adobe.com/xap/1.0/g/img/\"><dc:format>application/pdf"
            "</dc:format><xmp:Thumbnails><rdf:Alt><rdf:li rdf:parseType=\"Resource\">"
            "<xmpGImg:width>16</xmpGImg:width><xmpGImg:height>24</xmpGImg:height>"
            "<xmpGImg:format>JPEG</xmpGImg:format><xmpGImg:image>" +
            image +
            "</xmpGImg:image></rdf:li></rdf:Alt></xmp:Thumbnails></rdf:Description></rdf:RDF>"
            "</x:xmpmeta>" +
            std::string(512, ' ') + "<?xpacket end=\"w\"?>";
        const std::string objects[] = {
            "<< /Type /Catalog /Pages 2 0 R /Metadata 4 0 R >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 72 108] >>",
            "<< /Type /Metadata /Subtype /XML /Length " + std::to_string(packet.size()) +
                " >>\nstream\n" + packet + "\nendstream",
        };
        std::string pdf = "%PDF-1.4\n";
        std::string xref = "xref\n0 5\n0000000000 65535 f \n";
        for (size_t i = 0; i < std::size(objects); ++i) {
            char entry[21];
            std::snprintf(entry, sizeof(entry), "%010zu 00000 n \n", pdf.size());
            xref += entry;
            pdf += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
        }
        const size_t xrefAt = pdf.size();
        return pdf + xref + "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" +
               std::to_string(xrefAt) + "\n%%EOF\n";
    }

    void Add(std::string bytes, const std::string& extension) {
        File file;
        file.bytes = std::move(bytes);
        file.path = folder + "/file" + std::to_string(files.size()) + extension;
        files.push_back(std::move(file));
        Restore(files.size() - 1);
    }

    // Puts file `index` back as it came from the test data. Only the updates write into it, so
    // only they are followed by a fresh copy, not every run.
    void Restore(size_t index) const {
        std::ofstream(files[index].path, std::ios::binary | std::ios::trunc) << files[index].bytes;
    }

    struct File {
        std::string path;
        std::string bytes;
    };
    std::unique_ptr<kvloom::FormatDirectory> formats;
    std::string folder;
    std::vector<File> files;
};

Service* service = nullptr;  // lives for the process

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    service = new Service();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    base::AutoReleasePool pool;
    auto* channel = base::AutoReleased(new ByteChannel(data + 2, size - 2));
    data::IKVMap* decoded = nullptr;
    try {
        decoded = dynamic_cast<data::IKVMap*>(
            io::Serializer::Create(io::BufferedReader::Create(channel, 4096),
                                   io::BufferedWriter::Create(channel, 64))
                ->Deserialize());
    } catch (const base::IKVException&) {
        return 0;
    }
    if (decoded == nullptr || AsksForLargeThumbnail(decoded)) {
        return 0;
    }
    data::IKVMutableMap* params = data::CreateMutableMap(decoded->Count());
    for (data::IKVEntryIterator* it = decoded->EntryIterator(); it->HasNext();) {
        base::IKVType* key = it->Next();
        params->SetObjectForKey(key, it->Value());
    }
    const size_t file = data[1] % service->files.size();
    if ((data[1] & 0x80) == 0) {
        const std::string& path = service->files[file].path;
        params->SetObjectForKey(data::Literal("filePath"),
                                data::CreateStringFromUTF8(path.data(), int32_t(path.size())));
    }
    auto* request = base::AutoReleased(new FuzzRequest(params));
    const kvloom::MetadataHandlers metadata(*service->formats);
    const kvloom::ThumbnailHandler thumbnails(*service->formats);
    const int function = data[0] % 7;
    try {
        switch (function) {
            case 0:
                thumbnails.CreateThumbnail(request);
                break;
            case 1:
                metadata.GetMainPacket(request);
                break;
            case 2:
                metadata.UpdateMainPacket(request);
                break;
            case 3:
                metadata.ParseRawXMP(request);
                break;
            case 4:
                kvloom::CreatePageThumbnails(request);
                break;
            case 5:
                kvloom::ParseRefs(request);
                break;
            default:
                kvloom::UpdateRefs(request);
                break;
        }
    } catch (const base::IKVException&) {
        // an error reply
    }
    if ((function == 2 || function == 6) && (data[1] & 0x80) == 0) {
        service->Restore(file);  // updateMainPacket and updateRefs write into the file
    }
    return 0;
}
