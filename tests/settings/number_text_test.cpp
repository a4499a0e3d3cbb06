#include "settings/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace dravik {
namespace {

struct IntCase {
    const char* text;
    int32_t expected;
};

class ReadIntegerTest : public testing::TestWithParam<IntCase> {};

TEST_P(ReadIntegerTest, ReadsLikeTheCommandLine) {
    EXPECT_EQ(ReadInteger(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadIntegerTest,
    testing::Values(IntCase{"95", 95}, IntCase{"-30", -30}, IntCase{"+7", 7}, IntCase{" \t 12", 12},
                    IntCase{"12abc", 12}, IntCase{"abc", 0}, IntCase{"", 0}, IntCase{"-", 0},
                    IntCase{"$FF", 255}, IntCase{"$ff", 255}, IntCase{"-$10", -16},
                    IntCase{"%101", 5}, IntCase{"%102", 2}, IntCase{"$", 0}, IntCase{"1.9", 1},
                    IntCase{"2147483647", 2147483647}, IntCase{"99999999999", 2147483647},
                    IntCase{"-99999999999999999999999", std::numeric_limits<int32_t>::min()},
                    IntCase{"00042", 42}));

TEST(ReadFloatTest, DecimalNumbers) {
    EXPECT_DOUBLE_EQ(ReadFloat("1.5"), 1.5);
    EXPECT_DOUBLE_EQ(ReadFloat("-2"), -2.0);
    EXPECT_DOUBLE_EQ(ReadFloat("  0.01"), 0.01);
    EXPECT_DOUBLE_EQ(ReadFloat(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ReadFloat("9.99xyz"), 9.99);
    EXPECT_DOUBLE_EQ(ReadFloat("3e2"), 300.0);
    EXPECT_DOUBLE_EQ(ReadFloat("3e"), 3.0);
    EXPECT_DOUBLE_EQ(ReadFloat("abc"), 0.0);
    EXPECT_DOUBLE_EQ(ReadFloat(""), 0.0);
    EXPECT_DOUBLE_EQ(ReadFloat("."), 0.0);
}

TEST(ReadFloatTest, WordsAndExtremes) {
    EXPECT_EQ(ReadFloat("+Infinity"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadFloat("-Infinity"), -std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(ReadFloat("NaN")));
    EXPECT_EQ(ReadFloat("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(ReadFloat("1e-999"), 0.0);
}

TEST(FormatFloat6Test, SixDecimalsAndWordsThatReadBack) {
    EXPECT_EQ(FormatFloat6(1.0), "1.000000");
    EXPECT_EQ(FormatFloat6(2.5f), "2.500000");
    for (double v :
         {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()})
        EXPECT_EQ(ReadFloat(FormatFloat6(v)), v);
    EXPECT_TRUE(std::isnan(ReadFloat(FormatFloat6(std::nan("")))));
}

// Whether the lenient readers took the whole text, so the option scan can
// say when they did not.
TEST(WholeNumberTest, TellsWhetherEveryCharacterWasRead) {
    struct Case {
        const char* text;
        bool integer;
        bool real;
    };
    const Case cases[] = {
        {"85", true, true},    {"  -7  ", true, true}, {"$FF", true, false},
        {"%101", true, false}, {"85x", false, false},  {"", false, false},
        {"x", false, false},   {"-", false, false},    {"$", false, false},
        {"2.5", false, true},  {"2,5", false, false},  {".5", false, true},
        {"3e2", false, true},  {"3e", false, false},   {"+Infinity", false, true},
        {"NaN", false, true},  {"NaNa", false, false}, {"99999999999", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsWholeInteger(c.text), c.integer) << '"' << c.text << '"';
        EXPECT_EQ(IsWholeFloat(c.text), c.real) << '"' << c.text << '"';
    }
}

} // namespace
} // namespace dravik
