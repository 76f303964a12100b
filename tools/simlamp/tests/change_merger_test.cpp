#include "change_merger.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "lamp_colours.h"

namespace simlamp {
namespace {

constexpr uint64_t kWindow = 160;

TEST(ChangeMerger, ChangesWithinTheWindowBecomeOneEntryAtTheFirstTime) {
  ChangeMerger merger(kWindow, lamp::Red | lamp::Blue);
  EXPECT_FALSE(merger.OnChange(1000, lamp::Blue));
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
  EXPECT_FALSE(merger.OnChange(1000, lamp::Green));
  const auto first = merger.OnChange(1000 + kWindow + 1, lamp::Green | lamp::Red);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->cycle, 1000U);
  EXPECT_EQ(first->colours, lamp::Green);
  const auto second = merger.Flush();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->cycle, 1000 + kWindow + 1);
  EXPECT_EQ(second->colours, lamp::Green | lamp::Red);
}

TEST(ChangeMerger, AGlitchBackToTheReportedStateIsNoEntry) {
  ChangeMerger merger(kWindow, lamp::Green);
  EXPECT_FALSE(merger.OnChange(1000, lamp::Green | lamp::Blue));
  EXPECT_FALSE(merger.OnChange(1010, lamp::Green));
  EXPECT_FALSE(merger.OnTime(2000));
  EXPECT_FALSE(merger.Flush());
}

TEST(ChangeMerger, FlushReportsBeforeTheWindowEnds) {
  ChangeMerger merger(kWindow, 0);
  EXPECT_FALSE(merger.OnChange(1000, lamp::Red));
  const auto entry = merger.Flush();
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->colours, lamp::Red);
  // Settled is settled: a change right after starts a new entry.
  EXPECT_FALSE(merger.OnChange(1001, 0));
  const auto next = merger.Flush();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->cycle, 1001U);
  EXPECT_EQ(next->colours, 0);
}

}  // namespace
}  // namespace simlamp
