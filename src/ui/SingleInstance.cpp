#include "ui/SingleInstance.h"

#include "app/Log.h"
#include "controls/WindowMessage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>

namespace kavrel {
namespace {

// The one message a later instance sends: "1132 0 515\n".
QByteArray encodeMessage(unsigned message, quintptr wParam, qintptr lParam)
{
    return QByteArray::number(message) + ' ' + QByteArray::number(wParam) + ' ' + QByteArray::number(lParam) + '\n';
}

QString runtimeFolder()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder;
}

} // namespace

QString instanceFileName(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    QString name;
    for (char c : bytes) {
        const bool plain
            = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
        const QString part = plain
            ? QString(QChar(c))
            : QString("%%1").arg(unsigned(static_cast<unsigned char>(c)), 2, 16, QChar('0')).toUpper();
        if (name.size() + part.size() > 64)
            break;
        name += part;
    }
    const QByteArray hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(8);
    return name + '-' + QString::fromLatin1(hash);
}

SingleInstance::SingleInstance(const QString& lockName, const QString& title, const QString& folder)
    : m_folder(folder.isEmpty() ? runtimeFolder() : folder)
    , m_lockName(lockName)
    , m_title(title)
{
    connect(&m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, &SingleInstance::readConnection);
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath() const
{
    return m_folder + "/kavrel-" + instanceFileName(m_lockName) + ".lock";
}

QString SingleInstance::serverPath() const
{
    return m_folder + "/kavrel-" + instanceFileName(m_title) + ".sock";
}

bool SingleInstance::acquire()
{
    QDir().mkpath(m_folder);
    auto lock = std::make_unique<QLockFile>(lockPath());
    lock->setStaleLockTime(0); // only a lock whose process is gone counts as stale
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    // The lock is ours, so a socket file left beside it belongs to an instance that is gone.
    QLocalServer::removeServer(serverPath());
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(serverPath()))
        WriteLog("Single instance: listen failed, %s", qPrintable(m_server.errorString()));
    return true;
}

bool SingleInstance::signalRunning(int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(serverPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(encodeMessage(MsgTrayIcon, 0, MouseLeftDoubleClick));
    const bool sent = socket.waitForBytesWritten(timeoutMs);
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return sent;
}

void SingleInstance::readConnection()
{
    auto* socket = qobject_cast<QLocalSocket*>(sender());
    if (!socket)
        return;
    while (socket->canReadLine()) {
        const QList<QByteArray> parts = socket->readLine(64).trimmed().split(' ');
        bool ok[3] = {false, false, false};
        if (parts.size() != 3)
            continue;
        const unsigned message = parts[0].toUInt(&ok[0]);
        const quintptr wParam = parts[1].toULongLong(&ok[1]);
        const qintptr lParam = parts[2].toLongLong(&ok[2]);
        // Only the opening request is taken from outside; anything else is dropped.
        if (ok[0] && ok[1] && ok[2] && message == MsgTrayIcon && lParam == MouseLeftDoubleClick)
            deliver(message, wParam, lParam);
    }
    if (socket->bytesAvailable() > 256)
        socket->abort(); // not a later instance of ours
}

void SingleInstance::deliver(unsigned message, quintptr wParam, qintptr lParam)
{
    emit messageReceived(message, wParam, lParam);
    if (m_receiver)
        postWindowMessage(m_receiver, message, wParam, lParam);
    else
        ++m_pendingActivations;
}

void SingleInstance::setReceiver(QObject* receiver)
{
    m_receiver = receiver;
    for (; m_receiver && m_pendingActivations > 0; --m_pendingActivations)
        postWindowMessage(m_receiver, MsgTrayIcon, 0, MouseLeftDoubleClick);
}

} // namespace kavrel
