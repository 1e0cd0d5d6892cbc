#include "controls/WindowMessage.h"

#include <QCoreApplication>

namespace kavrel {

WindowMessageEvent::WindowMessageEvent(unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
    : QEvent(messageType())
    , m_message(message)
    , m_wParam(wParam)
    , m_lParam(lParam)
{
}

QEvent::Type WindowMessageEvent::messageType()
{
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

const WindowMessageEvent* asWindowMessage(const QEvent* event)
{
    if (!event || event->type() != WindowMessageEvent::messageType())
        return nullptr;
    return static_cast<const WindowMessageEvent*>(event);
}

WindowMessageEvent* asWindowMessage(QEvent* event)
{
    if (!event || event->type() != WindowMessageEvent::messageType())
        return nullptr;
    return static_cast<WindowMessageEvent*>(event);
}

void postWindowMessage(QObject* receiver, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (!receiver)
        return;
    QCoreApplication::postEvent(receiver, new WindowMessageEvent(message, wParam, lParam));
}

std::intptr_t sendWindowMessage(QObject* receiver, unsigned message, std::uintptr_t wParam, std::intptr_t lParam)
{
    if (!receiver)
        return 0;
    WindowMessageEvent event(message, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &event);
    return event.result();
}

} // namespace kavrel
