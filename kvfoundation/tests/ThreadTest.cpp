// Library threads and the thread objects of threads the library met: names, the body's pool
// and uncaught exceptions, joining, priorities.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <string>
#include <thread>

#include "ThreadTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/posix/PosixThreadPriority.h"
#include "kvfoundation/thread/InvocationRunnable.h"
#include "kvfoundation/thread/Threads.h"

using namespace kvfoundation;
using kvtest::Event;
using kvtest::Text;
using Priority = posix::PosixThreadPriority;

namespace {

thread::IKVThread* StartLambda(const char* name, std::function<void()> body) {
    return thread::StartThread(thread::InvocationRunnable::Create(std::move(body)), "%s", name);
}

}  // namespace

TEST(ThreadTest, RunsTheBodyOnANamedThreadInItsOwnPoolAndEnds) {
    base::AutoReleasePool pool;
    std::atomic<bool> probeGone{false};
    thread::IKVThread* seen = nullptr;
    Event release;
    base::KVRefCountT<thread::IKVThread> worker(
        thread::StartThread(thread::InvocationRunnable::Create([&] {
                                seen = thread::CurrentThread();
                                (new kvtest::LifeProbe(probeGone))->AutoRelease();
                                release.Wait();
                            }),
                            "Worker %d", 7));
    EXPECT_EQ(Text(worker->Name()), "Worker 7");
    EXPECT_TRUE(worker->IsAlive());
    EXPECT_FALSE(worker->Join(0.0));  // still blocked in its body
    release.Set();
    worker->Join();
    EXPECT_FALSE(worker->IsAlive());
    EXPECT_TRUE(worker->Join(0.0));
    EXPECT_EQ(seen, worker.get());
    EXPECT_TRUE(probeGone) << "the body's pool was not closed";

    worker->SetName(data::Literal("Renamed"));
    EXPECT_EQ(Text(worker->Name()), "Renamed");
    EXPECT_THROW(worker->SetName(nullptr), base::KVNullPtr);
    EXPECT_THROW(worker->Join(-1.0), base::KVIllegalArgument);
    EXPECT_THROW(thread::StartThread(nullptr, "x"), base::KVNullPtr);
    EXPECT_THROW(thread::StartThread(thread::InvocationRunnable::Create([] {}),
                                     static_cast<data::IKVString*>(nullptr)),
                 base::KVNullPtr);
}

TEST(ThreadTest, JoinWithALimitGivesUpWhileJoiningItselfIsRefused) {
    base::AutoReleasePool pool;
    Event release;
    Event selfJoinRefused;
    base::KVRefCountT<thread::IKVThread> worker(StartLambda("Joiner", [&] {
        try {
            thread::CurrentThread()->Join();
        } catch (const base::KVIllegalState& e) {
            if (Text(e.Message()) == "Deadlock prevented") {
                selfJoinRefused.Set();
            }
        }
        release.Wait();
    }));
    EXPECT_FALSE(worker->Join(0.05));
    EXPECT_TRUE(selfJoinRefused.Wait());
    release.Set();
    EXPECT_TRUE(worker->Join(30.0));
}

TEST(ThreadTest, ThreadsTheLibraryMeetAreNamedMainOrNumbered) {
    base::AutoReleasePool pool;
    EXPECT_EQ(Text(thread::CurrentThread()->Name()), "Main");
    EXPECT_EQ(thread::CurrentThread(), thread::CurrentThread());

    base::KVRefCountT<thread::IKVThread> foreign;
    auto nameOfNewThread = [&] {
        std::string name;
        std::thread([&] {
            base::AutoReleasePool threadPool;
            foreign = thread::CurrentThread();
            name = Text(foreign->Name());
        }).join();
        return name;
    };
    const std::string first = nameOfNewThread();
    const std::string second = nameOfNewThread();
    EXPECT_FALSE(foreign->IsAlive()) << "its thread has exited";
    EXPECT_TRUE(foreign->Join(0.0));
    ASSERT_EQ(first.rfind("KVThread-", 0), 0u) << first;
    const int number = std::stoi(first.substr(9));
    EXPECT_GE(number, 1);
    EXPECT_EQ(second, "KVThread-" + std::to_string(number + 1));
}

TEST(ThreadTest, UncaughtLibraryAndStandardExceptionsAreLoggedAndEndOnlyTheThread) {
    base::AutoReleasePool pool;
    kvtest::RestoreLog restore;
    auto log = kvtest::SharedCaptureLog::Install();
    thread::IKVThread* library =
        StartLambda("Lib \"quoted\"", [] { throw base::KVIllegalState("broken state"); });
    thread::IKVThread* standard = StartLambda("Std", [] { throw std::runtime_error("bad"); });
    library->Join();
    standard->Join();
    const std::string all = log->All();
    EXPECT_NE(all.find("IKVException in thread \"Lib \"quoted\"\""), std::string::npos) << all;
    EXPECT_NE(all.find("broken state"), std::string::npos) << all;
    EXPECT_NE(all.find("std::exception in thread \"Std\": bad"), std::string::npos) << all;
}

TEST(ThreadDeathTest, AForeignExceptionIsLoggedAndEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            base::AutoReleasePool pool;
            StartLambda("Doomed", [] { throw 42; })->Join();
        },
        "Unknown uncaught exception in thread \"Doomed\"");
}

TEST(ThreadTest, PrioritiesReadNormalAndOnlyTheUnitRangeIsAccepted) {
    base::AutoReleasePool pool;
    Event release;
    base::KVRefCountT<thread::IKVThread> worker(StartLambda("Prio", [&] { release.Wait(); }));
    EXPECT_DOUBLE_EQ(worker->Priority(), 0.5);
    try {
        worker->SetPriority(1.5);
        ADD_FAILURE() << "1.5 accepted";
    } catch (const base::KVIllegalArgument& e) {
        EXPECT_EQ(Text(e.Message()), "Bad priority: 1.500000");
    }
    EXPECT_THROW(worker->SetPriority(-0.01), base::KVIllegalArgument);
    worker->SetPriority(0.0);  // lowering needs no privilege
    errno = 0;
    if (::getpriority(PRIO_PROCESS, 0) == 0 && errno == 0) {
        // Under a niced test run the low levels share nice 19 and cannot be told apart.
        EXPECT_DOUBLE_EQ(worker->Priority(), 0.0);
    }
    release.Set();
    worker->Join();
    EXPECT_THROW(worker->Priority(), base::IKVException) << "an ended thread has no priority";
}

TEST(ThreadTest, PriorityLevelsCoverTheScaleAndReadBackAsSet) {
    EXPECT_EQ(Priority::LevelForScale(13.0 / 14.0), 6);  // stays inside the table
    for (int base : {0, 5, -5}) {
        int previousNice = 100;
        for (int level = 0; level < Priority::kLevelCount; ++level) {
            const int nice = Priority::NiceOfLevel(level, base);
            EXPECT_LT(nice, previousNice) << "levels must differ and rise, base " << base;
            EXPECT_EQ(Priority::LevelOfNice(nice, base), level) << "base " << base;
            previousNice = nice;
        }
    }
    // A process already at the lowest nice still reads normal for its ordinary threads.
    EXPECT_EQ(Priority::LevelOfNice(19, 19), Priority::kNormalLevel);
}
