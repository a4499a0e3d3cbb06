#include "update/update_check.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

namespace dravik {
namespace {

constexpr int64_t kDay = 86400;

TEST(UpdateAnswerTest, ReadsTheLeadingNumber) {
    EXPECT_EQ(UpdateAnswerVersion("311"), 311);
    EXPECT_EQ(UpdateAnswerVersion("31a"), 31);
    EXPECT_EQ(UpdateAnswerVersion("007"), 7);
    EXPECT_EQ(UpdateAnswerVersion("-5"), -5);
    EXPECT_EQ(UpdateAnswerVersion("abc"), 0);
    EXPECT_EQ(UpdateAnswerVersion("a31"), 0);
    EXPECT_EQ(UpdateAnswerVersion("-"), 0);
    EXPECT_EQ(UpdateAnswerVersion("--5"), 0);
    EXPECT_EQ(UpdateAnswerVersion(""), 0);
}

TEST(UpdateAnswerTest, LongDigitRunsSaturateInsteadOfOverflowing) {
    EXPECT_EQ(UpdateAnswerVersion("2147483647"), INT_MAX);
    EXPECT_EQ(UpdateAnswerVersion("2147483648"), INT_MAX);
    EXPECT_EQ(UpdateAnswerVersion("99999999999999999999999"), INT_MAX);
    EXPECT_EQ(UpdateAnswerVersion("-2147483648"), INT_MIN);
    EXPECT_EQ(UpdateAnswerVersion("-99999999999999999999999"), INT_MIN);
}

TEST(UpdateVerdictTest, ComparesWithTheOwnVersion) {
    EXPECT_EQ(JudgeUpdateAnswer("311", 310), UpdateVerdict::NewUpdate);
    EXPECT_EQ(JudgeUpdateAnswer("310", 310), UpdateVerdict::NoUpdate);
    EXPECT_EQ(JudgeUpdateAnswer("300", 310), UpdateVerdict::NoUpdate);
    EXPECT_EQ(JudgeUpdateAnswer("abc", 310), UpdateVerdict::ConnectionProblem);
    EXPECT_EQ(JudgeUpdateAnswer("", 310), UpdateVerdict::ConnectionProblem);
    EXPECT_EQ(JudgeUpdateAnswer("0", 310), UpdateVerdict::ConnectionProblem);
    EXPECT_EQ(JudgeUpdateAnswer("-5", 310), UpdateVerdict::NoUpdate);
    EXPECT_EQ(JudgeUpdateAnswer("300", 299), UpdateVerdict::NewUpdate);
}

TEST(UpdateVerdictTest, DefaultsToTheProgramsVersion) {
    EXPECT_EQ(JudgeUpdateAnswer(std::to_string(kProgramVersion + 1)), UpdateVerdict::NewUpdate);
    EXPECT_EQ(JudgeUpdateAnswer(std::to_string(kProgramVersion)), UpdateVerdict::NoUpdate);
}

TEST(UpdateScheduleTest, PeriodsOfTheRangeChoices) {
    EXPECT_EQ(UpdatePeriodDays(0), 1);
    EXPECT_EQ(UpdatePeriodDays(1), 7);
    EXPECT_EQ(UpdatePeriodDays(2), 30);
    EXPECT_EQ(UpdatePeriodDays(3), 90);
    EXPECT_EQ(UpdatePeriodDays(4), 180);
    EXPECT_EQ(UpdatePeriodDays(5), std::nullopt);
    for (int32_t unknown : {-1, 6, 42, INT32_MIN, INT32_MAX})
        EXPECT_EQ(UpdatePeriodDays(unknown), 30) << unknown;
}

TEST(UpdateScheduleTest, NeverIsNeverDue) {
    const int64_t last = 1700000000;
    EXPECT_FALSE(ScheduledCheckDue(5, last, last + 10000 * kDay));
    EXPECT_FALSE(ScheduledCheckDue(5, INT32_MIN, INT32_MAX));
}

TEST(UpdateScheduleTest, DueOnlyOnceThePeriodHasFullyPassed) {
    const int64_t last = 1700000000;
    EXPECT_TRUE(ScheduledCheckDue(1, last, last + 8 * kDay));
    EXPECT_FALSE(ScheduledCheckDue(1, last, last + 6 * kDay));
    EXPECT_FALSE(ScheduledCheckDue(1, last, last + 7 * kDay));
    EXPECT_TRUE(ScheduledCheckDue(1, last, last + 7 * kDay + 1));
    EXPECT_TRUE(ScheduledCheckDue(0, last, last + kDay + 1));
    EXPECT_FALSE(ScheduledCheckDue(0, last, last + kDay));
    EXPECT_TRUE(ScheduledCheckDue(4, last, last + 181 * kDay));
    EXPECT_FALSE(ScheduledCheckDue(4, last, last + 179 * kDay));
    // A clock set back puts "now" before the last check.
    EXPECT_FALSE(ScheduledCheckDue(0, last, last - 2 * kDay));
}

TEST(UpdateScheduleTest, UnknownRangeChecksMonthly) {
    const int64_t last = 1700000000;
    for (int32_t unknown : {-1, 6, 99}) {
        EXPECT_TRUE(ScheduledCheckDue(unknown, last, last + 31 * kDay)) << unknown;
        EXPECT_FALSE(ScheduledCheckDue(unknown, last, last + 29 * kDay)) << unknown;
    }
}

TEST(UpdateScheduleTest, ExtremeTimestampsDoNotWrap) {
    // A stamp near the end of the 32-bit range plus a period must not wrap
    // into the past and make every start check.
    EXPECT_FALSE(ScheduledCheckDue(4, INT32_MAX, INT32_MAX));
    EXPECT_TRUE(ScheduledCheckDue(4, INT32_MAX - 181 * kDay, INT32_MAX));
    // Never checked before (or a damaged negative stamp): due.
    EXPECT_TRUE(ScheduledCheckDue(2, INT32_MIN, 1700000000));
    EXPECT_TRUE(ScheduledCheckDue(2, -1, 1700000000));
    EXPECT_FALSE(ScheduledCheckDue(2, INT64_MAX - 10, INT64_MAX));
    EXPECT_TRUE(ScheduledCheckDue(2, INT64_MIN, 0));
}

class UpdateUrlTest : public testing::Test {
  protected:
    void SetUp() override {
        const char* old = std::getenv("DRAVIK_UPDATE_URL");
        if (old != nullptr)
            saved_ = old;
    }
    void TearDown() override {
        if (saved_)
            setenv("DRAVIK_UPDATE_URL", saved_->c_str(), 1);
        else
            unsetenv("DRAVIK_UPDATE_URL");
    }

  private:
    std::optional<std::string> saved_;
};

TEST_F(UpdateUrlTest, EnvironmentOverridesOnlyWhenNotEmpty) {
    unsetenv("DRAVIK_UPDATE_URL");
    EXPECT_EQ(UpdateFileUrl(), kUpdateFileUrl);
    setenv("DRAVIK_UPDATE_URL", "", 1);
    EXPECT_EQ(UpdateFileUrl(), kUpdateFileUrl);
    setenv("DRAVIK_UPDATE_URL", "http://127.0.0.1:8123/v.dat", 1);
    EXPECT_EQ(UpdateFileUrl(), "http://127.0.0.1:8123/v.dat");
}

} // namespace
} // namespace dravik
