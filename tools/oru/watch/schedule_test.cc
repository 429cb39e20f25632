#include "tools/oru/watch/schedule.h"

#include <gtest/gtest.h>

namespace oru::tool {
namespace {

constexpr WatchTimes kTimes{100, 1000, 5000};

TEST(UpdateScheduleTest, BurstGivesOneUpdateAfterQuiet) {
  UpdateSchedule schedule(2, kTimes);
  EXPECT_EQ(schedule.Timeout(0), -1);
  for (int64_t t = 0; t < 500; t += 10) schedule.Changed(1, t);
  EXPECT_FALSE(schedule.Due(500).has_value());
  EXPECT_EQ(schedule.Timeout(500), 90);
  ASSERT_EQ(schedule.Due(590), std::optional<size_t>(1));
  schedule.Started(1, 590);
  EXPECT_FALSE(schedule.Due(10000).has_value());
  EXPECT_EQ(schedule.Timeout(10000), -1);
  // A change told after the run gives one more.
  schedule.Changed(1, 10000);
  EXPECT_EQ(schedule.Due(10100), std::optional<size_t>(1));
}

TEST(UpdateScheduleTest, ChangesThatNeverStopStillGiveUpdates) {
  UpdateSchedule schedule(1, kTimes);
  std::optional<size_t> due;
  int64_t t = 0;
  for (; t <= 2000 && !due; t += 50) {
    schedule.Changed(0, t);
    due = schedule.Due(t);
  }
  ASSERT_TRUE(due.has_value());
  EXPECT_EQ(t - 50, 1000);
}

TEST(UpdateScheduleTest, FaultyIndexIsUpdatedAtOnceAndThenSteadily) {
  UpdateSchedule schedule(2, kTimes);
  schedule.Changed(0, 0);
  schedule.Faulty(1, 50);
  EXPECT_EQ(schedule.Due(150), std::optional<size_t>(0));  // the one due first
  schedule.Started(0, 150);
  ASSERT_EQ(schedule.Due(150), std::optional<size_t>(1));
  schedule.Started(1, 150);
  EXPECT_EQ(schedule.Timeout(150), 5000);
  EXPECT_EQ(schedule.Due(5150), std::optional<size_t>(1));
  schedule.Started(1, 5150);
  schedule.Recovered(1);
  EXPECT_EQ(schedule.Timeout(5150), -1);
}

}  // namespace
}  // namespace oru::tool
