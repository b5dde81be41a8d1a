// The root operations: counts and immortal objects, KVRefCountT, class names and checked casts,
// the singleton registry, and object locks through the monitor cache.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "FoundationTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/base/Singletons.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/thread/MonitorCache.h"
#include "kvfoundation/thread/ScopedLock.h"

using namespace kvfoundation;
using base::KVRefCountT;
using kvtest::Text;

namespace {

// Counts its destructions so tests can see exactly when an object dies.
class Probe final : public base::KVObjectT<base::IKVType> {
public:
    explicit Probe(int* destroyed) : destroyed_(destroyed) {}
    ~Probe() override { ++*destroyed_; }

private:
    int* destroyed_;
};

class ObjectModelTest : public ::testing::Test {
protected:
    base::AutoReleasePool pool_;
};

TEST_F(ObjectModelTest, CountsAndReleaseDestroyAtZero) {
    int destroyed = 0;
    auto* probe = new Probe(&destroyed);
    EXPECT_EQ(probe->RetainCount(), 1);
    EXPECT_EQ(probe->Retain(), probe);
    EXPECT_EQ(probe->RetainCount(), 2);
    probe->Release();
    EXPECT_EQ(destroyed, 0);
    probe->Release();
    EXPECT_EQ(destroyed, 1);
}

TEST_F(ObjectModelTest, CountsChangeAtomicallyAcrossThreads) {
    int destroyed = 0;
    auto* probe = new Probe(&destroyed);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([probe] {
            for (int i = 0; i < 20000; ++i) {
                probe->Retain();
                probe->Release();
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(probe->RetainCount(), 1);
    probe->Release();
    EXPECT_EQ(destroyed, 1);
}

TEST_F(ObjectModelTest, LiteralsInternedFromManyThreadsAreOneObject) {
    std::vector<std::vector<data::IKVString*>> seen(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&seen, t] {
            for (int i = 0; i < 200; ++i) {
                seen[t].push_back(data::Literal(("shared literal " + std::to_string(i)).c_str()));
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (int t = 1; t < 4; ++t) {
        EXPECT_EQ(seen[t], seen[0]);
    }
}

TEST_F(ObjectModelTest, ImmortalSmallIntegersIgnoreCounting) {
    data::IKVNumber* five = data::CreateInt32(5);
    EXPECT_EQ(five, data::CreateInt64(5));
    EXPECT_EQ(five->RetainCount(), 2147483647);
    for (int i = 0; i < 3; ++i) {
        five->Release();  // would destroy a counted object
    }
    five->Retain();
    five->AutoRelease();
    EXPECT_EQ(five->RetainCount(), 2147483647);
    EXPECT_EQ(base::AutoReleasePool::Current()->Count(), 0u);
    EXPECT_EQ(data::CreateInt32(-1)->Int32Value(), -1);
    EXPECT_EQ(data::CreateInt32(9)->RetainCount(), 2147483647);
    EXPECT_NE(data::CreateInt32(10), data::CreateInt32(10));
    EXPECT_NE(data::CreateInt32(-2)->RetainCount(), 2147483647);
}

TEST_F(ObjectModelTest, RefCountTRetainsReleasesAndAutoreleasesOnReassignment) {
    int destroyed = 0;
    {
        auto first = KVRefCountT<base::IKVType>::Adopt(new Probe(&destroyed));
        KVRefCountT<base::IKVType> copy = first;
        EXPECT_EQ(first->RetainCount(), 2);
        {
            base::AutoReleasePool inner;
            // Reassigning autoreleases the old object: it survives until the pool closes.
            copy = new Probe(&destroyed);
            copy->Release();  // the reference `new` gave us; `copy` holds the other
            first = nullptr;
            EXPECT_EQ(destroyed, 0);
        }
        EXPECT_EQ(destroyed, 1);
    }
    EXPECT_EQ(destroyed, 2);
}

TEST_F(ObjectModelTest, DefaultRootBehaviour) {
    int destroyed = 0;
    auto a = KVRefCountT<base::IKVType>::Adopt(new Probe(&destroyed));
    auto b = KVRefCountT<base::IKVType>::Adopt(new Probe(&destroyed));
    EXPECT_TRUE(a->Equals(a));
    EXPECT_FALSE(a->Equals(b));
    EXPECT_NE(a->Hash(), b->Hash());
    char expected[64];
    std::snprintf(expected, sizeof expected, "<class (anonymous namespace)::Probe %p>",
                  static_cast<void*>(a.get()));
    EXPECT_EQ(Text(a->Description()), expected);
}

TEST_F(ObjectModelTest, ClassNamesReadAsTheRuntimeGivesThem) {
    EXPECT_EQ(Text(base::ClassName(data::CreateString(u"x", 1))),
              "class kvfoundation::data::UTF16String");
    EXPECT_EQ(Text(base::ClassName(data::CreateMutableMap(0))),
              "class kvfoundation::data::MutableMap");
    EXPECT_EQ(Text(base::ClassName(data::Literal("x"))), "class kvfoundation::impl::KVLiteral");
    EXPECT_EQ(Text(base::TypeName(typeid(data::IKVList))), "class kvfoundation::data::IKVList");
    // Interned: the same object every time.
    EXPECT_EQ(base::TypeName(typeid(data::IKVList)), base::TypeName(typeid(data::IKVList)));
}

TEST_F(ObjectModelTest, CheckedCast) {
    base::IKVType* string = data::CreateString(u"abc", 3);
    EXPECT_EQ(base::KVCast<data::IKVString>(string), string);
    EXPECT_EQ(base::KVCast<data::IKVList>(static_cast<base::IKVType*>(nullptr)), nullptr);
    try {
        base::KVCast<data::IKVList>(string);
        FAIL() << "no KVBadCast";
    } catch (const base::KVBadCast& e) {
        EXPECT_EQ(Text(e.Message()),
                  "Cannot cast <class kvfoundation::data::UTF16String> to "
                  "<class kvfoundation::data::IKVList>");
    }
}

TEST_F(ObjectModelTest, SingletonRegistryCallsTheFactoryOnce) {
    static std::atomic<base::IKVType*> slot;
    std::atomic<int> calls{0};
    int destroyed = 0;
    int before = base::Singletons::Count();
    std::vector<std::thread> threads;
    std::atomic<base::IKVType*> seen[4];
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            seen[t] = base::Singletons::GetOrCreate(slot, [&] {
                ++calls;
                return static_cast<base::IKVType*>(new Probe(&destroyed));
            });
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(calls.load(), 1);
    EXPECT_EQ(base::Singletons::Count(), before + 1);
    for (auto& object : seen) {
        EXPECT_EQ(object.load(), slot.load());
    }
    EXPECT_EQ(data::CreateBool(true), data::CreateBool(true));
    EXPECT_NE(data::CreateBool(true), data::CreateBool(false));
    EXPECT_EQ(data::Null(), data::Null());
}

TEST_F(ObjectModelTest, ObjectLockIsRecursiveAndExcludesOtherThreads) {
    base::IKVType* object = data::CreateMutableList(0);
    std::atomic<int> phase{0};
    std::thread other;
    {
        thread::ScopedLock outer(object);
        {
            thread::ScopedLock inner(object);  // recursive entry
        }
        other = std::thread([&] {
            phase = 1;
            thread::ScopedLock lock(object);  // waits until the main thread leaves
            phase = 2;
        });
        while (phase.load() == 0) {
            std::this_thread::yield();
        }
        EXPECT_EQ(phase.load(), 1);  // still held by the outer level
    }
    other.join();
    EXPECT_EQ(phase.load(), 2);
}

TEST_F(ObjectModelTest, MonitorCacheReusesFreeMonitors) {
    base::IKVType* a = data::CreateMutableList(0);
    base::IKVType* b = data::CreateMutableList(0);
    thread::IKVMonitor* first;
    {
        thread::ScopedLock lock(a);
        first = &lock.Monitor();
        // Another object gets another monitor while the first is in use.
        thread::ScopedLock other(b);
        EXPECT_NE(&other.Monitor(), first);
    }
    int made = thread::MonitorCache::MonitorCount();
    for (int i = 0; i < 100; ++i) {
        thread::ScopedLock lock(b);
    }
    EXPECT_EQ(thread::MonitorCache::MonitorCount(), made);
}

TEST_F(ObjectModelTest, MonitorWaitReleasesEveryLevelAndRestoresThem) {
    thread::Monitor monitor;
    std::atomic<bool> entered{false};
    monitor.Lock();
    monitor.Lock();
    std::thread other([&] {
        monitor.Lock();  // possible only while the main thread waits
        entered = true;
        monitor.NotifyAll();
        monitor.Unlock();
    });
    while (!entered.load()) {
        monitor.Wait(50);
    }
    EXPECT_TRUE(monitor.IsHeldByCurrentThread());
    monitor.Unlock();
    EXPECT_TRUE(monitor.IsHeldByCurrentThread());  // the second level came back
    monitor.Unlock();
    EXPECT_FALSE(monitor.IsHeldByCurrentThread());
    other.join();
}

TEST_F(ObjectModelTest, MonitorMisuseIsAnError) {
    thread::Monitor monitor;
    EXPECT_THROW(monitor.Unlock(), base::KVIllegalState);
    EXPECT_THROW(monitor.Wait(0), base::KVIllegalState);
    monitor.Lock();
    EXPECT_FALSE(monitor.Wait(0));  // time-out
    monitor.Unlock();
}

}  // namespace
