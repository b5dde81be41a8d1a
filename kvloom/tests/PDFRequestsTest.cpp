// The PDF functions against the real service: page 1 in "createThumbnail" with "pagecount",
// "createPageThumbnails", "parseRefs" and "updateRefs", their error replies, and workers that
// render at once and give their PDF state back when their connection ends. pdfinfo, mutool
// draw, qpdf and djpeg are the independent judges.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/IKVBool.h"
#include "kvloom/tests/OnePagePDF.h"
#include "kvloom/tests/RequestTestSupport.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace reqtest;
using vantory::client::Reply;

const std::string kCorpus = std::string(VANTORY_CORPUS_DIR) + "/pdf/";
const std::string kSeventeenPages = "pdfjs-page_with_number_and_link-17pages.pdf";
const std::string kRemoteLink = "pdfjs-bug766086-gotor-link.pdf";
const std::string kRemoteTarget = "../../0021/002156/215675E.pdf";
const std::string kCertified = "qpdf-minimal-signed-restricted-certified.pdf";
// What the service logs (with -debug) when a worker's PDF state goes.
const std::string kReleasedLine = "Released the PDF library's state of a worker thread";

std::string Corpus(const std::string& name) {
    const std::string path = kCorpus + name;
    if (!std::filesystem::exists(path)) {
        ADD_FAILURE() << "missing corpus file " << path;
    }
    return path;
}

std::string Why(const Reply& reply) {
    return TextOf(reply.result.get(), "errReason") + ": " + TextOf(reply.result.get(), "errWhy");
}

// A one-page PDF of 200 x 100 points: white, with a red square in its top-left corner.
std::string RedCornerPDF() {
    return svctest::OnePagePDF(200, 100, "<< >>", "1 0 0 rg 0 50 50 50 re f");
}

// A binary PPM (P6, maxval 255) as mutool writes it; width 0 when it is not one.
DecodedJPEG ReadPPM(const std::string& bytes) {
    std::istringstream in(bytes);
    std::string magic;
    int maxValue = 0;
    DecodedJPEG image;
    in >> magic >> image.width >> image.height >> maxValue;
    in.get();
    image.rgb.resize(size_t(image.width) * size_t(image.height) * 3);
    in.read(reinterpret_cast<char*>(image.rgb.data()), std::streamsize(image.rgb.size()));
    if (magic != "P6" || maxValue != 255 || !in) {
        image.width = 0;
    }
    return image;
}

class PDFRequestsTest : public testing::Test {
protected:
    PDFRequestsTest() : service_(false, 2) {}

    Reply Call(const char* function, const Params& params, size_t connection = 0) {
        return service_.Connection(connection).Call(function, params.Map());
    }
    std::string File(const std::string& name) const { return dir_.Path() + "/" + name; }
    std::string Copy(const std::string& corpusName, const std::string& name) const {
        std::filesystem::copy_file(Corpus(corpusName), File(name));
        return File(name);
    }
    // Entry `i` of a reply's "thumbnails", decoded by djpeg, with its map's size checked.
    DecodedJPEG Entry(const Reply& reply, int32_t i, const std::string& scratch = "entry.jpg") {
        data::IKVMap* entry = MapAt(ListOf(reply.result.get(), "thumbnails"), i);
        if (entry == nullptr) {
            ADD_FAILURE() << "no entry " << i;
            return {};
        }
        DecodedJPEG image = Djpeg(BytesOf(entry, "data"), File(scratch));
        EXPECT_GT(image.width, 0) << "djpeg refused entry " << i;
        EXPECT_EQ(NumberOf(entry, "width"), image.width);
        EXPECT_EQ(NumberOf(entry, "height"), image.height);
        EXPECT_EQ(TextOf(entry, "format"), "JPEG");
        return image;
    }
    std::vector<std::string> Links(const Reply& reply) {
        std::vector<std::string> links;
        data::IKVList* list = ListOf(reply.result.get(), "link");
        for (int32_t i = 0; list != nullptr && i < list->Count(); ++i) {
            auto* bytes = dynamic_cast<data::IKVData*>(list->ObjectAt(i));
            links.emplace_back(reinterpret_cast<const char*>(bytes->Bytes()),
                               size_t(bytes->Length()));
        }
        return links;
    }
    static bool ReadOnlyOf(const Reply& reply) {
        auto* flag =
            dynamic_cast<data::IKVBool*>(reply.result->ObjectForKey(data::Literal("fileReadOnly")));
        EXPECT_NE(flag, nullptr);
        return flag != nullptr && flag->BoolValue();
    }

    kvfoundation::base::AutoReleasePool pool_;
    svctest::TempDir dir_;
    svctest::RunningService service_;
};

