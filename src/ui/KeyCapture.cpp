#include "ui/KeyCapture.h"

#include "platform/KeyCodes.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QChildEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

#include <memory>

namespace kavrel {
namespace {

// X11 and Wayland report the evdev code plus 8 as the native scan code.
constexpr quint32 NativeScanCodeOffset = 8;

struct QtKeyPair {
    int qtKey;
    int virtualKey;
};

// Qt keys that are not letters, digits or function keys.
// clang-format off
constexpr QtKeyPair QtKeys[] = {
    {Qt::Key_Backspace, 0x08}, {Qt::Key_Tab, 0x09}, {Qt::Key_Backtab, 0x09}, {Qt::Key_Clear, 0x0C},
    {Qt::Key_Return, 0x0D}, {Qt::Key_Enter, 0x0D}, {Qt::Key_Shift, 0x10}, {Qt::Key_Control, 0x11},
    {Qt::Key_Alt, 0x12}, {Qt::Key_AltGr, 0x12}, {Qt::Key_Pause, 0x13}, {Qt::Key_CapsLock, 0x14},
    {Qt::Key_Escape, 0x1B}, {Qt::Key_Space, 0x20}, {Qt::Key_PageUp, 0x21}, {Qt::Key_PageDown, 0x22},
    {Qt::Key_End, 0x23}, {Qt::Key_Home, 0x24}, {Qt::Key_Left, 0x25}, {Qt::Key_Up, 0x26}, {Qt::Key_Right, 0x27},
    {Qt::Key_Down, 0x28}, {Qt::Key_Print, 0x2C}, {Qt::Key_SysReq, 0x2C}, {Qt::Key_Insert, 0x2D},
    {Qt::Key_Delete, 0x2E}, {Qt::Key_Meta, 0x5B}, {Qt::Key_Super_L, 0x5B}, {Qt::Key_Super_R, 0x5C},
    {Qt::Key_Menu, 0x5D}, {Qt::Key_Sleep, 0x5F}, {Qt::Key_NumLock, 0x90}, {Qt::Key_ScrollLock, 0x91},
    {Qt::Key_Back, 0xA6}, {Qt::Key_Forward, 0xA7}, {Qt::Key_Refresh, 0xA8}, {Qt::Key_Stop, 0xA9},
    {Qt::Key_Search, 0xAA}, {Qt::Key_Favorites, 0xAB}, {Qt::Key_HomePage, 0xAC}, {Qt::Key_VolumeMute, 0xAD},
    {Qt::Key_VolumeDown, 0xAE}, {Qt::Key_VolumeUp, 0xAF}, {Qt::Key_MediaNext, 0xB0},
    {Qt::Key_MediaPrevious, 0xB1}, {Qt::Key_MediaStop, 0xB2}, {Qt::Key_MediaTogglePlayPause, 0xB3},
    {Qt::Key_MediaPlay, 0xB3}, {Qt::Key_LaunchMail, 0xB4}, {Qt::Key_LaunchMedia, 0xB5},
    {Qt::Key_Launch0, 0xB6}, {Qt::Key_Launch1, 0xB7}, {Qt::Key_Calculator, 0xB7},
    {Qt::Key_Semicolon, 0xBA}, {Qt::Key_Colon, 0xBA}, {Qt::Key_Equal, 0xBB}, {Qt::Key_Plus, 0xBB},
    {Qt::Key_Comma, 0xBC}, {Qt::Key_Less, 0xBC}, {Qt::Key_Minus, 0xBD}, {Qt::Key_Underscore, 0xBD},
    {Qt::Key_Period, 0xBE}, {Qt::Key_Greater, 0xBE}, {Qt::Key_Slash, 0xBF}, {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0}, {Qt::Key_AsciiTilde, 0xC0}, {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB}, {Qt::Key_Backslash, 0xDC}, {Qt::Key_Bar, 0xDC}, {Qt::Key_BracketRight, 0xDD},
    {Qt::Key_BraceRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE}, {Qt::Key_QuoteDbl, 0xDE},
};

// Keys that are keypad keys when the event carries the keypad modifier.
constexpr QtKeyPair KeypadKeys[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B}, {Qt::Key_Minus, 0x6D}, {Qt::Key_Period, 0x6E},
    {Qt::Key_Comma, 0x6E}, {Qt::Key_Slash, 0x6F},
};
// clang-format on

int lookUp(std::span<const QtKeyPair> pairs, int qtKey)
{
    for (const QtKeyPair& pair : pairs)
        if (pair.qtKey == qtKey)
            return pair.virtualKey;
    return 0;
}

std::optional<KeyStroke> strokeOfNativeScanCode(const QKeyEvent& event)
{
    if (event.nativeScanCode() <= NativeScanCodeOffset)
        return std::nullopt;
    const platform::KeyCodeEntry* entry = platform::keyOfEvdev(int(event.nativeScanCode() - NativeScanCodeOffset));
    if (!entry)
        return std::nullopt;
    return KeyStroke{platform::messageVirtualKey(*entry), platform::keyMessageFlags(*entry),
        event.type() == QEvent::KeyPress, event.isAutoRepeat(), event.timestamp()};
}

std::optional<KeyStroke> strokeOfQtKey(const QKeyEvent& event)
{
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    const int virtualKey = virtualKeyOfQtKey(event.key(), keypad);
    if (virtualKey == 0)
        return std::nullopt;
    std::uint32_t flags = 0;
    if (const platform::KeyCodeEntry* entry = platform::keyOfVirtualKey(virtualKey))
        flags = platform::keyMessageFlags(*entry);
    // The keypad Enter and AltGr are the extended forms of Enter and Alt.
    if (event.key() == Qt::Key_Enter || event.key() == Qt::Key_AltGr)
        flags |= KeyFlagExtended;
    return KeyStroke{virtualKey, flags, event.type() == QEvent::KeyPress, event.isAutoRepeat(), event.timestamp()};
}

bool isKeyEvent(const QEvent* event)
{
    return event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
}

// Installs the filter on the object and every widget below it; new children
// are picked up through the ChildAdded events the filter also sees.
void watchTree(QObject* filter, QObject* object)
{
    object->installEventFilter(filter);
    for (QObject* child : object->children())
        if (child->isWidgetType())
            watchTree(filter, child);
}

void watchNewChild(QObject* filter, QEvent* event)
{
    if (event->type() != QEvent::ChildAdded)
        return;
    QObject* child = static_cast<QChildEvent*>(event)->child();
    if (child && child->isWidgetType())
        watchTree(filter, child);
}

} // namespace

