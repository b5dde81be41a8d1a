// updateMainPacket with the service killed (SIGKILL) at random moments of the write: the file
// is always either the old one or the new one, never a mixture.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <random>
#include <string>
#include <thread>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvloom/tests/RequestTestSupport.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace reqtest;

// [name, {"filePath": path, "xmp": packet}] on the wire.
std::string UpdateRequest(const std::string& path, const std::string& packet) {
    std::string padded = packet;
    padded.append((4 - packet.size() % 4) % 4, '\0');
    return svctest::Wire()
        .List(2)
        .Str("updateMainPacket")
        .Map(2)
        .Str("filePath")
        .Str(path)
        .Str("xmp")
        .U32(5)
        .U32(uint32_t(packet.size()))
        .Raw(padded)
        .Bytes();
}

TEST(UpdateUnderKillTest, KilledServiceNeverLeavesADamagedFile) {
    kvfoundation::base::AutoReleasePool pool;
    svctest::TempDir dir;
    const std::string path = dir.Path() + "/photo.jpg";
    // Noise keeps the file large (a few MB), so the rewrite takes long enough to be cut.
    ASSERT_TRUE(Shell("convert -size 2400x1600 xc: +noise Random -quality 95 " + path));
    Exiftool("-XMP-xmp:Label=old", path);
    const std::string original = ReadBytes(path);

    std::mt19937 random(20261207);
    int updated = 0;
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        WriteBytes(path, original);
        svctest::RunningService service(false, 1);
        auto socket = svctest::RawSocket::ConnectLocal(service.EndpointPath());
        // A long packet, so that the new file differs from the old in size too.
        const std::string packet = Packet(
            "<xmp:Label>new</xmp:Label><dc:description><rdf:Alt><rdf:li "
            "xml:lang=\"x-default\">" +
            std::string(30000, 'x') + "</rdf:li></rdf:Alt></dc:description>");
        ASSERT_TRUE(socket->Send(UpdateRequest(path, packet)));
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 60000));
        ::kill(service.Child().Pid(), SIGKILL);
        service.Child().WaitExit();

        const std::string now = ReadBytes(path);
        const std::string label = ExiftoolRead("XMP-xmp:Label", path);
        if (now == original) {
            EXPECT_EQ(label, "old");
            continue;
        }
        ++updated;
        EXPECT_EQ(label, "new");
        EXPECT_EQ(ExiftoolRead("XMP-dc:Description", path).size(), 30000u);
        // The image data came through whole.
        EXPECT_TRUE(Shell("djpeg " + Quoted(path) + " > /dev/null")) << "djpeg refused the file";
    }
    std::cout << updated << " of 8 rounds finished the update before the kill\n";
}

}  // namespace