TEST_F(PDFRequestsTest, CreateThumbnailDrawsPageOneLikeMutoolAndCountsThePages) {
    const std::string path = Corpus(kSeventeenPages);
    Reply reply = Call("createThumbnail", Params().Str("filePath", path).Sizes({256, 64}));
    ASSERT_TRUE(reply.succeeded) << Why(reply);
    const std::string pages =
        Shell("pdfinfo " + Quoted(path) + " | sed -n 's/^Pages: *//p'").value_or("");
    EXPECT_EQ(NumberOf(reply.result.get(), "pagecount"), std::atoi(pages.c_str()));
    const DecodedJPEG large = Entry(reply, 0);
    EXPECT_EQ(std::max(large.width, large.height), 256);
    EXPECT_EQ(std::max(Entry(reply, 1, "small.jpg").width, Entry(reply, 1, "small.jpg").height),
              64);

    // mutool draws the same page at the same size; our JPEG at quality 7 stays within a mean of
    // 2 levels of it (a mostly white text page: 0.05 measured).
    const std::string ppm = File("mutool.ppm");
    ASSERT_TRUE(
        Shell("mutool draw -q -w 256 -h 256 -F ppm -o " + Quoted(ppm) + " " + Quoted(path) + " 1"));
    const DecodedJPEG reference = ReadPPM(ReadBytes(ppm));
    ASSERT_EQ(reference.width, large.width);
    ASSERT_EQ(reference.height, large.height);
    double difference = 0;
    for (size_t i = 0; i < large.rgb.size(); ++i) {
        difference += std::abs(int(large.rgb[i]) - int(reference.rgb[i]));
    }
    EXPECT_LT(difference / double(large.rgb.size()), 2.0);

    // Colours keep their channels, and a file that is not a PDF has no page count.
    WriteBytes(File("corner.pdf"), RedCornerPDF());
    Reply corner =
        Call("createThumbnail", Params().Str("filePath", File("corner.pdf")).Sizes({100}));
    ASSERT_TRUE(corner.succeeded) << Why(corner);
    EXPECT_EQ(NumberOf(corner.result.get(), "pagecount"), 1);
    const DecodedJPEG drawn = Entry(corner, 0);
    EXPECT_EQ(drawn.width, 100);
    EXPECT_EQ(drawn.height, 50);
    EXPECT_TRUE(drawn.RedAt(5, 5));
    EXPECT_EQ(drawn.At(80, 40), (std::vector<int>{255, 255, 255}));
    MakeScene(File("scene.jpg"), 120, 90);
    Reply photo = Call("createThumbnail", Params().Str("filePath", File("scene.jpg")).Sizes({64}));
    ASSERT_TRUE(photo.succeeded) << Why(photo);
    EXPECT_EQ(NumberOf(photo.result.get(), "pagecount"), -1);
}

TEST_F(PDFRequestsTest, PageThumbnailsGiveOneEntryPerPageAtTheFirstSize) {
    const std::string path = Corpus(kSeventeenPages);
    Reply reply = Call("createPageThumbnails", Params().Str("filePath", path).Sizes({128, 64}));
    ASSERT_TRUE(reply.succeeded) << Why(reply);
    ASSERT_NE(ListOf(reply.result.get(), "thumbnails"), nullptr);
    ASSERT_EQ(ListOf(reply.result.get(), "thumbnails")->Count(), 17);
    for (int32_t i : {0, 16}) {
        const DecodedJPEG page = Entry(reply, i);
        EXPECT_EQ(std::max(page.width, page.height), 128) << i;
    }

    // A file the library cannot open is its opening message; missing sizes are the request's
    // fault.
    WriteBytes(File("garbage.pdf"), "this is no PDF");
    Reply broken =
        Call("createPageThumbnails", Params().Str("filePath", File("garbage.pdf")).Sizes({64}));
    EXPECT_FALSE(broken.succeeded);
    EXPECT_EQ(TextOf(broken.result.get(), "errReason"), "PagelError");
    const std::string why = TextOf(broken.result.get(), "errWhy");
    EXPECT_EQ(why.rfind("Error <", 0), 0u) << why;
    EXPECT_NE(why.find("' opening file: " + File("garbage.pdf")), std::string::npos) << why;
    Reply unsized = Call("createPageThumbnails", Params().Str("filePath", path));
    EXPECT_EQ(Why(unsized), "kLoomIO_BadRequest: missing parameter: sizes");
    Reply viaThumbnail =
        Call("createThumbnail", Params().Str("filePath", File("garbage.pdf")).Sizes({64}));
    EXPECT_EQ(TextOf(viaThumbnail.result.get(), "errReason"), "PagelError");

    // A page drawn at the largest size a request may ask (65535 x 32768, 8.6 GB of pixels) is
    // refused before anything is allocated: an error reply, and the worker draws on.
    WriteBytes(File("corner.pdf"), RedCornerPDF());
    Reply vast =
        Call("createPageThumbnails", Params().Str("filePath", File("corner.pdf")).Sizes({65535}));
    EXPECT_FALSE(vast.succeeded);
    EXPECT_NE(Why(vast).find("page is too large to draw"), std::string::npos) << Why(vast);
    Reply after =
        Call("createPageThumbnails", Params().Str("filePath", File("corner.pdf")).Sizes({64}));
    ASSERT_TRUE(after.succeeded) << Why(after);
    EXPECT_EQ(Entry(after, 0).width, 64);
}