int virtualKeyOfQtKey(int qtKey, bool keypad)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return 0x41 + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return (keypad ? 0x60 : 0x30) + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 0x70 + (qtKey - Qt::Key_F1);
    if (keypad)
        if (const int code = lookUp(KeypadKeys, qtKey))
            return code;
    return lookUp(QtKeys, qtKey);
}

std::optional<KeyStroke> keyStrokeOf(const QKeyEvent& event)
{
    if (!isKeyEvent(&event))
        return std::nullopt;
    if (auto stroke = strokeOfNativeScanCode(event))
        return stroke;
    return strokeOfQtKey(event);
}

KeyCaptureFilter::KeyCaptureFilter(QWidget* watched, Callback callback)
    : QObject(watched)
    , m_callback(std::move(callback))
    , m_releaseTimer(new QTimer(this))
{
    m_releaseTimer->setSingleShot(true);
    m_releaseTimer->setInterval(RepeatPairWaitMs);
    connect(m_releaseTimer, &QTimer::timeout, this, [this] { handOnHeldRelease(); });
    watch(watched);
}

void KeyCaptureFilter::setEnabled(bool on)
{
    if (!on)
        handOnHeldRelease();
    m_enabled = on;
}

void KeyCaptureFilter::take(KeyStroke stroke)
{
    if (stroke.autoRepeat && !stroke.down)
        return;
    if (m_heldRelease) {
        const KeyStroke& held = *m_heldRelease;
        if (stroke.down && stroke.virtualKey == held.virtualKey && stroke.keyFlags == held.keyFlags
            && stroke.timestampMs == held.timestampMs) {
            m_heldRelease.reset();
            m_releaseTimer->stop();
            stroke.autoRepeat = true;
            handOn(stroke);
            return;
        }
        handOnHeldRelease();
        // The release ended the capture: this key comes after it.
        if (!m_enabled)
            return;
    }
    // Without a timestamp no pair can be told: the release goes on at once.
    if (!stroke.down && stroke.timestampMs != 0) {
        m_heldRelease = stroke;
        m_releaseTimer->start();
        return;
    }
    handOn(stroke);
}

