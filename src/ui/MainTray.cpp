#include "ui/MainTray.h"

#include "app/Log.h"
#include "app/Paths.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "ui/WindowBasics.h"

#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QWidget>

#include <cerrno>

namespace kavrel {
namespace {

std::optional<bool>& trayOverride()
{
    static std::optional<bool> available;
    return available;
}

// The icon built into the program, for a missing appico.ico: a key cap with a K.
QIcon builtInIcon()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x2B, 0x30, 0x36));
    painter.setPen(QPen(QColor(0xE0, 0x3C, 0x31), 2));
    painter.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
    painter.setPen(Qt::white);
    painter.setFont(shellDlgFont(20, 700));
    painter.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, "K");
    painter.end();
    return QIcon(pixmap);
}

} // namespace

QIcon programIcon()
{
    QIcon icon(QString::fromStdString(ProgramFolder()) + "appico.ico");
    if (!icon.isNull() && !icon.availableSizes().isEmpty())
        return icon;
    WriteLog("Load Icon err=%x", unsigned(ENOENT));
    return builtInIcon();
}

bool MainTray::available()
{
    return trayOverride().value_or(QSystemTrayIcon::isSystemTrayAvailable());
}

void MainTray::setAvailabilityOverride(std::optional<bool> available)
{
    trayOverride() = available;
}

MainTray::MainTray(QWidget* window, const QIcon& icon)
    : QObject(window)
{
    m_icon = new QSystemTrayIcon(icon);
    m_icon->setToolTip(text("tc_title").left(127));
    m_menu = new QMenu;
    m_menu->addAction(
        text("tc_config"), window, [window] { sendWindowMessage(window, MsgTrayIcon, 0, MouseLeftDoubleClick); });
    m_menu->addSeparator();
    m_menu->addAction(text("tc_exit"), this, &MainTray::exitRequested);
    m_icon->setContextMenu(m_menu);
    // Many trays never send a double click: a single activation opens the window too.
    connect(m_icon, &QSystemTrayIcon::activated, window, [window](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
            postWindowMessage(window, MsgTrayIcon, 0, MouseLeftDoubleClick);
    });
    m_icon->show();
}

MainTray::~MainTray()
{
    m_icon->hide();
    delete m_icon;
    delete m_menu;
}

void MainTray::showBalloon(const QString& message)
{
    m_lastBalloon = message;
    // The balloon's caption is the program's name: the user sees who speaks.
    m_icon->showMessage(text("tc_title"), message, QSystemTrayIcon::Information);
}

void MainTray::popupMenu()
{
    m_menu->popup(QCursor::pos());
}

} // namespace kavrel
