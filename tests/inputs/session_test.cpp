#include "inputs/session.h"

#include <gtest/gtest.h>

#include <set>

namespace dravik {
namespace {

TEST(InputListTest, KeepsAdditionOrderAndRefusesExactDuplicates) {
    InputList list;
    EXPECT_TRUE(list.add("/b.pic", ""));
    EXPECT_TRUE(list.add("/a.pic", "sub/"));
    EXPECT_TRUE(list.add("/A.pic", ""));
    EXPECT_FALSE(list.add("/a.pic", "other/"));
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.entries()[0].path, "/b.pic");
    EXPECT_EQ(list.entries()[1].subfolder, "sub/");
    EXPECT_TRUE(list.remove("/b.pic"));
    EXPECT_FALSE(list.remove("/b.pic"));
    EXPECT_TRUE(list.contains("/A.pic"));
    EXPECT_FALSE(list.add("/A.pic", ""));
    EXPECT_TRUE(list.remove("/A.pic"));
    EXPECT_TRUE(list.contains("/a.pic"));
    EXPECT_EQ(list.entries().front().path, "/a.pic");
}

TEST(NewSessionTest, ResetsTheWorkAndKeepsTheProcessFields) {
    Session session;
    session.inputs.add("/x.pic", "");
    AppState state;
    state.programFolder = "/opt/dravik/";
    state.runModeTag = "T";
    state.currentOutputFolder = "/out/";
    state.inputPath = "/in/";
    state.fileCounter = 40;
    state.profileName = "mine";
    NewSession(session, state);
    EXPECT_TRUE(session.inputs.empty());
    EXPECT_EQ(state.programFolder, "/opt/dravik/");
    EXPECT_EQ(state.runModeTag, "T");
    EXPECT_EQ(state.currentOutputFolder, "");
    EXPECT_EQ(state.inputPath, "");
    EXPECT_EQ(state.fileCounter, 1);
    EXPECT_EQ(state.profileName, kUntitledProfile);
    EXPECT_GE(state.randomNumber, 1);
    EXPECT_LE(state.randomNumber, 99999);
    EXPECT_EQ(session.acceptedExtensions, (std::vector<std::string>{"pic", "pict", "pct"}));
}

TEST(NewSessionTest, RandomNumbersStayInRangeAndVary) {
    std::set<int32_t> seen;
    for (int i = 0; i < 200; ++i) {
        int32_t n = NewRandomNumber();
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 99999);
        seen.insert(n);
    }
    EXPECT_GT(seen.size(), 150u);
}

} // namespace
} // namespace dravik
