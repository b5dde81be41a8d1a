#include "kvfoundation/impl/HashMap.h"

#include "kvfoundation/base/IKVCloning.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfMemory.h"

namespace kvfoundation::impl {

namespace {

int32_t ThresholdFor(size_t buckets) {
    return buckets >= HashMap::kMaxBuckets ? INT32_MAX : static_cast<int32_t>(buckets * 3 / 4);
}

void CheckNotNull(const base::IKVType* object, const char* what) {
    if (object == nullptr) {
        throw base::KVNullPtr(what);
    }
}

}  // namespace

HashMap::HashMap(int32_t capacity) {
    int64_t wanted = capacity > 0 ? static_cast<int64_t>(capacity / 0.75) : 0;
    int32_t buckets = kMinBuckets;
    while (buckets < wanted && buckets < kMaxInitialBuckets) {
        buckets *= 2;
    }
    buckets_.assign(static_cast<size_t>(buckets), nullptr);
    mask_ = static_cast<uint32_t>(buckets - 1);
    threshold_ = ThresholdFor(buckets_.size());
}

HashMap::~HashMap() {
    for (Node* head : buckets_) {
        while (head != nullptr) {
            Node* next = head->next;
            ReleaseNode(head);
            head = next;
        }
    }
}

uint32_t HashMap::Mix(uint32_t h) {
    h += ~(h << 9);
    h ^= (h >> 14);
    h += (h << 4);
    h ^= (h >> 10);
    return h;
}

void HashMap::ReleaseNode(Node* node) {
    node->key->Release();
    node->value->Release();
    delete node;
}

HashMap::Node* HashMap::Find(const base::IKVType* key, uint32_t mixed) const {
    for (Node* node = buckets_[mixed & mask_]; node != nullptr; node = node->next) {
        if (node->key == key || (node->mixed == mixed && key->Equals(node->key))) {
            return node;
        }
    }
    return nullptr;
}

base::IKVType* HashMap::Get(const base::IKVType* key) const {
    CheckNotNull(key, "key");
    Node* node = Find(key, Mix(key->Hash()));
    return node != nullptr ? node->value : nullptr;
}

bool HashMap::ContainsValue(const base::IKVType* value) const {
    for (const Node* head : buckets_) {
        for (const Node* node = head; node != nullptr; node = node->next) {
            if (node->value->Equals(value)) {
                return true;
            }
        }
    }
    return false;
}

void HashMap::Grow() {
    if (buckets_.size() >= static_cast<size_t>(kMaxBuckets)) {
        return;
    }
    std::vector<Node*> grown(buckets_.size() * 2, nullptr);
    uint32_t mask = static_cast<uint32_t>(grown.size() - 1);
    // Old buckets in index order, each node moved to the head of its new chain.
    for (Node* head : buckets_) {
        while (head != nullptr) {
            Node* next = head->next;
            Node*& chain = grown[head->mixed & mask];
            head->next = chain;
            chain = head;
            head = next;
        }
    }
    buckets_.swap(grown);
    mask_ = mask;
    threshold_ = ThresholdFor(buckets_.size());
}

void HashMap::Put(base::IKVType* key, base::IKVType* value, PutMode mode) {
    CheckNotNull(key, "key");
    CheckNotNull(value, "value");
    uint32_t mixed = Mix(key->Hash());
    if (Node* node = Find(key, mixed)) {
        if (mode != PutMode::IfAbsent && node->value != value) {
            base::IKVType* old = node->value;
            node->value = base::Retained(value);
            ++modCount_;
            old->Release();
        }
        return;
    }
    if (mode == PutMode::IfPresent) {
        return;
    }
    auto* node = new Node{nullptr, nullptr, nullptr, mixed};
    try {
        if (count_ >= threshold_) {
            Grow();
        }
        node->key = StoredKey(key);
    } catch (...) {
        delete node;
        throw;
    }
    node->value = base::Retained(value);
    Node*& chain = buckets_[mixed & mask_];
    node->next = chain;
    chain = node;
    ++count_;
    ++modCount_;
}

base::IKVType* HashMap::StoredKey(base::IKVType* key) {
    const std::type_info& type = typeid(*key);
    if (lastKeyType_ == nullptr || *lastKeyType_ != type) {
        const auto* cloning = dynamic_cast<const util::IKVCloning*>(key);
        cloningOffset_ = cloning == nullptr ? kNotCloning
                                            : reinterpret_cast<const char*>(cloning) -
                                                  reinterpret_cast<const char*>(key);
        lastKeyType_ = &type;
    }
    if (cloningOffset_ == kNotCloning) {
        return base::Retained(key);
    }
    // The same most-derived class puts its IKVCloning part at the same offset.
    const auto* cloning = reinterpret_cast<const util::IKVCloning*>(
        reinterpret_cast<const char*>(key) + cloningOffset_);
    return cloning->Copy();
}

void HashMap::Remove(const base::IKVType* key) {
    CheckNotNull(key, "key");
    uint32_t mixed = Mix(key->Hash());
    for (Node** link = &buckets_[mixed & mask_]; *link != nullptr; link = &(*link)->next) {
        Node* node = *link;
        if (node->key == key || (node->mixed == mixed && key->Equals(node->key))) {
            *link = node->next;
            --count_;
            ++modCount_;
            ReleaseNode(node);
            return;
        }
    }
}

void HashMap::RemoveAll() {
    // Unlink everything first: releasing may run code that looks at this map.
    std::vector<Node*> nodes;
    nodes.reserve(static_cast<size_t>(count_));
    for (Node*& head : buckets_) {
        for (Node* node = head; node != nullptr; node = node->next) {
            nodes.push_back(node);
        }
        head = nullptr;
    }
    count_ = 0;
    ++modCount_;
    for (Node* node : nodes) {
        ReleaseNode(node);
    }
}

const HashMap::Node* HashMap::FirstFrom(int32_t index, int32_t* bucketOut) const {
    for (auto i = static_cast<size_t>(index); i < buckets_.size(); ++i) {
        if (buckets_[i] != nullptr) {
            *bucketOut = static_cast<int32_t>(i);
            return buckets_[i];
        }
    }
    *bucketOut = static_cast<int32_t>(buckets_.size());
    return nullptr;
}

HashMap::EntryIter* HashMap::EntryIter::Create(const base::IKVType* owner, const HashMap* table) {
    return new EntryIter(owner, table);
}

HashMap::EntryIter::EntryIter(const base::IKVType* owner, const HashMap* table)
    : owner_(const_cast<base::IKVType*>(owner)), table_(table), modCount_(table->ModCount()) {
    next_ = table_->FirstFrom(0, &bucket_);
}

void HashMap::EntryIter::CheckUnchanged() const {
    if (table_->ModCount() != modCount_) {
        throw base::KVIllegalState("Map changed during iteration");
    }
}

bool HashMap::EntryIter::HasNext() const {
    return next_ != nullptr && table_->ModCount() == modCount_;
}

base::IKVType* HashMap::EntryIter::Next() {
    CheckUnchanged();
    if (next_ == nullptr) {
        throw base::KVIllegalState("Iterator at end");
    }
    current_ = next_;
    next_ = current_->next;
    if (next_ == nullptr) {
        next_ = table_->FirstFrom(bucket_ + 1, &bucket_);
    }
    return current_->key;
}

base::IKVType* HashMap::EntryIter::Key() const {
    CheckUnchanged();
    if (current_ == nullptr) {
        throw base::KVIllegalState("Iterator at end");
    }
    return current_->key;
}

base::IKVType* HashMap::EntryIter::Value() const {
    CheckUnchanged();
    if (current_ == nullptr) {
        throw base::KVIllegalState("Iterator at end");
    }
    return current_->value;
}

}  // namespace kvfoundation::impl
