// Maps on the chained hash table: sizing and growth points, the three ways of storing, key
// copies, removal, iteration order, refused nulls and the description.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "FoundationTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVEntryIterator.h"
#include "kvfoundation/data/MutableMap.h"
#include "kvfoundation/impl/KVASCIIWrapper.h"

using namespace kvfoundation;
using kvtest::Text;

namespace {

class MapTest : public ::testing::Test {
protected:
    base::AutoReleasePool pool_;
};

const impl::HashMap& TableOf(data::IKVMutableMap* map) {
    return static_cast<data::MutableMap*>(map)->Table();
}

base::IKVType* Num(int64_t v) {
    return data::CreateInt64(v);
}

// The mixing steps written out independently of the table.
uint32_t ReferenceMix(uint32_t h) {
    h = h + ~(h << 9);
    h = h ^ (h >> 14);
    h = h + (h << 4);
    h = h ^ (h >> 10);
    return h;
}

TEST_F(MapTest, MixMatchesTheReference) {
    for (uint32_t h : {0u, 1u, 7u, 0x80000000u, 0xFFFFFFFFu, 123456789u}) {
        EXPECT_EQ(impl::HashMap::Mix(h), ReferenceMix(h)) << h;
    }
}

TEST_F(MapTest, SizingForACapacity) {
    auto buckets = [](int32_t capacity) {
        return TableOf(data::CreateMutableMap(capacity)).BucketCount();
    };
    EXPECT_EQ(buckets(0), 8);
    EXPECT_EQ(buckets(6), 8);
    EXPECT_EQ(buckets(7), 16);                                       // 7 / 0.75 = 9
    EXPECT_EQ(buckets(12), 16);                                      // 16 exactly
    EXPECT_EQ(buckets(13), 32);                                      // 17
    EXPECT_EQ(buckets(1 << 30), impl::HashMap::kMaxInitialBuckets);  // bounded, grows later
    try {
        data::CreateMutableMap(-1);
        ADD_FAILURE();
    } catch (const base::KVIllegalArgument& e) {
        EXPECT_EQ(Text(e.Message()), "maxCapacity < 0");
    }
}

TEST_F(MapTest, GrowsWhenTheCountReachesThreeQuarters) {
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    const impl::HashMap& table = TableOf(map);
    EXPECT_EQ(table.Threshold(), 6);
    for (int i = 0; i < 6; ++i) {
        map->SetObjectForKey(Num(100 + i), Num(i));
    }
    EXPECT_EQ(table.BucketCount(), 8);
    map->SetObjectForKey(Num(100), Num(0));  // replacing is not inserting
    EXPECT_EQ(table.BucketCount(), 8);
    map->SetObjectForKey(Num(106), Num(6));  // the seventh entry
    EXPECT_EQ(table.BucketCount(), 16);
    EXPECT_EQ(table.Threshold(), 12);
    for (int i = 7; i < 13; ++i) {
        map->SetObjectForKey(Num(100 + i), Num(i));
    }
    EXPECT_EQ(table.BucketCount(), 32);
    for (int i = 0; i < 13; ++i) {
        EXPECT_EQ(map->ObjectForKey(Num(100 + i))->Hash(), static_cast<uint32_t>(i));
    }
}

TEST_F(MapTest, IterationFollowsBucketsThenNewestFirst) {
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    std::vector<int64_t> keys;
    for (int64_t k = 0; k < 40; ++k) {  // several growths, so chains are rebuilt
        keys.push_back(k * 37 + 5);
        map->SetObjectForKey(Num(keys.back()), Num(k));
    }
    // Expected: bucket index ascending; within a bucket, the order a rebuild leaves (each
    // rebuild reverses what it moves) is reproduced by replaying the inserts and rebuilds.
    uint32_t buckets = 8;
    std::vector<std::vector<int64_t>> chains(buckets);
    int count = 0;
    for (int64_t key : keys) {
        if (count >= static_cast<int>(buckets * 3 / 4)) {
            std::vector<std::vector<int64_t>> grown(buckets * 2);
            for (auto& chain : chains) {
                for (int64_t moved : chain) {
                    auto& target =
                        grown[ReferenceMix(static_cast<uint32_t>(moved)) & (buckets * 2 - 1)];
                    target.insert(target.begin(), moved);
                }
            }
            chains.swap(grown);
            buckets *= 2;
        }
        auto& chain = chains[ReferenceMix(static_cast<uint32_t>(key)) & (buckets - 1)];
        chain.insert(chain.begin(), key);
        ++count;
    }
    std::vector<int64_t> expected;
    for (auto& chain : chains) {
        expected.insert(expected.end(), chain.begin(), chain.end());
    }
    std::vector<int64_t> seen;
    data::IKVEntryIterator* it = map->EntryIterator();
    while (it->HasNext()) {
        auto* key = static_cast<data::IKVNumber*>(it->Next());
        seen.push_back(key->Int64Value());
        EXPECT_EQ(static_cast<data::IKVNumber*>(it->Value())->Int64Value(),
                  (key->Int64Value() - 5) / 37);
    }
    EXPECT_EQ(seen, expected);
    try {
        it->Next();
        ADD_FAILURE();
    } catch (const base::KVIllegalState& e) {
        EXPECT_EQ(Text(e.Message()), "Iterator at end");
    }
}

TEST_F(MapTest, AddReplaceSetAndRemove) {
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    data::IKVString* key = data::Literal("k");
    map->AddIfAbsent(key, Num(1))->AddIfAbsent(key, Num(2));
    EXPECT_EQ(map->ObjectForKey(key), Num(1));
    map->ReplaceIfPresent(data::Literal("absent"), Num(3));
    EXPECT_EQ(map->Count(), 1);
    map->ReplaceIfPresent(key, Num(4));
    EXPECT_EQ(map->ObjectForKey(key), Num(4));
    map->SetObjectForKey(key, Num(5));
    EXPECT_EQ(map->ObjectForKey(key), Num(5));
    EXPECT_TRUE(map->ContainsValue(Num(5)));
    // Look-ups by an equal string of another class.
    impl::KVASCIIWrapper probe("k");
    EXPECT_EQ(map->ObjectForKey(&probe), Num(5));
    map->RemoveObjectForKey(&probe)->RemoveObjectForKey(&probe);
    EXPECT_EQ(map->Count(), 0);
    EXPECT_EQ(map->ObjectForKey(key), nullptr);

    for (int i = 0; i < 20; ++i) {
        map->SetObjectForKey(Num(1000 + i), Num(i));
    }
    int32_t buckets = TableOf(map).BucketCount();
    map->RemoveAll();
    EXPECT_EQ(map->Count(), 0);
    EXPECT_EQ(TableOf(map).BucketCount(), buckets);  // the array stays
    EXPECT_FALSE(map->EntryIterator()->HasNext());
}

TEST_F(MapTest, KeysAreCopiedValuesRetained) {
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    data::IKVMutableString* key = data::CreateMutableString(0);
    key->AppendASCII("name", 4);
    data::IKVMutableList* value = data::CreateMutableList(0);
    int32_t before = value->RetainCount();
    map->SetObjectForKey(key, value);
    EXPECT_EQ(value->RetainCount(), before + 1);
    key->AppendASCII("changed", 7);  // the map kept its own copy
    EXPECT_EQ(map->ObjectForKey(data::Literal("name")), value);
    EXPECT_EQ(map->ObjectForKey(key), nullptr);
    {
        // A stack wrapper used as a key is copied too, so it may go away.
        impl::KVASCIIWrapper temporary("temp");
        map->SetObjectForKey(&temporary, Num(1));
    }
    EXPECT_EQ(map->ObjectForKey(data::Literal("temp")), Num(1));
    map->RemoveAll();
    EXPECT_EQ(value->RetainCount(), before);
}

TEST_F(MapTest, NullsAreRefusedAndChangeNothing) {
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    map->SetObjectForKey(Num(1), Num(1));
    EXPECT_THROW(map->SetObjectForKey(nullptr, Num(1)), base::KVNullPtr);
    EXPECT_THROW(map->SetObjectForKey(Num(2), nullptr), base::KVNullPtr);
    EXPECT_THROW(map->AddIfAbsent(Num(2), nullptr), base::KVNullPtr);
    EXPECT_THROW(map->ObjectForKey(nullptr), base::KVNullPtr);
    EXPECT_THROW(map->RemoveObjectForKey(nullptr), base::KVNullPtr);
    EXPECT_EQ(map->Count(), 1);
    base::IKVType* keys[] = {Num(1), nullptr};
    base::IKVType* values[] = {Num(1), Num(2)};
    EXPECT_THROW(data::CreateMap(keys, values, 2), base::KVNullPtr);
    EXPECT_THROW(data::CreateMap(keys, values, -1), base::KVIllegalArgument);
}

TEST_F(MapTest, ChangingTheMapInvalidatesItsIterators) {
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    map->SetObjectForKey(Num(1), Num(1));
    map->SetObjectForKey(Num(2), Num(2));
    data::IKVEntryIterator* it = map->EntryIterator();
    it->Next();
    map->RemoveObjectForKey(Num(2));
    map->RemoveObjectForKey(Num(1));
    EXPECT_FALSE(it->HasNext());
    EXPECT_THROW(it->Next(), base::KVIllegalState);
    EXPECT_THROW(it->Value(), base::KVIllegalState);
}

TEST_F(MapTest, ImmutableMapsAndCopies) {
    base::IKVType* keys[] = {data::Literal("a"), data::Literal("b"), data::Literal("a")};
    base::IKVType* values[] = {Num(1), Num(2), Num(3)};
    data::IKVMap* map = data::CreateMap(keys, values, 3);
    EXPECT_EQ(map->Count(), 2);
    EXPECT_EQ(map->ObjectForKey(data::Literal("a")), Num(3));  // the last value wins
    auto same = base::KVRefCountT<data::IKVMap>::Adopt(map->Copy());
    EXPECT_EQ(same.get(), map);

    data::IKVMutableMap* mutableMap = data::CreateMutableMap(0);
    mutableMap->SetObjectForKey(data::Literal("x"), Num(1));
    auto copy = base::KVRefCountT<data::IKVMap>::Adopt(mutableMap->Copy());
    mutableMap->RemoveAll();
    EXPECT_EQ(copy->ObjectForKey(data::Literal("x")), Num(1));
}

TEST_F(MapTest, Description) {
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    map->SetObjectForKey(data::Literal("k"), data::CreateBool(true));
    char expected[160];
    std::snprintf(expected, sizeof expected,
                  "<class kvfoundation::data::MutableMap %p> { count = 1, pairs = (\n\tk = "
                  "true\n) }",
                  static_cast<void*>(map));
    EXPECT_EQ(Text(map->Description()), expected);
}

}  // namespace