TEST_F(PDFRequestsTest, RefsAreListedAndRewrittenUnlessTheDocumentIsReadOnly) {
    const std::string path = Copy(kRemoteLink, "gotor.pdf");
    const std::string original = ReadBytes(path);
    Reply listed = Call("parseRefs", Params().Str("filePath", path));
    ASSERT_TRUE(listed.succeeded) << Why(listed);
    EXPECT_EQ(Links(listed), std::vector<std::string>{kRemoteTarget});
    EXPECT_FALSE(ReadOnlyOf(listed));

    data::IKVMutableMap* update = data::CreateMutableMap(0);
    update->SetObjectForKey(data::Literal("filePath"),
                            data::CreateStringFromUTF8(path.data(), int32_t(path.size())));
    auto bytesList = [](const std::vector<std::string>& items) {
        data::IKVMutableList* list = data::CreateMutableList(0);
        for (const std::string& item : items) {
            list->AddObject(data::CreateData(item.data(), int32_t(item.size())));
        }
        return list;
    };
    update->SetObjectForKey(data::Literal("oldLinks"), bytesList({kRemoteTarget, "unused"}));
    update->SetObjectForKey(data::Literal("newLinks"), bytesList({"moved/target.pdf", "x"}));
    Reply updated = service_.Connection(0).Call("updateRefs", update);
    ASSERT_TRUE(updated.succeeded) << Why(updated);
    EXPECT_EQ(updated.result->Count(), 0);
    EXPECT_EQ(ReadBytes(path).compare(0, original.size(), original), 0) << "not incremental";
    EXPECT_TRUE(Shell("qpdf --check " + Quoted(path)));
    EXPECT_EQ(Links(Call("parseRefs", Params().Str("filePath", path))),
              std::vector<std::string>{"moved/target.pdf"});

    // A certified document is read-only: the update succeeds and writes nothing.
    const std::string certified = Copy(kCertified, "certified.pdf");
    const std::string before = ReadBytes(certified);
    EXPECT_TRUE(ReadOnlyOf(Call("parseRefs", Params().Str("filePath", certified))));
    update->SetObjectForKey(
        data::Literal("filePath"),
        data::CreateStringFromUTF8(certified.data(), int32_t(certified.size())));
    Reply untouched = service_.Connection(0).Call("updateRefs", update);
    EXPECT_TRUE(untouched.succeeded) << Why(untouched);
    EXPECT_EQ(ReadBytes(certified), before);

    // Fewer new links than old ones is the request's error; a broken file the library's.
    update->SetObjectForKey(data::Literal("newLinks"), bytesList({}));
    EXPECT_EQ(TextOf(service_.Connection(0).Call("updateRefs", update).result.get(), "errReason"),
              "kLoomIO_BadRequest");
    WriteBytes(File("garbage.pdf"), "this is no PDF");
    Reply broken = Call("parseRefs", Params().Str("filePath", File("garbage.pdf")));
    EXPECT_EQ(TextOf(broken.result.get(), "errReason"), "PagelError");
    EXPECT_NE(TextOf(broken.result.get(), "errWhy").find("' in file: " + File("garbage.pdf")),
              std::string::npos)
        << Why(broken);
}

// The XMP functions reach a PDF's /Metadata stream through the PDF format; exiftool reads what
// they wrote.
TEST_F(PDFRequestsTest, PacketsOfPDFsAreReadAndWrittenInTheirMetadataStream) {
    const std::string path = Copy(kSeventeenPages, "report.pdf");
    Reply read = Call("getMainPacket", Params().Str("filePath", path));
    ASSERT_TRUE(read.succeeded) << Why(read);
    EXPECT_EQ(NumberOf(read.result.get(), "writeCapability"), 1);
    EXPECT_EQ(PropertyOf(read.result.get(), "pdf:Producer"),
              ExiftoolRead("XMP-pdf:Producer", path));

    const std::string packet = Packet(
        "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Relabelled"
        "</rdf:li></rdf:Alt></dc:title>");
    Reply written = Call("updateMainPacket", Params().Str("filePath", path).Bytes("xmp", packet));
    ASSERT_TRUE(written.succeeded) << Why(written);
    EXPECT_EQ(ExiftoolRead("XMP-dc:Title", path), "Relabelled");
    EXPECT_TRUE(Shell("qpdf --check " + Quoted(path)));
    // A drawing stored as PDF goes to the same format.
    const std::string drawing = Copy(kSeventeenPages, "drawing.ai");
    ASSERT_TRUE(
        Call("updateMainPacket", Params().Str("filePath", drawing).Bytes("xmp", packet)).succeeded);
    EXPECT_EQ(ExiftoolRead("XMP-dc:Title", drawing), "Relabelled");
}

