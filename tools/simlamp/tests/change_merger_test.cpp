#include "change_merger.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace simlamp {
namespace {

constexpr uint64_t kWindow = 160;
constexpr uint8_t kRed = 1;
constexpr uint8_t kGreen = 2;
constexpr uint8_t kBlue = 4;

TEST(ChangeMerger, ChangesWithinTheWindowBecomeOneEntryAtTheFirstTime) {
  ChangeMerger merger(kWindow, kRed | kBlue);
  EXPECT_FALSE(merger.OnChange(1000, kBlue));
  EXPECT_FALSE(merger.OnChange(1000 + kWindow, 0));
  EXPECT_FALSE(merger.OnTime(1000 + kWindow));
  const auto entry = merger.OnTime(1000 + kWindow + 1);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->cycle, 1000U);
  EXPECT_EQ(entry->colours, 0);
  EXPECT_FALSE(merger.OnTime(5000));
}

TEST(ChangeMerger, ALaterChangeSettlesThePreviousOne) {
  ChangeMerger merger(kWindow, 0);
  EXPECT_FALSE(merger.OnChange(1000, kGreen));
  const auto first = merger.OnChange(1000 + kWindow + 1, kGreen | kRed);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->cycle, 1000U);
  EXPECT_EQ(first->colours, kGreen);
  const auto second = merger.Flush();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->cycle, 1000 + kWindow + 1);
  EXPECT_EQ(second->colours, kGreen | kRed);
}

TEST(ChangeMerger, AGlitchBackToTheReportedStateIsNoEntry) {
  ChangeMerger merger(kWindow, kGreen);
  EXPECT_FALSE(merger.OnChange(1000, kGreen | kBlue));
  EXPECT_FALSE(merger.OnChange(1010, kGreen));
  EXPECT_FALSE(merger.OnTime(2000));
  EXPECT_FALSE(merger.Flush());
}

TEST(ChangeMerger, FlushReportsBeforeTheWindowEnds) {
  ChangeMerger merger(kWindow, 0);
  EXPECT_FALSE(merger.OnChange(1000, kRed));
  const auto entry = merger.Flush();
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->colours, kRed);
  // Settled is settled: a change right after starts a new entry.
  EXPECT_FALSE(merger.OnChange(1001, 0));
  const auto next = merger.Flush();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->cycle, 1001U);
  EXPECT_EQ(next->colours, 0);
}

}  // namespace
}  // namespace simlamp
