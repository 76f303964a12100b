// The bus questions of one cycle share 100 ms, and each cycle has its own.
#include "platform/linux/cycle_budget.h"

#include <gtest/gtest.h>

namespace {

using platform::linux_os::CycleBudget;

TEST(CycleBudgetTest, TheQuestionsOfOneCycleShareTheAllowanceAndTheNextCycleHasItAgain) {
  CycleBudget budget;
  // The first question opens the allowance whenever it comes.
  EXPECT_EQ(budget.LeftUs(5'000'000), 100'000U);
  EXPECT_EQ(budget.LeftUs(5'060'000), 40'000U);
  EXPECT_EQ(budget.LeftUs(5'100'000), 0U);
  EXPECT_EQ(budget.LeftUs(5'900'000), 0U);
  budget.NewCycle();
  EXPECT_EQ(budget.LeftUs(6'000'000), 100'000U);
}

}  // namespace
