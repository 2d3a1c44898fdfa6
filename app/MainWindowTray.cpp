// Tray and window behaviour: closing, hiding and minimising the main window, and
// the notification-area icon that stays while the window is hidden: its on-air
// animation, its clicks and its menu.
#include "app/MainWindow.h"
#include "platform/ExceptionRouting.h"
#include "platform/MessageBoxes.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>

namespace {

constexpr std::uint32_t kTrayIconId = 1;

// A picture drawn for each size the status areas ask for, so that none is scaled.
QIcon SizedIcon(const QString& stem)
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32})
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(stem).arg(size), QSize(size, size));
    return icon;
}

// The application's own icon, which the window and the task-bar button show.
QIcon MainIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/hicolor/%1x%1/apps/sonavia-studio.png").arg(size),
                     QSize(size, size));
    return icon;
}

} // namespace

void TFrm_OnLine::CreateTray()
{
    Image1 = SizedIcon(QStringLiteral("tray/onair-1"));
    Image2 = SizedIcon(QStringLiteral("tray/onair-2"));
    Image3 = SizedIcon(QStringLiteral("tray/onair-3"));
    Image4 = SizedIcon(QStringLiteral("tray/onair-4"));
    ImageList1 = {SizedIcon(QStringLiteral("menu/fechar")),
                  SizedIcon(QStringLiteral("menu/ocultar")),
                  SizedIcon(QStringLiteral("menu/restaurar"))};

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    const auto addItem = [this](const char* name, const QString& caption, int image,
                                std::function<void()> action) {
        QAction* item = PopupMenu1->addAction(ImageList1[image], caption);
        item->setObjectName(QString::fromLatin1(name));
        connect(item, &QAction::triggered, this, platform::Guarded(std::move(action)));
        return item;
    };
    Maximizar1 =
        addItem("Maximizar1", QStringLiteral("Restaurar"), 2, [this] { Maximizar1Click(); });
    Minimizar1 = addItem("Minimizar1", QStringLiteral("Ocultar"), 1, [this] { BOcultarClick(); });
    N1 = PopupMenu1->addSeparator();
    N1->setObjectName(QStringLiteral("N1"));
    Fechar1 = addItem("Fechar1", QStringLiteral("Fechar"), 0, [this] { BFecharClick(); });

    connect(&TimerIcone, &QTimer::timeout, this, platform::Guarded([this] { TimerIconeTimer(); }));
    connect(&TimerPopup, &QTimer::timeout, this, platform::Guarded([this] { TimerPopupTimer(); }));
}

void TFrm_OnLine::BFecharClick()
{
    TimerIcone.stop();
    close();
}

void TFrm_OnLine::closeEvent(QCloseEvent* event)
{
    platform::RunGuarded([this] { FormClose(); });
    event->accept();
}

void TFrm_OnLine::FormClose()
{
    if (FEncoder)
        FEncoder->Stop();
    platform::StationApplication::Terminate(0);
}

void TFrm_OnLine::FormDestroy()
{
    RemoveTrayIcon();
}

void TFrm_OnLine::BMinimizarClick()
{
    showMinimized();
}

void TFrm_OnLine::BOcultarClick()
{
    hide();
}

void TFrm_OnLine::Maximizar1Click()
{
    showNormal();
    raise();
    activateWindow();
}

void TFrm_OnLine::TrayIconMessage(std::uint32_t mouseMessage)
{
    // A minimised window counts as hidden: the click brings it back rather than
    // hiding it out of sight, which would take a second click to undo.
    if (mouseMessage == platform::kLeftButtonDown) {
        if (isVisible() && !isMinimized())
            BOcultarClick();
        else
            Maximizar1Click();
    }
    if (mouseMessage == platform::kRightButtonDown)
        TimerPopup.start();
}

void TFrm_OnLine::TimerPopupTimer()
{
    TimerPopup.stop();
    PopupMenu1->popup(TrayIcons().CursorPosition());
}

void TFrm_OnLine::TimerIconeTimer()
{
    if (++FIconFrame > 4)
        FIconFrame = 1;
    const QIcon* const frames[] = {&Image1, &Image2, &Image3, &Image4};
    const QIcon& frame = FConnected ? *frames[FIconFrame - 1] : Image1;
    // The window shows the application's icon, so its task-bar button animates too.
    QGuiApplication::setWindowIcon(frame);
    FTrayData.icon = QGuiApplication::windowIcon();
    TrayIcons().Modify(FTrayData);
}

void TFrm_OnLine::AddTrayIcon()
{
    QGuiApplication::setWindowIcon(MainIcon());
    FTrayData.id = kTrayIconId;
    FTrayData.icon = QGuiApplication::windowIcon();
    FTrayData.tip = platform::ApplicationTitle();
    FTrayData.callback = [this](std::uint32_t mouseMessage) {
        platform::RunGuarded([this, mouseMessage] { TrayIconMessage(mouseMessage); });
    };
    TrayIcons().Add(FTrayData);
    // From now on the window may be hidden while the program runs on in the tray;
    // closing the settings window then must not end it. Closing the main window
    // still does, through FormClose.
    QGuiApplication::setQuitOnLastWindowClosed(false);
}

void TFrm_OnLine::RemoveTrayIcon()
{
    TrayIcons().Delete(FTrayData);
}

platform::NotifyIcons& TFrm_OnLine::TrayIcons()
{
    if (FServices.trayIcons != nullptr)
        return *FServices.trayIcons;
    if (!FDesktopTrayIcons)
        FDesktopTrayIcons = std::make_unique<platform::QtNotifyIcons>();
    return *FDesktopTrayIcons;
}
