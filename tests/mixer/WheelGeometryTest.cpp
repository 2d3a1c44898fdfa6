#include "mixer/WheelGeometry.h"

#include <gtest/gtest.h>
#include <tuple>

TEST(WheelGeometry, TheSweepRunsFromStartToEndClockwise)
{
    const std::tuple<int, int, int> cases[] = {
        {225, 315, 270}, {180, 360, 180}, {90, 90, 360}, {315, 225, 360}};
    for (const auto& [start, end, span] : cases)
        EXPECT_EQ(wheel::Span(start, end), span) << start << ".." << end;
}

TEST(WheelGeometry, TheHandleTurnsClockwiseFromLowerLeftOverTheTop)
{
    const std::tuple<int, int> cases[] = {{0, 225}, {5, 90}, {10, 315}, {8, 9}, {9, 342}};
    for (const auto& [value, angle] : cases)
        EXPECT_EQ(wheel::HandleAngle(value, 0, 10, 225, 315), angle) << "value " << value;
}

TEST(WheelGeometry, AnEmptyRangeKeepsTheHandleAtTheStart)
{
    EXPECT_EQ(wheel::HandleAngle(3, 4, 4, 225, 315), 225);
}

TEST(WheelGeometry, APointingAngleGivesTheValueAndTheDeadZoneSnapsToTheNearerEnd)
{
    const std::tuple<double, int> cases[] = {{225.0, 0},
                                             {90.0, 5},
                                             {315.0, 10},
                                             {0.0, 8},
                                             // the dead zone below the knob
                                             {226.0, 0},
                                             {269.0, 0},
                                             {271.0, 10},
                                             {314.0, 10}};
    for (const auto& [angle, value] : cases)
        EXPECT_EQ(wheel::ValueAtAngle(angle, 0, 10, 225, 315), value) << "angle " << angle;
}

TEST(WheelGeometry, PointAnglesAreMeasuredWithScreenYDown)
{
    const std::tuple<double, double, double> cases[] = {
        {20, 10, 0}, {10, 0, 90}, {0, 10, 180}, {10, 20, 270}, {0, 20, 225}};
    for (const auto& [x, y, angle] : cases)
        EXPECT_NEAR(wheel::PointAngle(x, y, 10, 10), angle, 1e-9) << x << "," << y;
}
