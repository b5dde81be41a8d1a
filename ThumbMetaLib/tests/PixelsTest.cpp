#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "ThumbMetaLib/pixels/BitmapConversion.h"
#include "ThumbMetaLib/pixels/Pixels.h"
#include "ThumbMetaLib/pixels/PixelsCache.h"

namespace ThumbMetaLib {
namespace {

TEST(PixelsTest, ChannelsComeFromTheMode) {
    const int expected[] = {1, 1, 1, 3, 4, 3, 3, 0 /* 7: given */, 2, 3, 3};
    for (int mode = 0; mode <= 10; ++mode) {
        if (mode != 7) {
            EXPECT_EQ(Pixels::ChannelsForMode(mode), expected[mode]) << "mode " << mode;
        }
    }
    EXPECT_EQ(Pixels::ChannelsForMode(kModeMultichannel, 5), 5);
    EXPECT_EQ(Pixels::ChannelsForMode(kModeRGB, 0, true), 4);
    EXPECT_EQ(Pixels::ChannelsForMode(11), 0);
    EXPECT_EQ(Pixels::ChannelsForMode(11, 0, true), 0);
    EXPECT_EQ(Pixels::ChannelsForMode(-1), 0);
}

TEST(PixelsTest, RowsArePaddedToFourBytes) {
    EXPECT_EQ(Pixels::RowBytesFor(kLayoutPlanar, 3, 1), 4u);
    EXPECT_EQ(Pixels::RowBytesFor(kLayoutPlanar, 3, 4), 4u);
    EXPECT_EQ(Pixels::RowBytesFor(kLayoutPlanar, 3, 5), 8u);
    EXPECT_EQ(Pixels::RowBytesFor(kLayoutInterleaved, 3, 1), 4u);   // 24 bits -> 4
    EXPECT_EQ(Pixels::RowBytesFor(kLayoutInterleaved, 3, 5), 16u);  // 120 bits -> 16
    EXPECT_EQ(Pixels::RowBytesFor(kLayoutInterleaved, 4, 5), 20u);
    EXPECT_EQ(Pixels::RowBytesFor(kLayoutInterleaved, 4, 0xFFFFFFFFu), 0u);  // does not fit
    EXPECT_EQ(Pixels::RowBytesFor(3, 1, 10), 0u);
}

TEST(PixelsTest, CreateAllocatesWhatTheLayoutNeeds) {
    PixelsPtr planar = Pixels::Create(5, 3, 0, kModeCMYK, kLayoutPlanar, true);
    ASSERT_TRUE(planar && planar->Bytes());
    EXPECT_EQ(planar->Channels(), 4);
    EXPECT_EQ(planar->ByteCount(), 3u * 4 * 8);
    EXPECT_GE(planar->Data()->Size(), planar->ByteCount());
    EXPECT_EQ(planar->Plane(1), planar->Bytes() + 3 * 8);
    EXPECT_EQ(planar->Plane(3)[2 * 8 + 7], 0);  // row padding is cleared
    EXPECT_EQ(planar->Plane(4), nullptr);
    EXPECT_EQ(planar->Plane(-1), nullptr);

    PixelsPtr packed = Pixels::Create(5, 3, 4, kModeRGB, kLayoutInterleaved, true);
    EXPECT_EQ(packed->ByteCount(), 3u * 20);
    EXPECT_EQ(packed->Plane(0), packed->Bytes());
    EXPECT_EQ(packed->Plane(1), nullptr);

    PixelsPtr empty = Pixels::Create(5, 3, 3, kModeRGB, kLayoutPlanar, false);
    EXPECT_EQ(empty->Bytes(), nullptr);
    EXPECT_EQ(Pixels::Create(5, 3, 3, kModeRGB, 0, true), nullptr);
    // Too small a block is refused.
    EXPECT_FALSE(empty->SetData(PixelData::Allocate(10)));
    EXPECT_EQ(empty->Bytes(), nullptr);
}

TEST(PixelsTest, AnImpossibleAllocationLeavesNoDataInsteadOfThrowing) {
    PixelsPtr huge = Pixels::Create(0xFFFFFFF0u, 0xFFFFFFF0u, 4, kModeCMYK, kLayoutPlanar, true);
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->Bytes(), nullptr);
}

TEST(PixelsTest, SharedOwnershipKeepsMemoryAlive) {
    PixelsPtr pixels = Pixels::Create(2, 2, 1, kModeGrayscale, kLayoutPlanar, true);
    std::shared_ptr<Pixels> again = pixels->shared_from_this();
    EXPECT_EQ(again.get(), pixels.get());

    auto owner = std::make_shared<std::vector<uint8_t>>(64, 7);
    std::shared_ptr<uint8_t> alias(owner, owner->data());
    std::shared_ptr<PixelData> block = PixelData::FromBlock(alias, owner->size());
    owner.reset();
    alias.reset();
    ASSERT_EQ(block->GetKind(), PixelData::kMemoryBlock);
    EXPECT_EQ(block->Bytes()[63], 7);  // the block object is still alive through PixelData

    for (auto kind : {PixelData::kMemoryBlock, PixelData::kHeap, PixelData::kLarge}) {
        std::shared_ptr<PixelData> data = PixelData::Allocate(3 << 20, kind);
        ASSERT_TRUE(data);
        EXPECT_EQ(data->GetKind(), kind);
        std::memset(data->Bytes(), 1, data->Size());
    }
    EXPECT_EQ(PixelData::Allocate(100)->GetKind(), PixelData::kHeap);
    EXPECT_EQ(PixelData::Allocate(PixelData::kLargeThreshold)->GetKind(), PixelData::kLarge);
}

TEST(PixelsTest, BitmapConversionFlipsBottomUpRowsAndAddsOpaqueAlpha) {
    // 2 x 2, bottom-up: stored row 0 is the bottom image row. Rows padded to 8 bytes.
    const uint8_t bits[16] = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    PixelsPtr up = PixelsFromBitmap24({bits, sizeof bits, 2, 2});
    ASSERT_TRUE(up && up->Bytes());
    EXPECT_EQ(up->Layout(), kLayoutInterleaved);
    EXPECT_EQ(up->Channels(), 4);
    const uint8_t top[8] = {7, 8, 9, 255, 10, 11, 12, 255};
    const uint8_t bottom[8] = {1, 2, 3, 255, 4, 5, 6, 255};
    EXPECT_EQ(std::memcmp(up->Bytes(), top, 8), 0);
    EXPECT_EQ(std::memcmp(up->Bytes() + up->RowBytes(), bottom, 8), 0);

    PixelsPtr down = PixelsFromBitmap24({bits, sizeof bits, 2, -2});
    EXPECT_EQ(std::memcmp(down->Bytes(), bottom, 8), 0);

    ASSERT_TRUE(SwapFirstAndThirdBytes(*down));
    const uint8_t swapped[8] = {3, 2, 1, 255, 6, 5, 4, 255};
    EXPECT_EQ(std::memcmp(down->Bytes(), swapped, 8), 0);
    PixelsPtr planar = Pixels::Create(2, 2, 3, kModeRGB, kLayoutPlanar, true);
    EXPECT_FALSE(SwapFirstAndThirdBytes(*planar));
}

TEST(PixelsTest, BitmapConversionRefusesInconsistentInput) {
    const uint8_t bits[16] = {};
    EXPECT_EQ(PixelsFromBitmap24({bits, 15, 2, 2}), nullptr);  // one byte short
    EXPECT_EQ(PixelsFromBitmap24({nullptr, 16, 2, 2}), nullptr);
    EXPECT_EQ(PixelsFromBitmap24({bits, 16, 0, 2}), nullptr);
    EXPECT_EQ(PixelsFromBitmap24({bits, 16, 2, 0}), nullptr);
    EXPECT_EQ(PixelsFromBitmap24({bits, 16, -2, 2}), nullptr);
    EXPECT_EQ(PixelsFromBitmap24({bits, 16, 0x7FFFFFFF, INT32_MIN}), nullptr);
}

TEST(PixelsTest, CacheIsSharedSafelyBetweenThreads) {
    PixelsCache cache;
    PixelsPtr one = Pixels::Create(1, 1, 1, kModeGrayscale, kLayoutPlanar, true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&cache, &one, t] {
            for (int i = 0; i < 500; ++i) {
                const std::string key = std::to_string((t * 500 + i) % 50);
                cache.Put(key, one);
                cache.Find(key);
                if (i % 100 == 0) {
                    cache.Clear();
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    cache.Put("a", one);
    EXPECT_EQ(cache.Find("a"), one);
    EXPECT_EQ(cache.Find("missing"), nullptr);
    cache.Remove("a");
    EXPECT_EQ(cache.Find("a"), nullptr);
    cache.Put("b", one);
    cache.Clear();
    EXPECT_EQ(cache.Count(), 0u);
    EXPECT_EQ(one.use_count(), 1);
}

}  // namespace
}  // namespace ThumbMetaLib
