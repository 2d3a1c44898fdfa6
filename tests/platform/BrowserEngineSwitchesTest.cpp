#include "platform/BrowserEngineSwitches.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* given;
    bool root;
    bool gpu;
    const char* expected;
};

class BrowserEngineSwitchesTest : public ::testing::TestWithParam<Case> {};

TEST_P(BrowserEngineSwitchesTest, AddsOnlyWhatThisMachineNeeds)
{
    const Case& c = GetParam();
    EXPECT_EQ(platform::BrowserEngineSwitches(c.given, c.root, c.gpu), QByteArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Machines, BrowserEngineSwitchesTest,
    ::testing::Values(Case{"", false, true, ""}, Case{"", true, true, "--no-sandbox"},
                      Case{"", false, false, "--disable-gpu"},
                      Case{"", true, false, "--no-sandbox --disable-gpu"},
                      Case{"--lang=pt", true, true, "--lang=pt --no-sandbox"},
                      Case{" --no-sandbox ", true, false, "--no-sandbox --disable-gpu"},
                      Case{"--disable-gpu --no-sandbox", true, false,
                           "--disable-gpu --no-sandbox"}));

} // namespace
