#include "StationFixture.h"
#include "app/ConfigWindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFrame>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

using apptest::ProbeWindow;
using apptest::StationTest;

QImage Picture(const QIcon& icon)
{
    return icon.pixmap(32, 32).toImage();
}

// The display panel in front, as the operator sees it.
QWidget* PanelInFront(const TFrm_OnLine& window)
{
    QWidget* hit = window.PEqualizadores->childAt(85, 28);
    while (hit != nullptr && hit->parentWidget() != window.PEqualizadores)
        hit = hit->parentWidget();
    return hit;
}

// FormClose asks the application to quit; that request must not end the event
// loops of the tests that follow.
void ForgetQuitRequest()
{
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
}

// A window shown once, its start-up decision out of the way.
class TrayTest : public StationTest {
protected:
    void SetUp() override
    {
        window.TimerInicio.stop();
        window.show();
    }

    ProbeWindow window{Services()};
};

} // namespace

TEST_F(StationTest, IconIsAddedAtTheFirstShowOnlyAndDeletedWithTheWindow)
{
    {
        ProbeWindow window(Services());
        window.TimerInicio.stop();
        EXPECT_TRUE(trayIcons.calls.empty());
        window.show();
        window.hide();
        window.show();
        ASSERT_EQ(trayIcons.calls.size(), 1u);
    }
    ASSERT_EQ(trayIcons.calls.size(), 2u);
    const auto& added = trayIcons.calls.front();
    EXPECT_EQ(added.operation, "Add");
    EXPECT_EQ(added.data.id, 1u);
    EXPECT_EQ(added.data.tip, "Zorvane Sonavia");
    EXPECT_FALSE(added.data.icon.isNull());
    EXPECT_TRUE(added.data.callback);
    EXPECT_EQ(trayIcons.calls.back().operation, "Delete");
    EXPECT_EQ(trayIcons.calls.back().data.id, 1u);
}

TEST_F(TrayTest, EveryTickReRegistersTheIconAnimatedOnlyWhileConnected)
{
    const QImage frames[] = {Picture(window.Image1), Picture(window.Image2), Picture(window.Image3),
                             Picture(window.Image4)};
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            ASSERT_NE(frames[a], frames[b]) << "frames " << a + 1 << " and " << b + 1;

    const struct {
        bool connected;
        std::vector<int> shown; // frame number at each tick
    } rows[] = {{true, {1, 2, 3, 4, 1, 2}}, {false, {1, 1, 1, 1, 1, 1}}};
    for (const auto& row : rows) {
        window.FConnected = row.connected;
        window.FIconFrame = 0;
        trayIcons.calls.clear();
        std::vector<int> shown;
        for (std::size_t tick = 0; tick < row.shown.size(); ++tick) {
            window.TimerIconeTimer();
            ASSERT_EQ(trayIcons.calls.size(), tick + 1);
            const auto& call = trayIcons.calls.back();
            EXPECT_EQ(call.operation, "Modify");
            EXPECT_EQ(call.data.id, 1u);
            EXPECT_EQ(call.data.tip, "Zorvane Sonavia");
            const QImage picture = Picture(call.data.icon);
            EXPECT_EQ(picture, Picture(QGuiApplication::windowIcon())) << "application icon";
            shown.push_back(
                int(std::find(std::begin(frames), std::end(frames), picture) - std::begin(frames)) +
                1);
        }
        EXPECT_EQ(shown, row.shown) << "connected " << row.connected;
    }
}

