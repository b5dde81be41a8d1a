// A runnable that other threads wait for: run once, waiters released also on failure, and the
// two misuses it refuses.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ThreadTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/thread/InvocationRunnable.h"
#include "kvfoundation/thread/WaitableRunnable.h"

using namespace kvfoundation;
using kvtest::Event;
using kvtest::Text;

TEST(WaitableRunnableTest, EveryWaiterIsReleasedOnceItHasRunAndItRunsOnlyOnce) {
    base::AutoReleasePool pool;
    Event release;
    std::atomic<int> runs{0};
    base::KVRefCountT<thread::WaitableRunnable> waitable(
        thread::WaitableRunnable::Create(thread::InvocationRunnable::Create([&] {
            release.Wait();
            ++runs;
        })));
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            waitable->Wait();
            EXPECT_EQ(runs, 1) << "a waiter was released before the run ended";
            ++released;
        });
    }
    std::thread runner([&] { waitable->Run(); });
    release.Set();
    runner.join();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released, 3);
    EXPECT_TRUE(waitable->IsDone());
    waitable->Wait();  // done: returns at once

    try {
        waitable->Run();
        ADD_FAILURE() << "ran twice";
    } catch (const base::KVIllegalState& e) {
        EXPECT_EQ(Text(e.Message()), "Already Running");
    }
    EXPECT_EQ(runs, 1);
    EXPECT_THROW(thread::WaitableRunnable::Create(nullptr), base::KVNullPtr);
}

TEST(WaitableRunnableTest, WaitingFromInsideItsOwnRunIsRefused) {
    base::AutoReleasePool pool;
    thread::WaitableRunnable* waitable = nullptr;
    std::string refusal;
    waitable = thread::WaitableRunnable::Create(thread::InvocationRunnable::Create([&] {
        try {
            waitable->Wait();
        } catch (const base::KVIllegalState& e) {
            refusal = Text(e.Message());
        }
    }));
    std::thread([&] { waitable->Run(); }).join();
    EXPECT_EQ(refusal, "Deadlock prevented");
    EXPECT_TRUE(waitable->IsDone());
}

TEST(WaitableRunnableTest, AFailedRunStillReleasesWaitersAndTheErrorGoesOn) {
    base::AutoReleasePool pool;
    Event started;
    Event fail;
    base::KVRefCountT<thread::WaitableRunnable> waitable(
        thread::WaitableRunnable::Create(thread::InvocationRunnable::Create([&] {
            started.Set();
            fail.Wait();
            throw base::KVIllegalArgument("failed work");
        })));
    bool thrown = false;
    std::thread runner([&] {
        try {
            waitable->Run();
        } catch (const base::KVIllegalArgument&) {
            thrown = true;
        }
    });
    ASSERT_TRUE(started.Wait());
    std::thread waiter([&] { waitable->Wait(); });
    fail.Set();
    waiter.join();  // would hang if a failure left the waiters blocked
    runner.join();
    EXPECT_TRUE(thrown);
    EXPECT_THROW(waitable->Run(), base::KVIllegalState);
}