// Two workers draw different documents at the same time; each worker that ends gives its PDF
// state back (the service logs it), and the service ends cleanly (under LeakSanitizer a
// context left behind fails the exit status).
TEST_F(PDFRequestsTest, WorkersRenderAtOnceAndReleaseTheirStateWhenTheyEnd) {
    WriteBytes(File("corner.pdf"), RedCornerPDF());
    const std::string many = Corpus(kSeventeenPages);
    auto render = [&](size_t connection, const std::string& path, int pages, int rounds) {
        kvfoundation::base::AutoReleasePool pool;
        for (int round = 0; round < rounds; ++round) {
            Reply reply = Call("createPageThumbnails", Params().Str("filePath", path).Sizes({48}),
                               connection);
            ASSERT_TRUE(reply.succeeded) << Why(reply);
            EXPECT_EQ(ListOf(reply.result.get(), "thumbnails")->Count(), pages);
        }
    };
    std::thread other([&] { render(1, many, 17, 2); });
    render(0, File("corner.pdf"), 1, 20);
    other.join();
    EXPECT_EQ(service_.Finish(), "exit 0") << service_.Output();
    const std::string output = service_.Output();
    size_t released = 0;
    for (size_t at = output.find(kReleasedLine); at != std::string::npos;
         at = output.find(kReleasedLine, at + 1)) {
        ++released;
    }
    EXPECT_EQ(released, 2u) << output;
}

// Processor seconds the service has used so far (user and system, from /proc).
double ServiceCPUSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));  // after the command name
    std::string field;
    double ticks = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index >= 14) {
            ticks += std::stod(field);
        }
    }
    return ticks / double(::sysconf(_SC_CLK_TCK));
}

// Twenty pages sharing one content stream of 100,000 page-sized fills: many seconds of drawing.
std::string SlowPagesPDF() {
    std::string content;
    for (int i = 0; i < 100000; ++i) {
        content += "0 0 200 200 re f\n";
    }
    std::vector<std::string> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
    std::string kids;
    const std::string page_object =
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 23 0 R >>";
    for (int page = 0; page < 20; ++page) {
        kids += std::to_string(3 + page) + " 0 R ";
        objects.push_back(page_object);
    }
    objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count 20 >>";
    objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                      "\nendstream");
    return svctest::PDFFromObjects(objects);
}

// A client that hangs up during a long "createPageThumbnails": the service stops drawing
// (its processor time stops growing), stays up and answers the next request.
TEST_F(PDFRequestsTest, AClientThatLeavesStopsItsPageThumbnails) {
    WriteBytes(File("slow.pdf"), SlowPagesPDF());
    auto leaving = svctest::RawSocket::ConnectLocal(service_.EndpointPath());
    ASSERT_TRUE(leaving->Send(svctest::Wire()
                                  .List(2)
                                  .Str("createPageThumbnails")
                                  .Map(2)
                                  .Str("filePath")
                                  .Str(File("slow.pdf"))
                                  .Str("sizes")
                                  .List(1)
                                  .Int(64)
                                  .Bytes()));
    const pid_t pid = service_.Child().Pid();
    const double started = ServiceCPUSeconds(pid);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_GT(ServiceCPUSeconds(pid) - started, 0.05) << "the service is not drawing";
    leaving.reset();

    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // time to notice
    const double afterLeaving = ServiceCPUSeconds(pid);
    std::this_thread::sleep_for(std::chrono::seconds(3));
    EXPECT_LT(ServiceCPUSeconds(pid) - afterLeaving, 0.15) << "still drawing for nobody";

    WriteBytes(File("corner.pdf"), RedCornerPDF());
    Reply next =
        Call("createPageThumbnails", Params().Str("filePath", File("corner.pdf")).Sizes({48}));
    ASSERT_TRUE(next.succeeded) << Why(next);
    EXPECT_EQ(ListOf(next.result.get(), "thumbnails")->Count(), 1);
    EXPECT_EQ(service_.Finish(), "exit 0") << service_.Output();
}

}  // namespace
