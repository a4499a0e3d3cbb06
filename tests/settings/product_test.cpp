#include "settings/product.h"

#include <gtest/gtest.h>

namespace dravik {
namespace {

TEST(FormatVersionTest, DotsAfterTheFirstTwoDigitsAndATrailingZeroCut) {
    EXPECT_EQ(FormatVersion(310), "3.1");
    EXPECT_EQ(FormatVersion(312), "3.1.2");
    EXPECT_EQ(FormatVersion(300), "3.0");
    EXPECT_EQ(FormatVersion(1234), "1.2.34");
    EXPECT_EQ(FormatVersion(1230), "1.2");
    EXPECT_EQ(FormatVersion(7), "7");
}

TEST(TitleTextTest, TitleBlankVersion) {
    EXPECT_EQ(MakeTitleText(kProgramTitle, kProgramVersion), "Tolvenor Dravik 3.1");
    EXPECT_EQ(ConsoleNoticeText(), "Copyright (c) 2026 Tolvenor");
}

} // namespace
} // namespace dravik
