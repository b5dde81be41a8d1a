// Run loops: work posted from other threads, stop and deadline, the main (GUI) loop with quit
// and hand-over, and the loops of library threads.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ThreadTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/posix/PosixThread.h"
#include "kvfoundation/thread/InvocationRunnable.h"
#include "kvfoundation/thread/Threads.h"

using namespace kvfoundation;
using kvtest::Event;
using Clock = system::IKVRunLoop::Clock;
using system::RunLoopResult;

namespace {

thread::IKVRunnable* Work(std::function<void()> body) {
    return thread::InvocationRunnable::Create(std::move(body));
}

Clock::time_point Far() {
    return Clock::now() + kvtest::kPatience;
}

}  // namespace

TEST(RunLoopTest, APassedDeadlineWithNothingQueuedTimesOutAtOnce) {
    base::AutoReleasePool pool;
    system::IKVRunLoop* loop = thread::CurrentRunLoop();
    EXPECT_EQ(loop->RunUntil(Clock::now() - std::chrono::seconds(1)), RunLoopResult::kTimedOut);
    // A stop asked for before a run is dropped by that run.
    loop->Stop();
    EXPECT_EQ(loop->RunUntil(Clock::now() + std::chrono::milliseconds(20)),
              RunLoopResult::kTimedOut);
}

TEST(RunLoopTest, WorkPostedFromOtherThreadsRunsInOrderOnTheLoopsThreadInsideAPool) {
    base::AutoReleasePool pool;
    system::IKVRunLoop* loop = thread::CurrentRunLoop();
    const pid_t loopThread = posix::PosixThread::CurrentId();
    std::vector<int> order;  // touched on the loop's thread only
    std::atomic<bool> probeGone{false};
    std::thread poster([&] {
        base::AutoReleasePool threadPool;
        for (int i = 0; i < 100; ++i) {
            loop->AddRunnable(Work([&, i] {
                EXPECT_EQ(posix::PosixThread::CurrentId(), loopThread);
                order.push_back(i);
            }));
        }
        loop->AddRunnable(Work([&] {
            EXPECT_NE(base::AutoReleasePool::Current(), &pool);
            (new kvtest::LifeProbe(probeGone))->AutoRelease();
        }));
        loop->AddRunnable(Work([loop] { loop->Stop(); }));
    });
    EXPECT_EQ(loop->RunUntil(Far()), RunLoopResult::kStopped);
    poster.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(order[i], i);
    }
    EXPECT_TRUE(probeGone) << "posted work ran outside its own pool";
}

TEST(RunLoopTest, StopFromAnotherThreadEndsTheRunInProgress) {
    base::AutoReleasePool pool;
    system::IKVRunLoop* loop = thread::CurrentRunLoop();
    Event running;
    loop->AddRunnable(Work([&] { running.Set(); }));
    std::thread stopper([&] {
        running.Wait();
        loop->Stop();
    });
    EXPECT_EQ(loop->RunUntil(Far()), RunLoopResult::kStopped);
    stopper.join();
}

TEST(RunLoopTest, FailingWorkIsLoggedAndTheLoopGoesOn) {
    base::AutoReleasePool pool;
    kvtest::RestoreLog restore;
    auto log = kvtest::SharedCaptureLog::Install();
    system::IKVRunLoop* loop = thread::CurrentRunLoop();
    bool after = false;
    loop->AddRunnable(Work([] { throw base::KVIllegalState("loop work failed"); }));
    loop->AddRunnable(Work([] { throw std::runtime_error("std failure"); }));
    loop->AddRunnable(Work([&] {
        after = true;
        loop->Stop();
    }));
    EXPECT_EQ(loop->RunUntil(Far()), RunLoopResult::kStopped);
    EXPECT_TRUE(after);
    const std::string all = log->All();
    EXPECT_NE(all.find("IKVException in run loop of thread \"Main\""), std::string::npos) << all;
    EXPECT_NE(all.find("loop work failed"), std::string::npos) << all;
    EXPECT_NE(all.find("std failure"), std::string::npos) << all;
}

TEST(RunLoopTest, OnlyTheOwningThreadRunsALoop) {
    base::AutoReleasePool pool;
    system::IKVRunLoop* mainLoop = thread::CurrentRunLoop();
    EXPECT_EQ(mainLoop, thread::MainRunLoop());
    bool refused = false;
    std::thread([&] {
        base::AutoReleasePool threadPool;
        try {
            mainLoop->RunUntil(Clock::now());
        } catch (const base::KVIllegalState&) {
            refused = true;
        }
        EXPECT_THROW(thread::RunGUILoop(), base::KVIllegalState);
    }).join();
    EXPECT_TRUE(refused);
}

TEST(RunLoopTest, AThreadServesItsOwnLoopAndOthersHandItWork) {
    base::AutoReleasePool pool;
    std::atomic<system::IKVRunLoop*> workerLoop{nullptr};
    Event ready;
    thread::IKVThread* worker = thread::StartThread(Work([&] {
                                                        workerLoop = thread::CurrentRunLoop();
                                                        ready.Set();
                                                        workerLoop.load()->Run();
                                                    }),
                                                    "LoopWorker");
    ASSERT_TRUE(ready.Wait());
    pid_t ranOn = 0;
    thread::PerformAndWait(workerLoop, Work([&] { ranOn = posix::PosixThread::CurrentId(); }));
    EXPECT_NE(ranOn, posix::PosixThread::CurrentId());
    EXPECT_THROW(
        thread::PerformAndWait(workerLoop, Work([] { throw base::KVIllegalState("handed"); })),
        base::KVIllegalState);
    workerLoop.load()->Stop();
    EXPECT_TRUE(worker->Join(30.0));
}

TEST(RunLoopTest, TheGUILoopRunsHandedOverWorkAndQuitsWhenAnyThreadSaysSo) {
    base::AutoReleasePool pool;
    bool onMain = false;
    std::string failure;
    std::thread helper([&] {
        base::AutoReleasePool threadPool;
        thread::PerformAndWait(thread::MainRunLoop(),
                               Work([&] { onMain = posix::PosixThread::IsMainThread(); }));
        try {
            thread::PerformAndWait(thread::MainRunLoop(),
                                   Work([] { throw std::runtime_error("frame failed"); }));
        } catch (const std::runtime_error& e) {
            failure = e.what();
        }
        thread::QuitGUILoop();
    });
    thread::RunGUILoop();  // returns only once the helper has asked it to quit
    helper.join();
    EXPECT_TRUE(onMain);
    EXPECT_EQ(failure, "frame failed");

    // A quit asked for while the loop is not running ends its next run.
    std::thread([] { thread::QuitGUILoop(); }).join();
    thread::RunGUILoop();
    // And is used up by it.
    EXPECT_EQ(thread::MainRunLoop()->RunUntil(Clock::now() + std::chrono::milliseconds(20)),
              RunLoopResult::kTimedOut);
}
