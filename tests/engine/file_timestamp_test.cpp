#include "engine/file_timestamp.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <string>

namespace dravik {
namespace {

constexpr uint8_t kCurrent = 0;
constexpr uint8_t kOriginal = 1;
constexpr uint8_t kCustom = 2;

// A zone east of UTC with daylight saving, written as a rule so that the test
// does not depend on installed zone data.
constexpr const char* kZone = "CET-1CEST,M3.5.0,M10.5.0/3";

timespec At(std::time_t seconds, long nanoseconds) {
    return timespec{seconds, nanoseconds};
}

// Local wall-clock seconds for a date, the form in which settings keep times.
int32_t LocalSeconds(int year, int month, int day, int hour, int minute, int second) {
    std::tm wall{};
    wall.tm_year = year - 1900;
    wall.tm_mon = month - 1;
    wall.tm_mday = day;
    wall.tm_hour = hour;
    wall.tm_min = minute;
    wall.tm_sec = second;
    return static_cast<int32_t>(timegm(&wall));
}

class FileTimestampTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ"))
            savedZone_ = tz;
        setenv("TZ", kZone, 1);
        tzset();

        char pattern[] = "/tmp/dravik-stamp-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        input_ = folder_ + "/in.pic";
        output_ = folder_ + "/out.jpg";
        std::ofstream(input_) << "in";
        std::ofstream(output_) << "out";
        setTimes(input_, At(1500000000, 111111111), At(1400000000, 123456789));
        setTimes(output_, At(1300000000, 222222222), At(1600000000, 987654321));
    }

    void TearDown() override {
        unlink(input_.c_str());
        unlink(output_.c_str());
        rmdir(folder_.c_str());
        if (savedZone_)
            setenv("TZ", savedZone_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

    static void setTimes(const std::string& path, timespec accessed, timespec modified) {
        const timespec times[2] = {accessed, modified};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    static struct stat statOf(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
        return info;
    }

    static Settings withMode(uint8_t mode, int32_t custom = 0) {
        Settings settings;
        settings.advanced.fileTimestamp = mode;
        settings.advanced.customTimestamp = custom;
        return settings;
    }

    std::optional<std::string> savedZone_;
    std::string folder_;
    std::string input_;
    std::string output_;
};

void ExpectSameTime(const timespec& actual, const timespec& expected) {
    EXPECT_EQ(actual.tv_sec, expected.tv_sec);
    EXPECT_EQ(actual.tv_nsec, expected.tv_nsec);
}

TEST_F(FileTimestampTest, CurrentAndUnknownModesLeaveTheOutputAlone) {
    const struct stat before = statOf(output_);
    for (uint8_t mode : {kCurrent, uint8_t{3}, uint8_t{255}}) {
        EXPECT_TRUE(ApplyFileTimestamp(input_, output_, withMode(mode, 1000)));
        const struct stat after = statOf(output_);
        ExpectSameTime(after.st_mtim, before.st_mtim);
        ExpectSameTime(after.st_atim, before.st_atim);
    }
}

TEST_F(FileTimestampTest, OriginalCopiesTheInputModificationTimeExactly) {
    const struct stat input = statOf(input_);
    const struct stat before = statOf(output_);
    ASSERT_NE(input.st_mtim.tv_sec, before.st_mtim.tv_sec);

    EXPECT_TRUE(ApplyFileTimestamp(input_, output_, withMode(kOriginal)));
    const struct stat after = statOf(output_);
    ExpectSameTime(after.st_mtim, input.st_mtim);
    ExpectSameTime(after.st_atim, before.st_atim);
}

struct CustomCase {
    int year, month, day, hour, minute, second;
    std::time_t utc; // the same moment in real seconds for kZone
};

class CustomTimestampTest : public FileTimestampTest,
                            public ::testing::WithParamInterface<CustomCase> {};

// The custom time is wall-clock time: a listing in the local zone must show
// exactly what was entered, in winter (UTC+1) and summer (UTC+2) alike.
TEST_P(CustomTimestampTest, ShowsAsEnteredInLocalTime) {
    const CustomCase& c = GetParam();
    const struct stat before = statOf(output_);
    const int32_t stamp = LocalSeconds(c.year, c.month, c.day, c.hour, c.minute, c.second);

    EXPECT_TRUE(ApplyFileTimestamp(input_, output_, withMode(kCustom, stamp)));
    const struct stat after = statOf(output_);
    ExpectSameTime(after.st_mtim, At(c.utc, 0));
    ExpectSameTime(after.st_atim, before.st_atim);

    std::tm shown{};
    ASSERT_NE(localtime_r(&after.st_mtim.tv_sec, &shown), nullptr);
    EXPECT_EQ(shown.tm_year + 1900, c.year);
    EXPECT_EQ(shown.tm_mon + 1, c.month);
    EXPECT_EQ(shown.tm_mday, c.day);
    EXPECT_EQ(shown.tm_hour, c.hour);
    EXPECT_EQ(shown.tm_min, c.minute);
    EXPECT_EQ(shown.tm_sec, c.second);
}

INSTANTIATE_TEST_SUITE_P(Stamps, CustomTimestampTest,
                         ::testing::Values(
                             // 2020-01-02 02:04:05 UTC
                             CustomCase{2020, 1, 2, 3, 4, 5, 1577930645},
                             // 2020-07-15 10:30:00 UTC
                             CustomCase{2020, 7, 15, 12, 30, 0, 1594809000}));

TEST_F(FileTimestampTest, FailuresReturnFalse) {
    const std::string missing = folder_ + "/missing";
    EXPECT_FALSE(ApplyFileTimestamp(missing, output_, withMode(kOriginal)));
    EXPECT_FALSE(ApplyFileTimestamp(input_, missing, withMode(kOriginal)));
    EXPECT_FALSE(ApplyFileTimestamp(input_, missing, withMode(kCustom, 1000)));
    // Nothing was asked for, so nothing can fail.
    EXPECT_TRUE(ApplyFileTimestamp(input_, missing, withMode(kCurrent)));
    EXPECT_EQ(access(missing.c_str(), F_OK), -1);
}

} // namespace
} // namespace dravik
