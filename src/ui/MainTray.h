#pragma once

#include <QIcon>
#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace kavrel {

// The program's icon: appico.ico from the program folder, or the one built
// into the program when that is missing ("Load Icon err=2" in the log).
QIcon programIcon();

// The main window's tray icon: tooltip and balloons with the program's title,
// a menu with Settings and Exit. Activating the icon (a click or a double
// click) and Settings post message 1086 with a left double click to the
// window; the window answers a right click (1086 with MouseRightUp) with
// popupMenu().
class MainTray : public QObject {
    Q_OBJECT
public:
    // Whether a system tray exists; tests may pretend either way (nullopt asks the desktop).
    static bool available();
    static void setAvailabilityOverride(std::optional<bool> available);

    MainTray(QWidget* window, const QIcon& icon);
    ~MainTray() override;

    void showBalloon(const QString& message);
    const QString& lastBalloon() const { return m_lastBalloon; }
    void popupMenu();

signals:
    void exitRequested();

private:
    QSystemTrayIcon* m_icon = nullptr;
    QMenu* m_menu = nullptr;
    QString m_lastBalloon;
};

} // namespace kavrel
