// Lists: growth of the mutable array, refused nulls and ranges that leave the list unchanged,
// element ownership, iteration and description.
#include <gtest/gtest.h>

#include <vector>

#include "FoundationTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVIterator.h"
#include "kvfoundation/data/MutableList.h"

using namespace kvfoundation;
using kvtest::Text;

namespace {

class ListTest : public ::testing::Test {
protected:
    base::AutoReleasePool pool_;

    static std::string Contents(const data::IKVList* list) {
        std::string out;
        for (int32_t i = 0; i < list->Count(); ++i) {
            if (i > 0) {
                out += ',';
            }
            out += Text(list->ObjectAt(i)->Description());
        }
        return out;
    }
};

base::IKVType* Num(int v) {
    return data::CreateInt32(v);
}

TEST_F(ListTest, MutableArrayStartsEmptyThenEightThenDoubles) {
    auto* list = static_cast<data::MutableList*>(data::CreateMutableList(100));
    EXPECT_EQ(list->Capacity(), 0);  // the factory's capacity is only checked
    std::vector<int32_t> capacities;
    for (int i = 0; i < 17; ++i) {
        list->AddObject(Num(i));
        capacities.push_back(list->Capacity());
    }
    EXPECT_EQ(capacities[0], 8);
    EXPECT_EQ(capacities[7], 8);
    EXPECT_EQ(capacities[8], 16);
    EXPECT_EQ(capacities[16], 32);
    // A bulk add doubles until everything fits.
    std::vector<base::IKVType*> many(100, Num(1));
    list->AddObjects(100, many.data());
    EXPECT_EQ(list->Capacity(), 128);
}

TEST_F(ListTest, EditsKeepOrder) {
    data::IKVMutableList* list = data::CreateMutableList(0);
    base::IKVType* initial[] = {Num(1), Num(2), Num(3)};
    list->AddObjects(3, initial);
    list->InsertObjectAt(0, Num(0));
    list->InsertObjectAt(4, Num(4));
    list->ReplaceObjectAt(2, Num(9));
    EXPECT_EQ(Contents(list), "0,1,9,3,4");
    list->RemoveObjects(1, 2);
    EXPECT_EQ(Contents(list), "0,3,4");
    list->RemoveObjectAt(2);
    list->SetCount(4);
    EXPECT_EQ(Contents(list), "0,3,null,null");
    EXPECT_EQ(list->ObjectAt(3), data::Null());
    list->SetCount(1);
    EXPECT_EQ(Contents(list), "0");
}

TEST_F(ListTest, BadInputFailsAndLeavesTheListUnchanged) {
    data::IKVMutableList* list = data::CreateMutableList(0);
    base::IKVType* three[] = {Num(1), Num(2), Num(3)};
    list->AddObjects(3, three);
    base::IKVType* withNull[] = {Num(7), nullptr};
    EXPECT_THROW(list->AddObjects(2, withNull), base::KVNullPtr);
    EXPECT_THROW(list->AddObject(nullptr), base::KVNullPtr);
    EXPECT_THROW(list->InsertObjectAt(1, nullptr), base::KVNullPtr);
    EXPECT_THROW(list->ReplaceObjectAt(0, nullptr), base::KVNullPtr);
    EXPECT_THROW(list->InsertObjectAt(4, Num(1)), base::KVOutOfRange);
    EXPECT_THROW(list->InsertObjectAt(-1, Num(1)), base::KVOutOfRange);
    EXPECT_THROW(list->ReplaceObjectAt(3, Num(1)), base::KVOutOfRange);
    EXPECT_THROW(list->RemoveObjects(2, 2), base::KVOutOfRange);
    EXPECT_THROW(list->RemoveObjects(1, -1), base::KVOutOfRange);
    try {
        list->AddObjects(-1, three);
        ADD_FAILURE();
    } catch (const base::KVIllegalArgument& e) {
        EXPECT_EQ(Text(e.Message()), "count < 0");
    }
    try {
        list->SetCount(-1);
        ADD_FAILURE();
    } catch (const base::KVIllegalArgument& e) {
        EXPECT_EQ(Text(e.Message()), "newSize < 0");
    }
    try {
        list->ObjectAt(3);
        ADD_FAILURE();
    } catch (const base::KVOutOfRange& e) {
        EXPECT_EQ(Text(e.Message()), "index out of bounds 3  [0:3]");
    }
    EXPECT_EQ(Contents(list), "1,2,3");
    EXPECT_THROW(data::CreateMutableList(-1), base::KVIllegalArgument);
    EXPECT_THROW(data::CreateList(2, withNull), base::KVNullPtr);
    EXPECT_THROW(data::CreateList(-1, three), base::KVIllegalArgument);
}

TEST_F(ListTest, ListsHoldCountedReferences) {
    data::IKVString* element = data::CreateString(u"e", 1);
    int32_t before = element->RetainCount();
    {
        base::AutoReleasePool inner;
        data::IKVMutableList* list = data::CreateMutableList(0);
        list->AddObject(element);
        list->AddObject(element);
        base::IKVType* one[] = {element};
        data::CreateList(1, one);
        EXPECT_EQ(element->RetainCount(), before + 3);
        list->RemoveObjectAt(0);
        EXPECT_EQ(element->RetainCount(), before + 2);
    }
    EXPECT_EQ(element->RetainCount(), before);
}

TEST_F(ListTest, QueriesAndCopies) {
    base::IKVType* items[] = {data::Literal("a"), Num(2), data::Literal("c")};
    data::IKVList* list = data::CreateList(3, items);
    EXPECT_TRUE(list->Contains(data::CreateString(u"c", 1)));  // by Equals, not identity
    EXPECT_FALSE(list->Contains(data::Literal("b")));
    base::IKVType* some[] = {Num(2), data::Literal("a")};
    EXPECT_TRUE(list->ContainsAll(data::CreateList(2, some)));
    base::IKVType* other[] = {Num(3)};
    EXPECT_FALSE(list->ContainsAll(data::CreateList(1, other)));
    base::IKVType* buffer[3] = {};
    list->GetObjects(buffer, 1, 2);
    EXPECT_EQ(buffer[0], items[1]);
    EXPECT_THROW(list->GetObjects(buffer, 2, 2), base::KVOutOfRange);
    base::KVRefCountT<data::IKVList> same = base::KVRefCountT<data::IKVList>::Adopt(list->Copy());
    EXPECT_EQ(same.get(), list);

    data::IKVMutableList* mutableList = data::CreateMutableList(0);
    mutableList->AddObjects(3, items);
    auto copy = base::KVRefCountT<data::IKVList>::Adopt(mutableList->Copy());
    mutableList->RemoveObjectAt(0);
    EXPECT_EQ(Contents(copy), "a,2,c");
}

TEST_F(ListTest, IteratorWalksToTheEnd) {
    base::IKVType* items[] = {Num(1), Num(2)};
    data::IKVIterator* it = data::CreateList(2, items)->Iterator();
    EXPECT_EQ(it->Next(), items[0]);
    EXPECT_EQ(it->Next(), items[1]);
    EXPECT_FALSE(it->HasNext());
    try {
        it->Next();
        ADD_FAILURE();
    } catch (const base::KVIllegalState& e) {
        EXPECT_EQ(Text(e.Message()), "current_ == limit_");
    }
    // A list that shrinks under its iterator gives an error, not a stale read.
    data::IKVMutableList* list = data::CreateMutableList(0);
    list->AddObjects(2, items);
    data::IKVIterator* shrinking = list->Iterator();
    list->SetCount(0);
    EXPECT_THROW(shrinking->Next(), base::KVOutOfRange);
}

TEST_F(ListTest, Description) {
    base::IKVType* items[] = {data::Literal("x"), Num(7)};
    data::IKVList* list = data::CreateList(2, items);
    char expected[160];
    std::snprintf(expected, sizeof expected,
                  "<class kvfoundation::data::List %p> { count = 2, values = (\n\t0 : x\n\t1 : "
                  "7\n) }",
                  static_cast<const void*>(list));
    EXPECT_EQ(Text(list->Description()), expected);
}

}  // namespace
