#include "skin/Outline.h"
#include "skin/PictureArt.h"
#include "skin/TShapedSkin.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>

namespace {

using skintest::PictureFromArt;

// A window with a style of its own, and a panel the skin may sit on.
struct SkinnedWindow {
    static constexpr Qt::WindowFlags kOwnStyle = Qt::Tool | Qt::WindowStaysOnTopHint;
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>(nullptr, kOwnStyle);
    TShapedSkin* skin = new TShapedSkin(*window);

    SkinnedWindow() { window->resize(40, 30); }
    bool Frameless() const { return window->windowFlags().testFlag(Qt::FramelessWindowHint); }
};

const QImage kFigure = PictureFromArt({"......", ".WWWW.", ".WKKW.", ".WWWW."});

TEST(ShapedSkin, TakesThePicturesSize)
{
    SkinnedWindow w;
    w.skin->SetPicture(kFigure);
    EXPECT_EQ(w.skin->size(), kFigure.size());
}

TEST(ShapedSkin, ActiveCutsTheWindowToThePictureWithoutFrame)
{
    SkinnedWindow w;
    w.skin->SetPicture(kFigure);
    w.skin->SetActive(true);
    EXPECT_TRUE(w.Frameless());
    EXPECT_EQ(w.window->mask(), skin::OutlineOf(kFigure, {}));
}

TEST(ShapedSkin, OutlineFollowsTheControlsPlaceInTheWindow)
{
    SkinnedWindow w;
    auto* panel = new QWidget(w.window.get());
    panel->move(5, 7);
    TShapedSkin* inner = new TShapedSkin(*panel);
    inner->move(2, 1);
    inner->SetPicture(kFigure);
    inner->SetActive(true);
    EXPECT_EQ(w.window->mask(), skin::OutlineOf(kFigure, {7, 8}));
}

TEST(ShapedSkin, WithoutPictureTheWindowKeepsItsFrameAndRectangle)
{
    SkinnedWindow w;
    w.skin->SetActive(true);
    EXPECT_TRUE(w.skin->Active());
    EXPECT_FALSE(w.Frameless());
    EXPECT_TRUE(w.window->mask().isEmpty());
}

TEST(ShapedSkin, InactiveRestoresTheRectangleAndTheBorderStyle)
{
    SkinnedWindow w;
    const Qt::WindowFlags before = w.window->windowFlags();
    w.skin->SetPicture(kFigure);
    w.skin->SetActive(true);
    w.skin->SetActive(false);
    EXPECT_TRUE(w.window->mask().isEmpty());
    EXPECT_EQ(w.window->windowFlags(), before);
}

// Building the outline again while it is in force must not save the frameless
// style as the one to restore.
TEST(ShapedSkin, ActiveWrittenTwiceStillRestoresTheOriginalBorderStyle)
{
    SkinnedWindow w;
    const Qt::WindowFlags before = w.window->windowFlags();
    w.skin->SetPicture(kFigure);
    w.skin->SetActive(true);
    w.skin->SetActive(true);
    w.skin->SetActive(false);
    EXPECT_EQ(w.window->windowFlags(), before);
}

// Only the border is the skin's: what else the window became meanwhile stays.
TEST(ShapedSkin, InactiveKeepsTheWindowsOtherStyleChanges)
{
    SkinnedWindow w;
    w.skin->SetPicture(kFigure);
    w.skin->SetActive(true);
    w.window->setWindowFlag(Qt::WindowStaysOnTopHint, false);
    w.skin->SetActive(false);
    EXPECT_FALSE(w.Frameless());
    EXPECT_FALSE(w.window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST(ShapedSkin, AWindowFramelessBeforeTheSkinStaysFrameless)
{
    QWidget window(nullptr, Qt::FramelessWindowHint);
    TShapedSkin* skin = new TShapedSkin(window);
    skin->SetPicture(kFigure);
    skin->SetActive(true);
    skin->SetActive(false);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(ShapedSkin, AShownWindowStaysShownWhenItsBorderChanges)
{
    SkinnedWindow w;
    w.skin->SetPicture(kFigure);
    w.window->show();
    w.skin->SetActive(true);
    EXPECT_TRUE(w.window->isVisible());
    w.skin->SetActive(false);
    EXPECT_TRUE(w.window->isVisible());
}

void Send(QWidget* target, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButton button,
          Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(local), QPointF(global), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &event);
}

// A press at `at` on the picture, a move of 30, 40 and a release; this display
// offers no system move, so the skin moves the window itself.
QPoint DragBy30And40(TShapedSkin* skin, QPoint at, Qt::MouseButton button)
{
    QWidget* window = skin->window();
    const QPoint start = window->pos();
    const QPoint global = skin->mapToGlobal(at);
    Send(skin, QEvent::MouseButtonPress, at, global, button, button);
    Send(skin, QEvent::MouseMove, at + QPoint(30, 40), global + QPoint(30, 40), Qt::NoButton,
         button);
    Send(skin, QEvent::MouseButtonRelease, at + QPoint(30, 40), global + QPoint(30, 40), button,
         Qt::NoButton);
    return window->pos() - start;
}

struct DragCase {
    const char* name;
    bool active;
    bool alwaysMove;
    QPoint pressed; // on kFigure: (2, 2) is black, (1, 1) white
    Qt::MouseButton button;
    bool moves;
};

void PrintTo(const DragCase& c, std::ostream* os)
{
    *os << c.name;
}

class DragCases : public ::testing::TestWithParam<DragCase> {};

TEST_P(DragCases, MoveTheWindowOnlyWhenTheRuleSays)
{
    const DragCase& c = GetParam();
    SkinnedWindow w;
    w.skin->SetPicture(kFigure);
    w.skin->SetActive(c.active);
    w.skin->SetAlwaysMove(c.alwaysMove);
    w.window->move(100, 100);
    w.window->show();
    EXPECT_EQ(DragBy30And40(w.skin, c.pressed, c.button), c.moves ? QPoint(30, 40) : QPoint());
}

const DragCase kDragCases[] = {
    {"AlwaysMoveAnyPixel", true, true, {1, 1}, Qt::LeftButton, true},
    {"CaptionColourPixel", true, false, {2, 2}, Qt::LeftButton, true},
    {"OtherColourPixel", true, false, {1, 1}, Qt::LeftButton, false},
    {"Inactive", false, true, {1, 1}, Qt::LeftButton, false},
    {"RightButton", true, true, {1, 1}, Qt::RightButton, false},
};

INSTANTIATE_TEST_SUITE_P(Presses, DragCases, ::testing::ValuesIn(kDragCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ShapedSkin, CaptionColourDecidesAtTheNextPress)
{
    SkinnedWindow w;
    w.skin->SetPicture(kFigure);
    w.skin->SetActive(true);
    w.skin->SetAlwaysMove(false);
    w.skin->SetCaptionColor(Qt::white);
    w.window->show();
    EXPECT_EQ(DragBy30And40(w.skin, {1, 1}, Qt::LeftButton), QPoint(30, 40));
    EXPECT_EQ(DragBy30And40(w.skin, {2, 2}, Qt::LeftButton), QPoint());
}

TEST(ShapedSkin, PaintsThePicture)
{
    SkinnedWindow w;
    w.skin->SetPicture(kFigure);
    const QImage shown = w.skin->grab().toImage();
    EXPECT_EQ(shown.pixel(1, 1), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(2, 2), qRgb(0, 0, 0));
}

} // namespace
