// Autorelease pools: release on close, page boundaries, nested closing, the no-pool message,
// per-thread pools, and the description.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "FoundationTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/Factories.h"

using namespace kvfoundation;
using base::AutoReleasePool;
using kvtest::Text;

namespace {

class Probe final : public base::KVObjectT<base::IKVType> {
public:
    explicit Probe(int* destroyed) : destroyed_(destroyed) {}
    ~Probe() override { ++*destroyed_; }

private:
    int* destroyed_;
};

TEST(PoolsTest, ClosingReleasesEveryObjectAcrossPages) {
    // 127 fit the built-in page; the 128th opens a second one.
    for (int n : {1, 127, 128, 254, 255}) {
        int destroyed = 0;
        {
            AutoReleasePool pool;
            for (int i = 0; i < n; ++i) {
                (new Probe(&destroyed))->AutoRelease();
            }
            EXPECT_EQ(pool.Count(), static_cast<uint32_t>(n));
            EXPECT_EQ(destroyed, 0);
        }
        EXPECT_EQ(destroyed, n) << n;
    }
}

TEST(PoolsTest, AnObjectAutoreleasedTwiceIsReleasedTwice) {
    int destroyed = 0;
    auto* probe = new Probe(&destroyed);
    probe->Retain();
    {
        AutoReleasePool pool;
        probe->AutoRelease();
        probe->AutoRelease();
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(PoolsTest, ClosingAnOuterPoolClosesTheOpenInnerOneFirst) {
    int destroyed = 0;
    auto outer = std::make_unique<AutoReleasePool>();
    (new Probe(&destroyed))->AutoRelease();
    auto inner = std::make_unique<AutoReleasePool>();
    (new Probe(&destroyed))->AutoRelease();
    EXPECT_EQ(AutoReleasePool::Current(), inner.get());
    outer.reset();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(AutoReleasePool::Current(), nullptr);
    inner.reset();  // already closed: nothing left to do
    EXPECT_EQ(destroyed, 2);
}

TEST(PoolsTest, AutoreleaseGoesToTheInnermostPool) {
    int destroyed = 0;
    AutoReleasePool outer;
    {
        AutoReleasePool inner;
        (new Probe(&destroyed))->AutoRelease();
        EXPECT_EQ(outer.Count(), 0u);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(AutoReleasePool::Current(), &outer);
}

TEST(PoolsTest, ReleasingMayAutoreleaseIntoTheClosingPool) {
    // An object whose destructor autoreleases another: both must go when the pool closes.
    class Chain final : public base::KVObjectT<base::IKVType> {
    public:
        Chain(int* destroyed, int depth) : destroyed_(destroyed), depth_(depth) {}
        ~Chain() override {
            ++*destroyed_;
            if (depth_ > 0) {
                (new Chain(destroyed_, depth_ - 1))->AutoRelease();
            }
        }

    private:
        int* destroyed_;
        int depth_;
    };
    int destroyed = 0;
    {
        AutoReleasePool pool;
        for (int i = 0; i < 130; ++i) {
            (new Chain(&destroyed, 2))->AutoRelease();
        }
    }
    EXPECT_EQ(destroyed, 390);
}

TEST(PoolsTest, EachThreadHasItsOwnPools) {
    AutoReleasePool mine;
    AutoReleasePool* seen = &mine;
    std::thread([&] { seen = AutoReleasePool::Current(); }).join();
    EXPECT_EQ(seen, nullptr);
}

TEST(PoolsTest, AutoreleaseWithoutAPoolLogsAndLeaks) {
    auto log = kvtest::CaptureLog::Install();
    int destroyed = 0;
    auto* probe = new Probe(&destroyed);
    probe->AutoRelease();
    probe->AutoRelease();
    kvtest::CaptureLog::Uninstall();
    ASSERT_EQ(log->lines.size(), 2u);  // once per call
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "*** IKVAutoReleasePool: Object %p of class class (anonymous "
                  "namespace)::Probe autoreleased with no pool in place - just leaking",
                  static_cast<void*>(probe));
    EXPECT_EQ(log->lines[0].text, expected);
    EXPECT_EQ(log->lines[0].level, 1);
    EXPECT_EQ(destroyed, 0);
    probe->Release();  // the leak, undone by hand
    EXPECT_EQ(destroyed, 1);
}

TEST(PoolsTest, Description) {
    AutoReleasePool pool;
    data::IKVString* a = data::CreateString(u"a", 1);
    data::IKVString* b = data::CreateString(u"b", 1);
    (void)a;
    (void)b;
    // Taken before the description's own strings join the pool.
    char expected[160];
    std::snprintf(expected, sizeof expected,
                  "<AutoReleasePool %p> { count = 2, values = (\t0 : a\n\t1 : b\n) }",
                  static_cast<void*>(&pool));
    EXPECT_EQ(Text(pool.Description()), expected);
}

}  // namespace