TEST_F(TrayTest, LeftPressTogglesTheWindowAndAMinimisedWindowComesBack)
{
    const struct {
        const char* start;
        std::function<void(QWidget&)> setUp;
        bool shownAfter;
    } rows[] = {{"shown", [](QWidget& w) { w.showNormal(); }, false},
                {"hidden", [](QWidget& w) { w.hide(); }, true},
                {"minimised", [](QWidget& w) { w.showMinimized(); }, true}};
    for (const auto& row : rows) {
        row.setUp(window);
        trayIcons.Press(platform::kLeftButtonDown);
        EXPECT_EQ(window.isVisible() && !window.isMinimized(), row.shownAfter) << row.start;
    }
    trayIcons.Press(platform::kLeftButtonDown);
    EXPECT_FALSE(window.isVisible()) << "second press";
    for (const std::uint32_t ignored : {512u, 514u, 515u, 517u, 518u})
        trayIcons.Press(ignored);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.TimerPopup.isActive());
}

TEST_F(TrayTest, RightPressOpensTheMenuAfter200msWhereTheCursorIsThen)
{
    trayIcons.cursor = QPoint(40, 500);
    QSignalSpy opened(window.PopupMenu1, &QMenu::aboutToShow);
    QElapsedTimer clock;
    clock.start();
    trayIcons.Press(platform::kRightButtonDown);
    EXPECT_FALSE(window.PopupMenu1->isVisible());
    trayIcons.cursor = QPoint(300, 200);
    ASSERT_TRUE(opened.wait(1000));
    EXPECT_GE(clock.elapsed(), 190);
    EXPECT_FALSE(window.TimerPopup.isActive());
    EXPECT_TRUE(window.PopupMenu1->isVisible());
    EXPECT_EQ(window.PopupMenu1->pos(), QPoint(300, 200));
    window.PopupMenu1->hide();
}

TEST_F(TrayTest, MenuItemsRestoreHideAndCloseWithTheTimerStoppedFirst)
{
    QStringList captions;
    for (const QAction* item : window.PopupMenu1->actions())
        captions << (item->isSeparator() ? QStringLiteral("-") : item->text());
    EXPECT_EQ(captions, QStringList({"Restaurar", "Ocultar", "-", "Fechar"}));
    const struct {
        QAction* item;
        int image;
    } images[] = {{window.Maximizar1, 2}, {window.Minimizar1, 1}, {window.Fechar1, 0}};
    for (const auto& row : images)
        EXPECT_EQ(Picture(row.item->icon()), Picture(window.ImageList1[row.image]))
            << row.item->text().toStdString();

    window.Minimizar1->trigger();
    EXPECT_FALSE(window.isVisible());
    window.Maximizar1->trigger();
    EXPECT_TRUE(window.isVisible());

    struct CloseProbe : QObject {
        const QTimer& timer;
        std::vector<bool> animating; // at each close event
        explicit CloseProbe(const QTimer& t) : timer(t) {}
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Close)
                animating.push_back(timer.isActive());
            return false;
        }
    } probe(window.TimerIcone);
    window.installEventFilter(&probe);
    window.BOcultar->click(); // "Fechar" from the tray while the window is hidden
    window.Fechar1->trigger();
    window.removeEventFilter(&probe);
    EXPECT_EQ(probe.animating, std::vector<bool>{false});
    ForgetQuitRequest();
}

TEST_F(TrayTest, ViewButtonCyclesThePanelsAndTheFifthPressShowsTheSpectrumAgain)
{
    EXPECT_EQ(PanelInFront(window), window.PSpectrum);
    QWidget* const expected[] = {window.POsciloscopio, window.PLevel, window.PVU, window.PSpectrum,
                                 window.POsciloscopio};
    for (QWidget* panel : expected) {
        window.BEqualizer->click();
        EXPECT_EQ(PanelInFront(window), panel) << panel->objectName().toStdString();
    }
}

TEST_F(TrayTest, ClosingTheSettingsWindowWhileTheMainWindowIsHiddenKeepsTheProgramRunning)
{
    window.BOcultarClick();
    window.Frm_Config->show();
    QTimer::singleShot(50, window.Frm_Config.get(), [this] { window.Frm_Config->close(); });
    QTimer::singleShot(500, qApp, [] { QCoreApplication::exit(7); });
    EXPECT_EQ(QCoreApplication::exec(), 7) << "the program ended";
}