void KeyCaptureFilter::handOnHeldRelease()
{
    m_releaseTimer->stop();
    if (const std::optional<KeyStroke> held = std::exchange(m_heldRelease, std::nullopt))
        handOn(*held);
}

void KeyCaptureFilter::handOn(const KeyStroke& stroke)
{
    if (m_callback)
        m_callback(stroke);
}

void KeyCaptureFilter::watch(QObject* object)
{
    watchTree(this, object);
}

bool KeyCaptureFilter::eventFilter(QObject* object, QEvent* event)
{
    watchNewChild(this, event);
    if (!m_enabled)
        return QObject::eventFilter(object, event);
    if (event->type() == QEvent::ShortcutOverride) {
        // Accepting the override makes Qt deliver the press as a key event
        // instead of firing a shortcut; the press then reaches this filter.
        event->accept();
        return true;
    }
    if (!isKeyEvent(event))
        return QObject::eventFilter(object, event);
    if (const std::optional<KeyStroke> stroke = keyStrokeOf(static_cast<const QKeyEvent&>(*event)))
        take(*stroke);
    if (m_enabled)
        return true;
    // Switched off while the key was handled (a held release ended the capture): the key is the window's, and
    // goes where the focus is now (the window may have moved it to OK when the capture ended).
    const auto* watched = qobject_cast<const QWidget*>(parent());
    QWidget* focus = watched ? watched->window()->focusWidget() : nullptr;
    if (!focus || focus == object)
        return QObject::eventFilter(object, event);
    std::unique_ptr<QEvent> copy(event->clone());
    QCoreApplication::sendEvent(focus, copy.get());
    return true;
}

SwallowKeysFilter::SwallowKeysFilter(
    QWidget* watched, Keys keys, std::function<void()> onEnter, std::function<void()> onEscape)
    : QObject(watched)
    , m_keys(keys)
    , m_onEnter(std::move(onEnter))
    , m_onEscape(std::move(onEscape))
{
    watch(watched);
}

void SwallowKeysFilter::watch(QObject* object)
{
    watchTree(this, object);
}

bool SwallowKeysFilter::eventFilter(QObject* object, QEvent* event)
{
    watchNewChild(this, event);
    // A dialog opened over the window (a child of it) has keys of its own.
    const auto* widget = qobject_cast<const QWidget*>(object);
    const auto* window = qobject_cast<const QWidget*>(parent());
    if (widget && window && widget->window() != window->window())
        return QObject::eventFilter(object, event);
    const bool override = event->type() == QEvent::ShortcutOverride;
    if (!override && !isKeyEvent(event))
        return QObject::eventFilter(object, event);
    const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
    if (!isSwallowedKey(keyEvent.key(), m_keys))
        return QObject::eventFilter(object, event);
    if (override) {
        event->accept();
        return true;
    }
    const bool enter = keyEvent.key() == Qt::Key_Return || keyEvent.key() == Qt::Key_Enter;
    const bool space = keyEvent.key() == Qt::Key_Space;
    // The button the user moved the focus to is pressed by Space or Enter, as in any dialog; a list with the
    // focus takes Enter for its selected item.
    const auto* focused = qobject_cast<const QWidget*>(object);
    const bool takesKey = focused && focused->window()->focusWidget() == focused && focused->isEnabled()
        && focused->isVisible()
        && (((enter || space) && qobject_cast<const QAbstractButton*>(object))
            || (enter && qobject_cast<const QAbstractItemView*>(object)));
    if (takesKey)
        return QObject::eventFilter(object, event);
    const bool press = event->type() == QEvent::KeyPress && !keyEvent.isAutoRepeat();
    if (enter && press && m_onEnter)
        m_onEnter();
    if (keyEvent.key() == Qt::Key_Escape && press && m_onEscape)
        m_onEscape();
    return true;
}

} // namespace kavrel
