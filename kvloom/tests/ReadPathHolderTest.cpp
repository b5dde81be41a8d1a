// The request's link for another extension: shared by concurrent requests and removed by the
// last; no link when the name already ends so.
#include <gtest/gtest.h>

#include <filesystem>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/Factories.h"
#include "kvloom/tests/RequestTestSupport.h"
#include "kvloom/tests/ServiceHarness.h"
#include "kvloom/thumbnail/ReadPathHolder.h"

namespace {

namespace fs = std::filesystem;
using kvloom::ReadPathHolder;

kvfoundation::data::IKVString* Text(const std::string& text) {
    return kvfoundation::data::CreateStringFromUTF8(text.data(), int32_t(text.size()));
}

TEST(ReadPathHolderTest, ConcurrentHoldersShareOneLinkAndTheLastRemovesIt) {
    kvfoundation::base::AutoReleasePool pool;
    svctest::TempDir dir;
    const std::string file = dir.Path() + "/picture";
    reqtest::WriteBytes(file, "bytes");
    {
        ReadPathHolder first(Text(file), Text("jpg"));
        EXPECT_EQ(first.ReadPath(), file + ".jpg");
        EXPECT_TRUE(first.HoldsLink());
        {
            ReadPathHolder second(Text(file), Text("jpg"));
            EXPECT_EQ(second.ReadPath(), file + ".jpg");
        }
        EXPECT_TRUE(fs::exists(file + ".jpg")) << "removed while the first still reads it";
    }
    EXPECT_FALSE(fs::exists(file + ".jpg"));
    EXPECT_TRUE(fs::exists(file));
}

TEST(ReadPathHolderTest, NoLinkWhenTheNameAlreadyEndsWithTheExtension) {
    kvfoundation::base::AutoReleasePool pool;
    svctest::TempDir dir;
    const std::string file = dir.Path() + "/picture.jpg";
    reqtest::WriteBytes(file, "bytes");
    for (const char* extension : {"jpg", ""}) {
        ReadPathHolder holder(Text(file), Text(extension));
        EXPECT_EQ(holder.ReadPath(), file);
        EXPECT_FALSE(holder.HoldsLink());
    }
    // Case counts: "JPG" is another ending.
    ReadPathHolder upper(Text(file), Text("JPG"));
    EXPECT_EQ(upper.ReadPath(), file + ".JPG");
}

}  // namespace
