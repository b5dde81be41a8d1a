// Timers on run loops: one-shot and repeating firings on the loop's thread inside a pool,
// invalidation from anywhere, and timers whose loop's thread has ended.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>

#include "ThreadTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/posix/PosixThread.h"
#include "kvfoundation/system/Timer.h"
#include "kvfoundation/thread/InvocationRunnable.h"
#include "kvfoundation/thread/MemberRunnableT.h"
#include "kvfoundation/thread/Threads.h"

using namespace kvfoundation;
using kvtest::Event;
using Clock = system::IKVRunLoop::Clock;
using system::RunLoopResult;

namespace {

thread::IKVRunnable* Work(std::function<void()> body) {
    return thread::InvocationRunnable::Create(std::move(body));
}

// Keeps a test's timer from firing into later tests on the same (main) loop.
struct InvalidateAtEnd {
    system::IKVTimer* timer;
    ~InvalidateAtEnd() { timer->Invalidate(); }
};

RunLoopResult RunBriefly() {
    return thread::CurrentRunLoop()->RunUntil(Clock::now() + std::chrono::milliseconds(30));
}

}  // namespace

TEST(TimerTest, AOneShotTimerFiresOnceOnTheLoopsThreadInsideItsOwnPool) {
    base::AutoReleasePool pool;
    int firings = 0;
    std::atomic<bool> probeGone{false};
    const pid_t loopThread = posix::PosixThread::CurrentId();
    system::IKVTimer* timer =
        thread::ScheduleTimer(0.001, false, Work([&] {
                                  ++firings;
                                  EXPECT_EQ(posix::PosixThread::CurrentId(), loopThread);
                                  EXPECT_NE(base::AutoReleasePool::Current(), &pool);
                                  (new kvtest::LifeProbe(probeGone))->AutoRelease();
                                  thread::CurrentRunLoop()->Stop();
                              }));
    InvalidateAtEnd guard{timer};
    EXPECT_TRUE(timer->IsValid());
    EXPECT_EQ(thread::CurrentRunLoop()->RunUntil(Clock::now() + kvtest::kPatience),
              RunLoopResult::kStopped);
    EXPECT_EQ(firings, 1);
    EXPECT_TRUE(probeGone);
    EXPECT_FALSE(timer->IsValid());
    EXPECT_EQ(RunBriefly(), RunLoopResult::kTimedOut);
    EXPECT_EQ(firings, 1);
}

TEST(TimerTest, ARepeatingTimerFiresUntilInvalidatedEvenWhenItsInvocationFails) {
    base::AutoReleasePool pool;
    kvtest::RestoreLog restore;
    auto log = kvtest::SharedCaptureLog::Install();
    int firings = 0;
    system::IKVTimer* timer = thread::ScheduleTimer(0.001, true, Work([&] {
                                                        if (++firings == 3) {
                                                            thread::CurrentRunLoop()->Stop();
                                                        }
                                                        throw std::runtime_error("tick failed");
                                                    }));
    InvalidateAtEnd guard{timer};
    EXPECT_EQ(thread::CurrentRunLoop()->RunUntil(Clock::now() + kvtest::kPatience),
              RunLoopResult::kStopped);
    EXPECT_EQ(firings, 3);
    EXPECT_TRUE(timer->IsValid());
    EXPECT_TRUE(timer->Repeats());
    EXPECT_NE(log->All().find("tick failed"), std::string::npos);

    std::thread([&] { timer->Invalidate(); }).join();  // from any thread
    EXPECT_FALSE(timer->IsValid());
    EXPECT_EQ(RunBriefly(), RunLoopResult::kTimedOut);
    EXPECT_EQ(firings, 3);
}

TEST(TimerTest, ATimerMayInvalidateItselfAndInvalidTimersNeverFire) {
    base::AutoReleasePool pool;
    int selfStopping = 0;
    system::IKVTimer* self = nullptr;
    self = thread::ScheduleTimer(0.001, true, Work([&] {
                                     ++selfStopping;
                                     self->Invalidate();
                                 }));
    InvalidateAtEnd selfGuard{self};
    int early = 0;
    system::IKVTimer* cancelled = thread::ScheduleTimer(0.0, false, Work([&] { ++early; }));
    cancelled->Invalidate();
    int never = 0;
    system::IKVTimer* distant = thread::ScheduleTimer(1e7, false, Work([&] { ++never; }));
    InvalidateAtEnd distantGuard{distant};

    EXPECT_EQ(RunBriefly(), RunLoopResult::kTimedOut);
    EXPECT_EQ(selfStopping, 1);
    EXPECT_EQ(early, 0);
    EXPECT_EQ(never, 0);
    EXPECT_TRUE(distant->IsValid());
    EXPECT_DOUBLE_EQ(distant->Interval(), 1e7);
}

TEST(TimerTest, BadTimersAreRefused) {
    base::AutoReleasePool pool;
    EXPECT_THROW(thread::ScheduleTimer(1.0, false, nullptr), base::KVNullPtr);
    try {
        system::Timer::Create(-0.5, false, Work([] {}));
        ADD_FAILURE() << "negative interval accepted";
    } catch (const base::KVIllegalArgument& e) {
        EXPECT_EQ(kvtest::Text(e.Message()), "interval < 0");
    }
    system::IKVTimer* timer = thread::ScheduleTimer(1e7, false, Work([] {}));
    InvalidateAtEnd guard{timer};
    EXPECT_THROW(thread::CurrentRunLoop()->AddTimer(timer), base::KVIllegalState);
    EXPECT_THROW(thread::CurrentRunLoop()->AddTimer(nullptr), base::KVNullPtr);
}

TEST(TimerTest, TimersOfAThreadThatEndedAreInvalid) {
    base::AutoReleasePool pool;
    base::KVRefCountT<system::IKVTimer> timer;
    thread::IKVThread* worker = thread::StartThread(
        Work([&] { timer = thread::ScheduleTimer(1e7, true, Work([] {})); }), "TimerOwner");
    ASSERT_TRUE(worker->Join(30.0));
    ASSERT_TRUE(timer);
    EXPECT_FALSE(timer->IsValid());
    timer->Invalidate();  // harmless now
}

namespace {

// The shape of the service's idle check: a member function run by a repeating timer on the
// main loop, which tells the GUI loop to quit once it finds nothing left to do.
class IdleCheck final : public base::KVObjectT<base::IKVType> {
public:
    void Check() {
        if (--busyChecks == -1) {
            thread::QuitGUILoop();
        }
    }
    int busyChecks = 2;
};

}  // namespace

TEST(TimerTest, ARepeatingMemberTimerOnTheGUILoopCanEndIt) {
    base::AutoReleasePool pool;
    auto check = base::KVRefCountT<IdleCheck>::Adopt(new IdleCheck());
    system::IKVTimer* timer = thread::ScheduleTimer(
        0.001, true, thread::MemberRunnableT<IdleCheck>::Create(check.get(), &IdleCheck::Check));
    InvalidateAtEnd guard{timer};
    thread::RunGUILoop();
    EXPECT_EQ(check->busyChecks, -1) << "the quit did not end the run before the next firing";
}
