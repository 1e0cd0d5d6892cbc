#include "ControlTestSupport.h"

#include "app/Paths.h"

#include <QCoreApplication>
#include <QDir>

namespace kavrel::test {

TestSkin::TestSkin()
    : m_previous(ProgramFolder())
{
    QDir().mkpath(QString::fromStdString((m_dir.path() / "skins").string()));
    SetProgramFolder(m_dir.path());
}

TestSkin::~TestSkin()
{
    SetProgramFolder(m_previous);
}

void TestSkin::add(const std::string& name, QSize size, const QColor& color)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    image.save(QString::fromStdString((m_dir.path() / "skins" / name).string()));
}

bool MessageRecorder::event(QEvent* event)
{
    if (const WindowMessageEvent* message = asWindowMessage(event)) {
        messages.push_back({message->message(), message->wParam(), message->lParam()});
        return true;
    }
    return QWidget::event(event);
}

void processEvents()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

QImage rendered(QWidget& widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace kavrel::test
