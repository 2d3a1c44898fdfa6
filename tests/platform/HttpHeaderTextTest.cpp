#include "platform/HttpHeaderText.h"

#include <gtest/gtest.h>

namespace {

using Headers = std::vector<std::pair<QByteArray, QByteArray>>;

struct Case {
    const char* text;
    Headers expected;
};

class HttpHeaderTextTest : public ::testing::TestWithParam<Case> {};

TEST_P(HttpHeaderTextTest, ReadsEachNameAndValue)
{
    EXPECT_EQ(platform::ParseHeaderText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, HttpHeaderTextTest,
    ::testing::Values(Case{"Content-type: application/x-www-form-urlencoded\n\r",
                           {{"Content-type", "application/x-www-form-urlencoded"}}},
                      Case{"A: 1\r\nB: 2\r\n", {{"A", "1"}, {"B", "2"}}},
                      Case{"A: 1\rB: 2", {{"A", "1"}, {"B", "2"}}},
                      Case{"A:1\n\n\nB :  x: y  ", {{"A", "1"}, {"B", "x: y"}}},
                      Case{"no colon here\n: nameless\nC:", {{"C", ""}}}, Case{"", {}}));

} // namespace
