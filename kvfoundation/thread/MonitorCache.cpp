#include "kvfoundation/thread/MonitorCache.h"

namespace kvfoundation::thread {

namespace {

// The cache lives for the whole process: objects may lock in late static destructors.
struct Cache {
    std::mutex lock;
    MonitorCache::Mon* head = nullptr;
    int count = 0;
};

Cache& TheCache() {
    static auto* cache = new Cache();
    return *cache;
}

}  // namespace

IKVMonitor* MonitorCache::Lock(const base::IKVType* object) {
    Cache& cache = TheCache();
    Mon* chosen = nullptr;
    {
        std::lock_guard<std::mutex> guard(cache.lock);
        Mon* firstFree = nullptr;
        for (Mon* mon = cache.head; mon != nullptr; mon = mon->next_) {
            if (mon->useCount_ > 0 && mon->object_ == object) {
                chosen = mon;
                break;
            }
            if (firstFree == nullptr && mon->useCount_ == 0) {
                firstFree = mon;
            }
        }
        if (chosen == nullptr) {
            chosen = firstFree;
        }
        if (chosen == nullptr) {
            chosen = new Mon();
            chosen->next_ = cache.head;
            cache.head = chosen;
            ++cache.count;
        }
        chosen->object_ = object;
        ++chosen->useCount_;
    }
    chosen->monitor_.Lock();
    return chosen;
}

int MonitorCache::MonitorCount() {
    Cache& cache = TheCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    return cache.count;
}

void MonitorCache::Mon::Lock() {
    {
        std::lock_guard<std::mutex> guard(TheCache().lock);
        ++useCount_;
    }
    monitor_.Lock();
}

void MonitorCache::Mon::Unlock() {
    monitor_.Unlock();
    std::lock_guard<std::mutex> guard(TheCache().lock);
    if (--useCount_ == 0) {
        object_ = nullptr;
    }
}

bool MonitorCache::Mon::Wait(int64_t timeoutMs) {
    return monitor_.Wait(timeoutMs);
}

}  // namespace kvfoundation::thread
