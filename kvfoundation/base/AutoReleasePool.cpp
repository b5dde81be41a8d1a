#include "kvfoundation/base/AutoReleasePool.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/base/KVOutOfMemory.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/base/ThreadRecord.h"
#include "kvfoundation/data/MutableString.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvfoundation::base {

AutoReleasePool::AutoReleasePool() : current_(&first_), previous_(ThreadRecord::Current().pool) {
    first_.previous = nullptr;
    ThreadRecord::Current().pool = this;
}

AutoReleasePool::~AutoReleasePool() {
    Close();
}

AutoReleasePool* AutoReleasePool::Current() {
    return ThreadRecord::Current().pool;
}

void AutoReleasePool::AddToCurrent(IKVType* object) {
    if (AutoReleasePool* pool = Current()) {
        pool->Add(object);
        return;
    }
    // The message itself is built from autoreleased strings: give it a pool of its own.
    AutoReleasePool messagePool;
    util::LogFormat(1,
                    "*** IKVAutoReleasePool: Object %p of class %@ autoreleased with no pool in "
                    "place - just leaking",
                    object, ClassName(object));
}

void AutoReleasePool::Add(IKVType* object) {
    if (used_ == kSlotsPerPage) {
        auto* page = static_cast<Page*>(std::malloc(sizeof(Page)));
        if (page == nullptr) {
            throw KVOutOfMemory();
        }
        page->previous = current_;
        current_ = page;
        used_ = 0;
    }
    current_->slots[used_++] = object;
    ++count_;
}

void AutoReleasePool::Close() {
    if (closed_) {
        return;
    }
    // Pools opened inside this one and still open are closed first.
    ThreadRecord& record = ThreadRecord::Current();
    bool onThisThread = false;
    for (AutoReleasePool* pool = record.pool; pool != nullptr; pool = pool->previous_) {
        onThisThread = onThisThread || pool == this;
    }
    while (onThisThread && record.pool != this) {
        record.pool->Close();
    }
    // Release page by page, newest first and each page's slots in order. A release may
    // autorelease into this pool again (a destructor assigning a KVRefCountT): the page is
    // taken off before its objects are released, and the loop runs until nothing is left.
    IKVType* batch[kSlotsPerPage];
    while (count_ != 0) {
        int32_t used = used_;
        std::copy(current_->slots, current_->slots + used, batch);
        count_ -= static_cast<uint32_t>(used);
        if (current_ == &first_) {
            used_ = 0;
        } else {
            Page* full = current_;
            current_ = full->previous;
            used_ = kSlotsPerPage;
            std::free(full);
        }
        for (int32_t i = 0; i < used; ++i) {
            batch[i]->Release();
        }
    }
    closed_ = true;
    if (onThisThread) {
        record.pool = previous_;
    }
}

data::IKVString* AutoReleasePool::Description() const {
    // The text joins the pool only when complete, and the descriptions made on the way come
    // after the objects listed: the listing is what the pool held when it was asked.
    auto text = KVRefCountT<data::MutableString>::Adopt(data::MutableString::Create(0));
    std::vector<const Page*> chain;
    for (const Page* page = current_; page != nullptr; page = page->previous) {
        chain.push_back(page);
    }
    const Page* current = current_;
    int32_t usedInCurrent = used_;
    util::AppendFormat(text, "<AutoReleasePool %#p> { count = %u, values = (", this, count_);
    uint32_t index = 0;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        int32_t used = (*it == current) ? usedInCurrent : kSlotsPerPage;
        for (int32_t i = 0; i < used; ++i) {
            util::AppendFormat(text, "\t%u : %@\n", index++, (*it)->slots[i]);
        }
    }
    text->AppendASCII(") }", 3);
    text->AutoRelease();
    return text.Detach();
}

}  // namespace kvfoundation::base
