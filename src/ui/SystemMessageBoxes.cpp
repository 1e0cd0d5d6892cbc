#include "ui/SystemMessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include <algorithm>

namespace kavrel {
namespace {

QMessageBox::Icon iconOf(platform::BoxIcon icon)
{
    switch (icon) {
    case platform::BoxIcon::Error:
        return QMessageBox::Critical;
    case platform::BoxIcon::Warning:
        return QMessageBox::Warning;
    case platform::BoxIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

bool onInterfaceThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

QString textOf(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace

SystemMessageBoxes::SystemMessageBoxes()
{
    setObjectName("systemMessageBoxes");
    QPointer<SystemMessageBoxes> self(this);
    m_previous = platform::setMessageBoxHandler([self](std::string_view caption, std::string_view text,
                                                    platform::BoxIcon icon) { show(self, caption, text, icon); });
}

SystemMessageBoxes::~SystemMessageBoxes()
{
    platform::setMessageBoxHandler(std::move(m_previous));
    for (const QPointer<QMessageBox>& box : m_open)
        delete box.data();
}

void SystemMessageBoxes::show(
    const QPointer<SystemMessageBoxes>& boxes, std::string_view caption, std::string_view text, platform::BoxIcon icon)
{
    if (!onInterfaceThread()) {
        queue(boxes, caption, text, icon);
        return;
    }
    if (boxes)
        boxes->showModal(textOf(caption), textOf(text), icon);
}

void SystemMessageBoxes::queue(
    const QPointer<SystemMessageBoxes>& boxes, std::string_view caption, std::string_view text, platform::BoxIcon icon)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    // The pointer is only looked at on the interface thread, where the boxes object lives and dies.
    QMetaObject::invokeMethod(
        app,
        [boxes, captionText = textOf(caption), bodyText = textOf(text), icon] {
            if (boxes)
                boxes->showQueued(captionText, bodyText, icon);
        },
        Qt::QueuedConnection);
}

void SystemMessageBoxes::QueuedSink::post(const platform::UserMessage& message)
{
    queue(m_boxes, message.caption, message.text, message.icon);
}

int SystemMessageBoxes::openBoxes() const
{
    return int(std::count_if(m_open.begin(), m_open.end(), [](const auto& box) { return !box.isNull(); }));
}

QMessageBox* SystemMessageBoxes::makeBox(const QString& caption, const QString& text, platform::BoxIcon icon) const
{
    auto* box = new QMessageBox(iconOf(icon), caption, text, QMessageBox::Ok);
    box->setObjectName("systemMessageBox");
    return box;
}

void SystemMessageBoxes::showModal(const QString& caption, const QString& text, platform::BoxIcon icon)
{
    QPointer<QMessageBox> box = makeBox(caption, text, icon);
    m_open.push_back(box);
    box->exec();
    delete box.data();
}

void SystemMessageBoxes::showQueued(const QString& caption, const QString& text, platform::BoxIcon icon)
{
    std::erase_if(m_open, [](const auto& open) { return open.isNull(); });
    QMessageBox* box = makeBox(caption, text, icon);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    m_open.emplace_back(box);
    box->show();
}

} // namespace kavrel
