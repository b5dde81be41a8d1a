// The recursive monitor and the object monitors behind Lock, exercised across threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ThreadTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/thread/Monitor.h"
#include "kvfoundation/thread/ScopedLock.h"

using namespace kvfoundation;
using kvtest::Event;

TEST(MonitorTest, WaitReleasesEveryLevelAndRestoresThem) {
    thread::Monitor monitor;
    Event waiting;
    bool entered = false;  // guarded by the monitor

    monitor.Lock();
    monitor.Lock();
    std::thread other([&] {
        waiting.Wait();
        thread::ScopedLock lock(monitor);  // only possible while the owner waits
        entered = true;
        monitor.NotifyAll();
    });
    waiting.Set();
    while (!entered) {
        ASSERT_TRUE(monitor.Wait(30000)) << "the other thread never entered";
    }
    // Both levels are held again: two Unlocks succeed, a third fails.
    EXPECT_TRUE(monitor.IsHeldByCurrentThread());
    monitor.Unlock();
    EXPECT_TRUE(monitor.IsHeldByCurrentThread());
    monitor.Unlock();
    EXPECT_FALSE(monitor.IsHeldByCurrentThread());
    EXPECT_THROW(monitor.Unlock(), base::KVIllegalState);
    other.join();
}

TEST(MonitorTest, NotifyAllWakesEveryWaiterAndOnlyThem) {
    thread::Monitor monitor;
    constexpr int kWaiters = 4;
    int ready = 0;  // guarded by the monitor
    bool go = false;
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            thread::ScopedLock lock(monitor);
            ++ready;
            monitor.NotifyAll();
            while (!go) {
                monitor.Wait();
            }
            ++woken;
        });
    }
    {
        thread::ScopedLock lock(monitor);
        while (ready < kWaiters) {
            ASSERT_TRUE(monitor.Wait(30000));
        }
        go = true;
        monitor.NotifyAll();
    }
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(woken, kWaiters);
    EXPECT_EQ(monitor.WaitingCount(), 0);

    // A notification with nobody waiting is not remembered for a later waiter.
    thread::ScopedLock lock(monitor);
    monitor.NotifyAll();
    EXPECT_FALSE(monitor.Wait(20));
    EXPECT_TRUE(monitor.IsHeldByCurrentThread());
}

TEST(MonitorTest, ExcludesOtherThreadsAndRejectsUseWithoutHoldingIt) {
    thread::Monitor monitor;
    EXPECT_THROW(monitor.Wait(0), base::KVIllegalState);
    EXPECT_THROW(monitor.Unlock(), base::KVIllegalState);

    long counter = 0;  // a plain counter: lost updates show a broken lock
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                thread::ScopedLock outer(monitor);
                thread::ScopedLock inner(monitor);
                counter = counter + 1;
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(counter, kThreads * kRounds);
}

TEST(MonitorTest, ObjectLocksAreRecursivePerObjectAndIndependentBetweenObjects) {
    base::AutoReleasePool pool;
    base::KVRefCountT<base::IKVType> first(data::CreateMutableMap(0));
    base::KVRefCountT<base::IKVType> second(data::CreateMutableMap(0));

    thread::ScopedLock held(first.get());
    thread::ScopedLock again(first.get());  // recursive
    EXPECT_EQ(&held.Monitor(), &again.Monitor());

    Event secondLocked;
    std::atomic<bool> firstLocked{false};
    std::thread other([&] {
        {
            thread::ScopedLock lock(second.get());  // free although `first` is held
            secondLocked.Set();
        }
        thread::ScopedLock lock(first.get());
        firstLocked = true;
        lock.Monitor().NotifyAll();
    });
    ASSERT_TRUE(secondLocked.Wait());
    EXPECT_FALSE(firstLocked);
    // Waiting on the object's monitor lets the other thread in, and its NotifyAll reaches us.
    while (!firstLocked) {
        ASSERT_TRUE(held.Monitor().Wait(30000));
    }
    other.join();
}
