#pragma once

#include "ui/SwallowedKeys.h"

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <optional>

class QKeyEvent;
class QWidget;

// Key capture: turns Qt key events into the key messages the capture rules
// are written for (a Windows virtual-key code and the key flags of the
// message), and takes every key before Qt acts on it.
namespace kavrel {

// Key flags: scan code in bits 16-23, extended-key flag in bit 24.
inline constexpr std::uint32_t KeyFlagExtended = 1u << 24;
// Bit 4 of the scan code: set for the right Shift key.
inline constexpr std::uint32_t KeyFlagScanBit4 = 1u << 20;

struct KeyStroke {
    int virtualKey; // the generic 16, 17, 18 for either Shift, Ctrl or Alt
    std::uint32_t keyFlags;
    bool down;
    bool autoRepeat;
    std::uint64_t timestampMs;
};

// The key message of a key event. The native scan code (evdev code + 8 on
// X11 and Wayland) names the key; an event without one (offscreen, synthetic
// events) falls back to the Qt key code, which cannot tell the sides of a
// modifier apart (the left key is assumed; keypad Enter keeps its extended
// flag). Empty for events that are no key presses or releases, and for keys
// neither way knows.
std::optional<KeyStroke> keyStrokeOf(const QKeyEvent& event);

// The virtual-key code of a Qt key code (with the keypad modifier for the
// keypad keys), 0 when there is none. Used for the fallback above.
int virtualKeyOfQtKey(int qtKey, bool keypad);

// Takes every key press and release that reaches the watched widget or any of
// its children (children added later included) before the widget, the dialog
// or Qt's focus and shortcut handling act on it: Tab, Backtab, Alt alone, F10,
// Esc and Enter too (shortcut overrides are accepted, so no shortcut fires).
// While on, each event is consumed and its stroke handed to the callback.
// While off, events pass untouched.
//
// A held key gives repeated presses only, as the capture rules expect: X11
// sends a release before each auto-repeated press, with the press's
// timestamp, and Qt marks the pair only when both have already arrived. So a
// release that carries a timestamp is held back until the next key event or
// for RepeatPairWaitMs: followed by a press of the same key with the same
// timestamp it is dropped and the press is handed on as an auto-repeat;
// otherwise it is handed on then, with its own timestamp. Releases Qt marked
// as auto-repeat are dropped at once.
class KeyCaptureFilter : public QObject {
    Q_OBJECT
public:
    using Callback = std::function<void(const KeyStroke&)>;
    static constexpr int RepeatPairWaitMs = 30;

    KeyCaptureFilter(QWidget* watched, Callback callback);

    // Switching off first hands on a release still held back.
    void setEnabled(bool on);
    bool isEnabled() const { return m_enabled; }

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void watch(QObject* object);
    void take(KeyStroke stroke);
    void handOn(const KeyStroke& stroke);
    void handOnHeldRelease();

    Callback m_callback;
    bool m_enabled = true;
    std::optional<KeyStroke> m_heldRelease;
    QTimer* m_releaseTimer;
};

// The keys every skinned window swallows so that they neither close it nor
// press a button by surprise (Esc, Space, F1; Enter and keypad Enter where the
// window gives them a meaning). Installed like KeyCaptureFilter; a swallowed
// key's press and release are both consumed, and the Enter and Esc actions run
// on the press. Two ways through, so that the window works without a mouse:
// Space and Enter reach a button that has the keyboard focus (which presses
// it), and Esc runs onEscape where the window has a Cancel or No to answer.
class SwallowKeysFilter : public QObject {
    Q_OBJECT
public:
    using Keys = SwallowedKeys;
    SwallowKeysFilter(
        QWidget* watched, Keys keys, std::function<void()> onEnter = {}, std::function<void()> onEscape = {});

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    void watch(QObject* object);

    Keys m_keys;
    std::function<void()> m_onEnter;
    std::function<void()> m_onEscape;
};

} // namespace kavrel
