#include "skin/TBitmapButton.h"

#include <QAccessible>
#include <QImage>
#include <gtest/gtest.h>
#include <ostream>

namespace {

// Three faces of one colour each: normal red, pressed green, disabled blue.
QImage SolidFaces()
{
    QImage faces(3 * 20, 16, QImage::Format_ARGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    for (int face = 0; face < 3; ++face)
        for (int y = 0; y < faces.height(); ++y)
            for (int x = 0; x < 20; ++x)
                faces.setPixel(face * 20 + x, y, colours[face]);
    return faces;
}

struct FaceCase {
    const char* name;
    bool enabled;
    bool down;
    int face;
    QRgb shown;
};

void PrintTo(const FaceCase& c, std::ostream* os)
{
    *os << c.name;
}

class FaceCases : public ::testing::TestWithParam<FaceCase> {};

TEST_P(FaceCases, ShowTheFaceOfTheButtonsState)
{
    const FaceCase& c = GetParam();
    TBitmapButton button(QStringLiteral("Salvar"), nullptr);
    button.resize(90, 28);
    button.SetFaces(SolidFaces());
    button.setEnabled(c.enabled);
    button.setDown(c.down);
    EXPECT_EQ(button.FaceIndex(), c.face);
    // Left of the caption the face shows through, stretched to the button's height.
    const QImage shown = button.grab().toImage();
    EXPECT_EQ(shown.pixel(2, 14), c.shown);
    EXPECT_EQ(shown.pixel(87, 26), c.shown);
}

const FaceCase kFaces[] = {
    {"Normal", true, false, 0, qRgb(255, 0, 0)},
    {"Pressed", true, true, 1, qRgb(0, 255, 0)},
    {"Disabled", false, false, 2, qRgb(0, 0, 255)},
    {"DisabledWhileDown", false, true, 2, qRgb(0, 0, 255)},
};

INSTANTIATE_TEST_SUITE_P(States, FaceCases, ::testing::ValuesIn(kFaces),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BitmapButton, IsKnownByItsCaptionToScreenReadersAndInItsTooltip)
{
    TBitmapButton button(QStringLiteral("Informações"), nullptr);
    button.SetFaces(SolidFaces());
    EXPECT_EQ(button.toolTip(), QStringLiteral("Informações"));
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Informações"));
    EXPECT_EQ(accessible->role(), QAccessible::Button);
}

TEST(BitmapButton, WritesItsCaptionOverTheFace)
{
    TBitmapButton button(QStringLiteral("Fechar"), nullptr);
    button.resize(90, 28);
    button.SetFaces(SolidFaces());
    QPalette palette = button.palette();
    palette.setColor(QPalette::ButtonText, Qt::white);
    button.setPalette(palette);
    const QImage shown = button.grab().toImage();
    int white = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            white += shown.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_GT(white, 10);
}

} // namespace
