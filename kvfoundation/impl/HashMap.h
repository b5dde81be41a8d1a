#pragma once

#include <cstddef>
#include <cstdint>
#include <typeinfo>
#include <vector>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVEntryIterator.h"

namespace kvfoundation::impl {

// The hash table behind Map and MutableMap: chained buckets, a power-of-two bucket count, and
// a rebuild at twice the size when the entry count reaches 0.75 of it. New nodes go to the
// head of their chain; iteration walks the buckets in index order, each chain from its head.
// Keys that implement util::IKVCloning are stored as a Copy, others retained; values are
// retained. Null keys and values raise KVNullPtr.
class HashMap {
public:
    // Next, key and value, plus the key's mixed hash: it fits the allocation's padding, spares
    // Equals calls on chains and key->Hash() calls when the table is rebuilt.
    struct Node {
        Node* next;
        base::IKVType* key;
        base::IKVType* value;
        uint32_t mixed;
    };

    enum class PutMode { Always, IfAbsent, IfPresent };

    // Buckets for `capacity` entries: the smallest power of two, at least 8, not below
    // capacity / 0.75 (up to kMaxInitialBuckets; the table grows from there).
    explicit HashMap(int32_t capacity);
    ~HashMap();
    HashMap(const HashMap&) = delete;
    HashMap& operator=(const HashMap&) = delete;

    static constexpr int32_t kMinBuckets = 8;
    static constexpr int32_t kMaxInitialBuckets = 1 << 16;
    static constexpr int32_t kMaxBuckets = 1 << 30;

    // The key's hash spread over the low bits (the bucket index is mixed & mask).
    static uint32_t Mix(uint32_t hash);

    int32_t Count() const { return count_; }
    int32_t BucketCount() const { return static_cast<int32_t>(buckets_.size()); }
    int32_t Threshold() const { return threshold_; }
    // Changes with every structural edit; iterators compare it.
    uint32_t ModCount() const { return modCount_; }

    base::IKVType* Get(const base::IKVType* key) const;
    bool ContainsValue(const base::IKVType* value) const;
    void Put(base::IKVType* key, base::IKVType* value, PutMode mode);
    void Remove(const base::IKVType* key);
    // Drops every entry and keeps the bucket array.
    void RemoveAll();

    // The first node at or after bucket `index` (null at the end), for iteration.
    const Node* FirstFrom(int32_t index, int32_t* bucketOut) const;

    // Iterator over the pairs; keeps `owner` (the map object) alive.
    class EntryIter final : public base::KVObjectT<data::IKVEntryIterator> {
    public:
        // Owned by the caller (count 1).
        static EntryIter* Create(const base::IKVType* owner, const HashMap* table);

        bool HasNext() const override;
        // The next key; KVIllegalState "Iterator at end" past the end, or when the map was
        // changed since the iterator was made.
        base::IKVType* Next() override;
        base::IKVType* Key() const override;
        base::IKVType* Value() const override;

    private:
        EntryIter(const base::IKVType* owner, const HashMap* table);
        ~EntryIter() override = default;
        void CheckUnchanged() const;

        base::KVRefCountT<base::IKVType> owner_;
        const HashMap* table_;
        uint32_t modCount_;
        int32_t bucket_ = 0;
        const Node* next_ = nullptr;     // the node Next returns
        const Node* current_ = nullptr;  // the node Next returned last
    };

private:
    Node* Find(const base::IKVType* key, uint32_t mixed) const;
    // The key as stored: a Copy when it implements util::IKVCloning, else retained.
    base::IKVType* StoredKey(base::IKVType* key);
    void Grow();
    static void ReleaseNode(Node* node);

    int32_t count_ = 0;
    std::vector<Node*> buckets_;
    uint32_t mask_ = 0;
    int32_t threshold_ = 0;
    uint32_t modCount_ = 0;
    // The last key class seen and where its util::IKVCloning part lies (kNotCloning if it has
    // none): keys of one map are nearly always of one class, and the cross-cast is slow.
    static constexpr ptrdiff_t kNotCloning = PTRDIFF_MIN;
    const std::type_info* lastKeyType_ = nullptr;
    ptrdiff_t cloningOffset_ = kNotCloning;
};

}  // namespace kvfoundation::impl
