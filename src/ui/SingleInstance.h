#pragma once

#include "platform/UniqueFd.h"

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <vector>

class QSocketNotifier;

namespace kavrel {

// One running program per user session. The first instance holds a lock file named after the lock name
// (tc_mutex) and listens on a local socket named after the window title (tc_title); a later instance finds
// the lock taken, connects to that socket and delivers message 1132 with lParam 515 (what a double click on
// the tray icon sends), which the running window answers by opening itself. Both files live in the user's
// runtime folder, so every session has its own. A lock left by a crashed instance is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // folder: where the lock and the socket live; empty for the user's runtime folder.
    SingleInstance(const QString& lockName, const QString& title, const QString& folder = {});
    ~SingleInstance() override;

    // True when this process is the first: it then holds the lock and listens for later instances.
    bool acquire();

    // In a later instance: delivers 1132 / 515 to the running one. False when nothing answered.
    bool signalRunning(int timeoutMs = 2000);

    // Messages from later instances go to this object as window messages (kept until one is set).
    void setReceiver(QObject* receiver);

    QString lockPath() const;
    QString serverPath() const;

signals:
    void messageReceived(unsigned message, quintptr wParam, qintptr lParam);

private:
    // A later instance's connection, read line by line.
    struct Connection {
        platform::UniqueFd fd;
        QSocketNotifier* notifier = nullptr;
        QByteArray pending;
    };

    void acceptConnections();
    void readConnection(Connection* connection);
    void closeConnection(Connection* connection);
    void deliver(unsigned message, quintptr wParam, qintptr lParam);

    QString m_folder;
    QString m_lockName;
    QString m_title;
    std::unique_ptr<QLockFile> m_lock;
    platform::UniqueFd m_listener;
    QSocketNotifier* m_listenerNotifier = nullptr;
    std::vector<std::unique_ptr<Connection>> m_connections;
    QPointer<QObject> m_receiver;
    int m_pendingActivations = 0;
};

// Turns a free text (a lock name, a window title) into a file name: letters, digits, '-' and '_' kept,
// every other byte as %XX, at most 64 characters followed by a short hash of the whole text.
QString instanceFileName(const QString& text);

} // namespace kavrel
