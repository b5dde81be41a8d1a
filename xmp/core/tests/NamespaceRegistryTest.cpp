// The process-wide namespace registry as a long-running process fills it: a URI whose
// suggested prefix is taken gets the next free numbered suffix, and finding it stays cheap
// however many URIs came before under the same prefix.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "XMPTestSupport.h"

namespace xmp::test {
namespace {

TEST(NamespaceRegistryTest, ManyURIsUnderOnePrefixTakeTheNextFreeSuffix) {
    std::string prefix;
    // A URI that asked for a numbered prefix itself: the numbering skips it.
    ASSERT_TRUE(TXMPMeta::RegisterNamespace("http://example.com/asked/", "a_3", &prefix));
    // Nearly as many as the registry holds, under one prefix. Each registration used to try
    // every suffix from 1 on, so the last thousands cost seconds a packet (a fuzz campaign's
    // timeout); under the sanitizers this test then ran for minutes, into CTest's time limit.
    constexpr int kCount = 19000;
    for (int k = 0; k < kCount; ++k) {
        const std::string uri = "http://example.com/many/" + std::to_string(k);
        TXMPMeta::RegisterNamespace(uri, "a", &prefix);
        ASSERT_EQ(prefix, k == 0 ? "a" : "a_" + std::to_string(k < 3 ? k : k + 1)) << uri;
    }
    // The fuzz target's regression input: 383 more URIs under "a", numbered on.
    const TXMPMeta meta(ReadSampleFile(VANTORY_CORPUS_DIR
                                       "/fuzz-regressions/xmp_parse/namespaces-under-one-prefix"));
    const std::vector<std::string> leaves = LeafList(meta);
    ASSERT_EQ(leaves.size(), 383u);
    EXPECT_EQ(leaves.front(), "a_" + std::to_string(kCount + 1) + ":p=0");
    EXPECT_EQ(leaves.back(), "a_" + std::to_string(kCount + 383) + ":p=382");
}

}  // namespace
}  // namespace xmp::test
