#include "StationFixture.h"
#include "app/ConfigWindow.h"
#include "app/WidgetBuilders.h"
#include "skin/Outline.h"
#include "skin/TBitmapButton.h"
#include "skin/TShapedSkin.h"

#include <QAccessible>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <memory>

namespace {

class SkinnedWindowsTest : public apptest::StationTest {
protected:
    SkinnedWindowsTest()
    {
        window = std::make_unique<apptest::ProbeWindow>(Services());
        window->TimerInicio.stop();
        window->show();
        config = window->Frm_Config.get();
    }

    // The windows in the order the table below names them.
    QWidget* Window(int index) const
    {
        return index == 0 ? static_cast<QWidget*>(window.get()) : config;
    }

    std::unique_ptr<apptest::ProbeWindow> window;
    TFrm_Config* config = nullptr;
};

bool Frameless(const QWidget* window)
{
    return window->windowFlags().testFlag(Qt::FramelessWindowHint);
}

TEST_F(SkinnedWindowsTest, BothWindowsAreFramelessAndCutToTheirPictures)
{
    for (auto [shaped, skin] :
         {std::pair<QWidget*, TShapedSkin*>{window.get(), window->Skin}, {config, config->Skin}}) {
        ASSERT_NE(skin, nullptr);
        EXPECT_TRUE(skin->Active());
        EXPECT_FALSE(skin->Picture().isNull());
        EXPECT_TRUE(Frameless(shaped)) << shaped->objectName().toStdString();
        EXPECT_EQ(shaped->mask(), skin::OutlineOf(skin->Picture(), {}));
        // Under everything else on the window.
        EXPECT_EQ(shaped->children().indexOf(skin), 0);
    }
    EXPECT_EQ(window->Skin->Picture().size(), window->size());
}

// The picture's key colour must lie outside the figure and every control inside
// it, or part of a button would be cut away with the background.
TEST_F(SkinnedWindowsTest, EveryControlLiesInsideTheOutline)
{
    for (QWidget* shaped : {Window(0), Window(1)}) {
        const QRegion outline = shaped->mask();
        EXPECT_FALSE(outline.contains(QPoint(0, 0)));
        for (QWidget* control : shaped->findChildren<QWidget*>()) {
            // The panels and labels on the window, and every button.
            const bool placed =
                control->parentWidget() == shaped || qobject_cast<QPushButton*>(control);
            if (!placed || qobject_cast<TShapedSkin*>(control) || control->isWindow())
                continue;
            const QRect place(control->mapTo(shaped, QPoint(0, 0)), control->size());
            EXPECT_EQ(outline.intersected(place), QRegion(place))
                << control->objectName().toStdString() << " at " << place.x() << "," << place.y();
        }
    }
}

struct ButtonCase {
    int window; // 0 the main window, 1 the settings window
    const char* name;
    const char* function;
};

void PrintTo(const ButtonCase& c, std::ostream* os)
{
    *os << c.name;
}

class SkinnedButtons : public SkinnedWindowsTest,
                       public ::testing::WithParamInterface<ButtonCase> {};

TEST_P(SkinnedButtons, AreBitmapButtonsKnownByTheirFunction)
{
    const ButtonCase& c = GetParam();
    const auto* button = Window(c.window)->findChild<TBitmapButton*>(QString::fromLatin1(c.name));
    ASSERT_NE(button, nullptr);
    const QString function = QString::fromUtf8(c.function);
    EXPECT_FALSE(button->Faces().isNull());
    EXPECT_EQ(button->toolTip(), function);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(const_cast<TBitmapButton*>(button))
                  ->text(QAccessible::Name),
              function);
}

const ButtonCase kButtons[] = {
    {0, "BConfig", "Configurar"},      {0, "BInfo", "Informações"}, {0, "BEqualizer", "Visualizar"},
    {0, "BMinimizar", "Minimizar"},    {0, "BOcultar", "Ocultar"},  {0, "BFechar", "Fechar"},
    {1, "BSalvar", "Salvar"},          {1, "BFechar", "Fechar"},    {1, "BSom", "Controle de som"},
    {1, "BFecharNavegador", "Fechar"},
};

INSTANTIATE_TEST_SUITE_P(Windows, SkinnedButtons, ::testing::ValuesIn(kButtons),
                         [](const auto& info) {
                             return std::to_string(info.param.window) + info.param.name;
                         });

TEST_F(SkinnedWindowsTest, AnUnreadablePictureLeavesAFramedRectangleAndSaysWhy)
{
    QWidget plain;
    QString reported;
    const TShapedSkin* skin = app::AddSkin(&plain, QStringLiteral("/nowhere/fundo.png"),
                                           [&](const QString& why) { reported = why; });
    EXPECT_TRUE(reported.contains(QStringLiteral("/nowhere/fundo.png")));
    EXPECT_TRUE(skin->Active());
    EXPECT_FALSE(Frameless(&plain));
    EXPECT_TRUE(plain.mask().isEmpty());
}

TEST_F(SkinnedWindowsTest, AnUnreadablePictureIsLogged)
{
    window->LogSkinFailure(QStringLiteral("/nowhere/fundo.png: cannot open"));
    const std::string log = LogUtf8();
    EXPECT_NE(log.find("Não foi possível ler a imagem da janela: /nowhere/fundo.png: cannot open"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Skin"), std::string::npos);
}

} // namespace
