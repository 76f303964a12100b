#include "byte_queue.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace lamp {
namespace {

TEST(ByteQueue, EmptyQueueHasNothingToPop) {
  ByteQueue<4> queue;
  uint8_t byte = 7;
  EXPECT_TRUE(queue.Empty());
  EXPECT_FALSE(queue.Pop(byte));
  EXPECT_EQ(byte, 7);
}

TEST(ByteQueue, PopsInArrivalOrder) {
  ByteQueue<4> queue;
  ASSERT_TRUE(queue.Push('a'));
  ASSERT_TRUE(queue.Push('b'));
  uint8_t byte = 0;
  ASSERT_TRUE(queue.Pop(byte));
  EXPECT_EQ(byte, 'a');
  ASSERT_TRUE(queue.Pop(byte));
  EXPECT_EQ(byte, 'b');
  EXPECT_TRUE(queue.Empty());
}

TEST(ByteQueue, DropsBytesWhenFullAndKeepsTheOldOnes) {
  ByteQueue<4> queue;
  for (uint8_t i = 0; i < 4; ++i) {
    ASSERT_TRUE(queue.Push(i));
  }
  EXPECT_FALSE(queue.Push(99));
  uint8_t byte = 0;
  for (uint8_t i = 0; i < 4; ++i) {
    ASSERT_TRUE(queue.Pop(byte));
    EXPECT_EQ(byte, i);
  }
  EXPECT_FALSE(queue.Pop(byte));
}

TEST(ByteQueue, KeepsOrderWhileIndicesWrapPastByteRange) {
  ByteQueue<128> queue;
  uint8_t byte = 0;
  // 1000 bytes through a half-full queue take the 8-bit indices around several times.
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(queue.Push(static_cast<uint8_t>(i)));
  }
  for (int i = 100; i < 1000; ++i) {
    ASSERT_TRUE(queue.Push(static_cast<uint8_t>(i)));
    ASSERT_TRUE(queue.Pop(byte));
    ASSERT_EQ(byte, static_cast<uint8_t>(i - 100));
  }
}

TEST(ByteQueue, FullCapacityIsUsableAtEveryIndexOffset) {
  ByteQueue<128> queue;
  uint8_t byte = 0;
  for (int offset = 0; offset < 256; offset += 37) {
    for (int i = 0; i < 128; ++i) {
      ASSERT_TRUE(queue.Push(static_cast<uint8_t>(i))) << offset;
    }
    ASSERT_FALSE(queue.Push(0)) << offset;
    for (int i = 0; i < 128; ++i) {
      ASSERT_TRUE(queue.Pop(byte));
      ASSERT_EQ(byte, i);
    }
    for (int i = 0; i < 37; ++i) {
      ASSERT_TRUE(queue.Push(0));
      ASSERT_TRUE(queue.Pop(byte));
    }
  }
}

}  // namespace
}  // namespace lamp
