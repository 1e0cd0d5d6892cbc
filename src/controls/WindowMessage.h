#pragma once

#include <QEvent>

#include <cstdint>

class QObject;

// The window messages that windows, the apply worker and the controls send
// each other. Their numbers are fixed; each travels as a WindowMessageEvent
// carrying (message, wParam, lParam), so a receiver handles it in event().
namespace kavrel {

enum WindowMessageId : unsigned {
    MsgKeyEvent = 1034, // wParam key code, lParam 0 down / 0x80 up
    MsgApplyProgress = 1067, // wParam percent
    MsgSwatchClicked = 1086, // wParam 1 not selected / 0 selected, lParam swatch value
    MsgTrayIcon = 1132, // lParam mouse message
    MsgMenuCommand = 1143, // wParam chosen command, lParam the menu's tag
    MsgKeyClicked = 1153, // wParam key index
    MsgTreeRightClick = 1426, // wParam control id, lParam item id (CTreeCtrlEx::itemFromId) or 0
    MsgTreeLeftClick = 1428, // wParam control id, lParam item id (CTreeCtrlEx::itemFromId) or 0
    MsgSliderSet = 2048, // wParam value, lParam tag
    MsgSliderChanging = 2049, // wParam value, lParam tag
};

// Mouse messages that travel in lParam of MsgTrayIcon.
inline constexpr std::intptr_t MouseLeftDoubleClick = 515;
inline constexpr std::intptr_t MouseRightUp = 517;

class WindowMessageEvent : public QEvent {
public:
    WindowMessageEvent(unsigned message, std::uintptr_t wParam, std::intptr_t lParam);

    // The event type every window message uses (registered once).
    static QEvent::Type messageType();

    unsigned message() const { return m_message; }
    std::uintptr_t wParam() const { return m_wParam; }
    std::intptr_t lParam() const { return m_lParam; }

    // The answer of a handler reached by sendWindowMessage (0 unless set).
    void setResult(std::intptr_t result) { m_result = result; }
    std::intptr_t result() const { return m_result; }

private:
    unsigned m_message;
    std::uintptr_t m_wParam;
    std::intptr_t m_lParam;
    std::intptr_t m_result = 0;
};

// The window message an event carries, or nullptr for any other event.
const WindowMessageEvent* asWindowMessage(const QEvent* event);
WindowMessageEvent* asWindowMessage(QEvent* event);

// Queues the message for the receiver's thread; safe from any thread. A null
// receiver drops the message, as posting to a missing window does.
void postWindowMessage(QObject* receiver, unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

// Delivers the message at once on the calling (receiver's) thread and returns
// the handler's result.
std::intptr_t sendWindowMessage(
    QObject* receiver, unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);

} // namespace kavrel
