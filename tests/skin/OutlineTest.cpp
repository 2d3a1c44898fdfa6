#include "skin/Outline.h"
#include "skin/PictureArt.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <ostream>

namespace {

using skintest::CoverageArt;
using skintest::PictureFromArt;

struct OutlineCase {
    const char* name;
    QStringList picture;
    QStringList covered;
};

void PrintTo(const OutlineCase& c, std::ostream* os)
{
    *os << c.name;
}

class OutlineCases : public ::testing::TestWithParam<OutlineCase> {};

TEST_P(OutlineCases, CoversExactlyTheNonKeyPixels)
{
    const OutlineCase& c = GetParam();
    const QImage picture = PictureFromArt(c.picture);
    EXPECT_EQ(
        CoverageArt(skin::OutlineOf(picture, {}), picture.width(), picture.height()).join('\n'),
        c.covered.join('\n'));
}

const OutlineCase kCases[] = {
    {"TransparentKeyRoundedFigure",
     {"..WW..", ".WRRW.", ".WRRW.", "..WW.."},
     {"..##..", ".####.", ".####.", "..##.."}},
    {"BlackKeyCutsBlackInsideTheFigure",
     {"KKKKKK", "KWWWWK", "KWKKWK", "KWWWWK", "KKKKKK"},
     {"......", ".####.", ".#..#.", ".####.", "......"}},
    {"FigureReachingTheRightEdgeKeepsItsLastColumn",
     {"...WWW", "..WWWW", "....RW"},
     {"...###", "..####", "....##"}},
    {"FigureFromTheLeftEdgeBelowTheKey", {".W", "WW", "W."}, {".#", "##", "#."}},
    {"SeveralRunsInOneRowAndGapsBetweenBands",
     {".W.W.", ".....", "WW.WW", "WW.WW"},
     {".#.#.", ".....", "##.##", "##.##"}},
    {"TheKeyIsTheTopLeftPixelWhateverItsColour", {"GGRG", "RRGG"}, {"..#.", "##.."}},
    {"APictureOfKeyOnlyHasNoOutline", {"KK", "KK"}, {"..", ".."}},
};

INSTANTIATE_TEST_SUITE_P(Pictures, OutlineCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Outline, IsMovedByTheOffset)
{
    const QImage picture = PictureFromArt({"..", ".W"});
    EXPECT_EQ(skin::OutlineOf(picture, {3, 2}), QRegion(4, 3, 1, 1));
}

TEST(Outline, OfANullPictureIsEmpty)
{
    EXPECT_TRUE(skin::OutlineOf(QImage(), {}).isEmpty());
}

TEST(Outline, ReadsPicturesOfOtherFormats)
{
    QImage picture = PictureFromArt({"..W", "WW."}).convertToFormat(QImage::Format_RGBA8888);
    EXPECT_EQ(CoverageArt(skin::OutlineOf(picture, {}), 3, 2), (QStringList{"..#", "##."}));
}

// More runs than a fixed table of 25 000 would hold: every row of a 500 x 400
// picture alternates figure and key pixels, 250 runs a row, 100 000 in all.
TEST(Outline, HasNoLimitOnTheNumberOfRuns)
{
    QImage picture(500, 400, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = (y + 1) % 2; x < picture.width(); x += 2)
            picture.setPixel(x, y, qRgb(255, 255, 255));
    const QRegion outline = skin::OutlineOf(picture, {});
    EXPECT_EQ(outline.rectCount(), 250 * 400);
    // Painted white through the outline, a clear picture becomes the figure again.
    QImage covered(picture.size(), QImage::Format_ARGB32);
    covered.fill(Qt::transparent);
    QPainter painter(&covered);
    painter.setClipRegion(outline);
    painter.fillRect(covered.rect(), Qt::white);
    painter.end();
    EXPECT_EQ(covered, picture);
}

TEST(Outline, RowsWithTheSameRunsShareOneRectangle)
{
    QImage picture(300, 200, QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    for (int y = 10; y < 190; ++y)
        for (int x = 20; x < 280; ++x)
            picture.setPixel(x, y, qRgb(40, 40, 40));
    const QRegion outline = skin::OutlineOf(picture, {});
    EXPECT_EQ(outline.rectCount(), 1);
    EXPECT_EQ(outline.boundingRect(), QRect(20, 10, 260, 180));
}

} // namespace
