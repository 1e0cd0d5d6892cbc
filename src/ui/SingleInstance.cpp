#include "ui/SingleInstance.h"

#include "app/Log.h"
#include "controls/WindowMessage.h"
#include "platform/LocalSocket.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kavrel {
namespace {

// The one message a later instance sends: "1132 0 515\n".
QByteArray encodeMessage(unsigned message, quintptr wParam, qintptr lParam)
{
    return QByteArray::number(message) + ' ' + QByteArray::number(wParam) + ' ' + QByteArray::number(lParam) + '\n';
}

// A later instance sends one short line; a connection that holds more than this without a line end is
// not one of ours and is closed.
constexpr qsizetype MaxPendingBytes = 256;
// Later instances connect one at a time; more open at once are dropped.
constexpr std::size_t MaxConnections = 16;

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
    // The lock is ours, so a socket file left beside it belongs to an instance that is gone: listening
    // replaces it.
    int error = 0;
    m_listener = platform::listenLocalSocket(serverPath().toStdString(), &error);
    if (!m_listener.valid()) {
        WriteLog("Single instance: listen failed, %s", std::strerror(error));
        return true;
    }
    m_listenerNotifier = new QSocketNotifier(m_listener.get(), QSocketNotifier::Read, this);
    connect(m_listenerNotifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

bool SingleInstance::signalRunning(int timeoutMs)
{
    return platform::sendToLocalSocket(
        serverPath().toStdString(), encodeMessage(MsgTrayIcon, 0, MouseLeftDoubleClick).toStdString(), timeoutMs);
}

void SingleInstance::acceptConnections()
{
    for (;;) {
        platform::UniqueFd fd = platform::acceptLocalConnection(m_listener.get());
        if (!fd.valid())
            return;
        if (m_connections.size() >= MaxConnections)
            continue; // closed unread
        auto connection = std::make_unique<Connection>();
        connection->notifier = new QSocketNotifier(fd.get(), QSocketNotifier::Read, this);
        connection->fd = std::move(fd);
        Connection* raw = connection.get();
        connect(connection->notifier, &QSocketNotifier::activated, this, [this, raw] { readConnection(raw); });
        m_connections.push_back(std::move(connection));
    }
}

void SingleInstance::readConnection(Connection* connection)
{
    char buffer[512];
    ssize_t got = 0;
    while ((got = ::read(connection->fd.get(), buffer, sizeof buffer)) > 0)
        connection->pending.append(buffer, got);
    const bool ended = got == 0 || (errno != EAGAIN && errno != EINTR);
    qsizetype lineEnd = 0;
    while ((lineEnd = connection->pending.indexOf('\n')) >= 0) {
        const QList<QByteArray> parts = connection->pending.left(std::min<qsizetype>(lineEnd, 64)).trimmed().split(' ');
        connection->pending.remove(0, lineEnd + 1);
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
    if (ended || connection->pending.size() > MaxPendingBytes)
        closeConnection(connection); // done, or not a later instance of ours
}

void SingleInstance::closeConnection(Connection* connection)
{
    // The notifier may be the one whose signal is being handled: it goes once that has returned.
    connection->notifier->setEnabled(false);
    connection->notifier->deleteLater();
    std::erase_if(m_connections, [connection](const auto& held) { return held.get() == connection; });
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
