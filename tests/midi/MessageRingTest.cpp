#include "midi/MessageRing.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(MessageRing, KeepsOrderAndDropsWhatComesWhileFull) {
    CMessageRing ring;
    std::uint32_t dwMsg = 0;
    EXPECT_FALSE(ring.Pop(dwMsg));
    for (std::uint32_t i = 0; i < CMessageRing::kCapacity + 5; ++i) {
        EXPECT_EQ(ring.Push(i), i < CMessageRing::kCapacity);
    }
    EXPECT_EQ(ring.GetDropped(), 5u);
    for (std::uint32_t i = 0; i < CMessageRing::kCapacity; ++i) {
        ASSERT_TRUE(ring.Pop(dwMsg));
        ASSERT_EQ(dwMsg, i);
    }
    EXPECT_FALSE(ring.Pop(dwMsg));
}

TEST(MessageRing, OneThreadPushesWhileAnotherPops) {
    CMessageRing ring;
    constexpr std::uint32_t kCount = 200000;
    std::thread producer([&ring] {
        for (std::uint32_t i = 0; i < kCount; ++i) {
            while (!ring.Push(i)) {
                std::this_thread::yield();
            }
        }
    });
    std::uint32_t nExpected = 0;
    std::uint32_t dwMsg = 0;
    while (nExpected < kCount) {
        if (ring.Pop(dwMsg)) {
            ASSERT_EQ(dwMsg, nExpected);
            ++nExpected;
        }
    }
    producer.join();
}
