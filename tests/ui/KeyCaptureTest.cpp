// Key events to key messages: every modifier side, both Enters, AltGr, the
// keys Qt keeps for itself, and the fallback without a native scan code.

#include "ui/KeyCapture.h"
#include "ui/ComboCapture.h"

#include "UiTestSupport.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <linux/input-event-codes.h>
#include <vector>

using namespace kavrel;

namespace {

struct NativeRow {
    int evdev;
    int qtKey;
    int virtualKey; // as the key message carries it
    int sided; // after the side rule
    bool extended;
};

QKeyEvent nativeEvent(QEvent::Type type, int evdev, int qtKey, bool autoRepeat = false)
{
    return QKeyEvent(type, qtKey, Qt::NoModifier, quint32(evdev + 8), 0, 0, QString(), autoRepeat);
}

} // namespace

TEST(KeyCapture, NativeScanCodesGiveKeyMessagesWithSides)
{
    const NativeRow rows[] = {
        {KEY_LEFTCTRL, Qt::Key_Control, 17, 17, false},
        {KEY_RIGHTCTRL, Qt::Key_Control, 17, VkRightControl, true},
        {KEY_LEFTALT, Qt::Key_Alt, 18, 18, false},
        {KEY_RIGHTALT, Qt::Key_AltGr, 18, VkRightAlt, true}, // AltGr is the right Alt key
        {KEY_LEFTSHIFT, Qt::Key_Shift, 16, 16, false},
        {KEY_RIGHTSHIFT, Qt::Key_Shift, 16, VkRightShift, false}, // told by scan-code bit 4
        {KEY_LEFTMETA, Qt::Key_Meta, 91, 91, true},
        {KEY_RIGHTMETA, Qt::Key_Meta, 92, 92, true},
        {KEY_ENTER, Qt::Key_Return, 13, 13, false},
        {KEY_KPENTER, Qt::Key_Enter, 13, 13, true},
        {KEY_TAB, Qt::Key_Tab, 9, 9, false},
        {KEY_TAB, Qt::Key_Backtab, 9, 9, false}, // Shift+Tab is still the Tab key
        {KEY_ESC, Qt::Key_Escape, 27, 27, false},
        {KEY_F10, Qt::Key_F10, 0x79, 0x79, false},
        {KEY_A, Qt::Key_Q, 0x41, 0x41, false}, // the key's position counts, not the layout's letter
        {KEY_KP7, Qt::Key_7, 0x67, 0x67, false},
    };
    for (const NativeRow& row : rows) {
        SCOPED_TRACE(row.evdev);
        const QKeyEvent press = nativeEvent(QEvent::KeyPress, row.evdev, row.qtKey);
        const std::optional<KeyStroke> stroke = keyStrokeOf(press);
        ASSERT_TRUE(stroke);
        EXPECT_EQ(stroke->virtualKey, row.virtualKey);
        EXPECT_EQ((stroke->keyFlags & KeyFlagExtended) != 0, row.extended);
        EXPECT_EQ(sidedKeyCode(stroke->virtualKey, stroke->keyFlags), row.sided);
        EXPECT_TRUE(stroke->down);
        const QKeyEvent release = nativeEvent(QEvent::KeyRelease, row.evdev, row.qtKey);
        EXPECT_FALSE(keyStrokeOf(release)->down);
    }
}

TEST(KeyCapture, WithoutNativeScanCodeTheQtKeyIsUsed)
{
    struct Row {
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        int virtualKey;
        int sided;
    };
    const Row rows[] = {
        {Qt::Key_Control, {}, 17, 17}, // the side is unknown: left
        {Qt::Key_AltGr, {}, 18, VkRightAlt},
        {Qt::Key_Enter, Qt::KeypadModifier, 13, 13},
        {Qt::Key_Backtab, Qt::ShiftModifier, 9, 9},
        {Qt::Key_F10, {}, 0x79, 0x79},
        {Qt::Key_A, {}, 0x41, 0x41},
        {Qt::Key_5, Qt::KeypadModifier, 0x65, 0x65},
        {Qt::Key_5, {}, 0x35, 0x35},
        {Qt::Key_Slash, Qt::KeypadModifier, 0x6F, 0x6F},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.qtKey);
        const QKeyEvent press(QEvent::KeyPress, row.qtKey, row.modifiers);
        const std::optional<KeyStroke> stroke = keyStrokeOf(press);
        ASSERT_TRUE(stroke);
        EXPECT_EQ(stroke->virtualKey, row.virtualKey);
        EXPECT_EQ(sidedKeyCode(stroke->virtualKey, stroke->keyFlags), row.sided);
    }
    EXPECT_TRUE(
        keyStrokeOf(QKeyEvent(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier))->keyFlags & KeyFlagExtended);
    EXPECT_FALSE(keyStrokeOf(QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, {})));
    EXPECT_FALSE(keyStrokeOf(QKeyEvent(QEvent::ShortcutOverride, Qt::Key_A, {})));
    // A scan code the table does not know falls back to the Qt key.
    const QKeyEvent unknownScan(QEvent::KeyPress, Qt::Key_B, Qt::NoModifier, 0x2F0, 0, 0);
    EXPECT_EQ(keyStrokeOf(unknownScan)->virtualKey, 0x42);
}

TEST(KeyCapture, AutoRepeatAndTimestampAreKept)
{
    QKeyEvent press = nativeEvent(QEvent::KeyPress, KEY_A, Qt::Key_A, true);
    press.setTimestamp(1234);
    const std::optional<KeyStroke> stroke = keyStrokeOf(press);
    ASSERT_TRUE(stroke);
    EXPECT_TRUE(stroke->autoRepeat);
    EXPECT_EQ(stroke->timestampMs, 1234u);
}

namespace {

// A window with an input field and a button, as a capture is used in.
struct CaptureWindow {
    QWidget window;
    QLineEdit* field = new QLineEdit(&window);
    std::vector<KeyStroke> strokes;
    KeyCaptureFilter* filter = new KeyCaptureFilter(&window, [this](const KeyStroke& s) { strokes.push_back(s); });

    CaptureWindow()
    {
        window.resize(200, 100);
        window.show();
        field->setFocus();
    }
    std::vector<int> codes() const
    {
        std::vector<int> result;
        for (const KeyStroke& s : strokes)
            result.push_back(s.down ? s.virtualKey : -s.virtualKey);
        return result;
    }
};

} // namespace

TEST(KeyCaptureFilter, TakesTheKeysQtWouldActOnAndHidesThemFromTheWidget)
{
    CaptureWindow capture;
    for (const int vk : {0x09, 0x12, 0x79, 0x1B, 0x0D, 0x41})
        test::tapKey(&capture.window, vk);
    EXPECT_EQ(capture.codes(), (std::vector<int>{9, -9, 18, -18, 0x79, -0x79, 27, -27, 13, -13, 0x41, -0x41}));
    EXPECT_TRUE(capture.field->text().isEmpty()) << "the field never saw the keys";
    EXPECT_EQ(capture.window.focusWidget(), capture.field) << "Tab did not move the focus";
}

TEST(KeyCaptureFilter, AutoRepeatReleasesAreDroppedAndOffLetsKeysThrough)
{
    CaptureWindow capture;
    test::sendKey(&capture.window, 0x41, true);
    // X11 sends release + press for every repeat.
    test::sendKey(&capture.window, 0x41, false, true);
    test::sendKey(&capture.window, 0x41, true, true);
    test::sendKey(&capture.window, 0x41, false);
    EXPECT_EQ(capture.codes(), (std::vector<int>{0x41, 0x41, -0x41}));
    // Children added later are watched too.
    auto* late = new QLineEdit(&capture.window);
    late->show();
    late->setFocus();
    test::tapKey(&capture.window, 0x42);
    EXPECT_EQ(capture.strokes.size(), 5u);
    EXPECT_TRUE(late->text().isEmpty());
    capture.filter->setEnabled(false);
    test::tapKey(&capture.window, 0x43);
    EXPECT_EQ(capture.strokes.size(), 5u);
    EXPECT_EQ(late->text(), "c");
}

TEST(KeyCaptureFilter, ARepeatPairQtMissedIsJoinedIntoOneRepeatedPress)
{
    CaptureWindow capture;
    test::sendKey(&capture.window, 0x41, true, false, 100);
    // X11's repeat: a release and a press with one timestamp, not marked by Qt.
    test::sendKey(&capture.window, 0x41, false, false, 600);
    test::sendKey(&capture.window, 0x41, true, false, 600);
    ASSERT_EQ(capture.strokes.size(), 2u);
    EXPECT_TRUE(capture.strokes[1].down);
    EXPECT_TRUE(capture.strokes[1].autoRepeat);
    // A real release waits for the next key event or a moment, then goes on with its own time.
    test::sendKey(&capture.window, 0x41, false, false, 700);
    EXPECT_EQ(capture.strokes.size(), 2u);
    EXPECT_TRUE(test::waitFor([&] { return capture.strokes.size() == 3; }));
    EXPECT_EQ(capture.strokes[2].timestampMs, 700u);
    test::sendKey(&capture.window, 0x42, false, false, 800);
    test::sendKey(&capture.window, 0x43, true, false, 800);
    EXPECT_EQ(capture.codes(), (std::vector<int>{0x41, 0x41, -0x41, -0x42, 0x43})) << "order kept";
    // Switching the capture off hands on a held release first.
    test::sendKey(&capture.window, 0x43, false, false, 900);
    capture.filter->setEnabled(false);
    EXPECT_EQ(capture.codes().back(), -0x43);
}

TEST(KeyCaptureFilter, AKeyArrivingAfterAHeldReleaseEndedTheCaptureIsTheWindowsAgain)
{
    // The release that ends a capture is held back for its repeat pair; the next key hands it on, and when the
    // capture ends there, that next key is no part of it: it reaches the window (Enter pressing OK).
    QWidget window;
    auto* field = new QLineEdit(&window);
    auto* next = new QLineEdit(&window);
    window.resize(200, 100);
    window.show();
    field->setFocus();
    std::vector<int> taken;
    KeyCaptureFilter* filter = nullptr;
    filter = new KeyCaptureFilter(&window, [&](const KeyStroke& s) {
        taken.push_back(s.down ? s.virtualKey : -s.virtualKey);
        if (s.down)
            return;
        filter->setEnabled(false); // the capture ends when its key is let go, and the focus moves on
        next->setFocus();
    });
    test::sendKey(&window, 0x41, true, false, 100);
    test::sendKey(&window, 0x41, false, false, 200); // held back
    test::sendKey(&window, 0x42, true, false, 300);
    EXPECT_EQ(taken, (std::vector<int>{0x41, -0x41})) << "B came after the end";
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_EQ(next->text(), "b") << "where the focus is now";
}

TEST(ComboCapture, SidesRepeatsAndTheTwoKeys)
{
    KeyRepeatFilter repeats;
    ComboCapture combo(repeats);
    EXPECT_TRUE(combo.handle(17, 0, KeyStateDown));
    EXPECT_FALSE(combo.handle(17, 0, KeyStateDown)) << "held Ctrl repeats";
    EXPECT_TRUE(combo.handle(0x41, 0, KeyStateDown));
    EXPECT_FALSE(combo.handle(0x41, 0, KeyStateUp));
    EXPECT_TRUE(combo.handle(0x41, 0, KeyStateDown)) << "pressed again after release";
    combo.handle(0x42, 0, KeyStateDown);
    combo.handle(0x43, 0, KeyStateDown);
    combo.handle(17, KeyFlagExtended, KeyStateDown);
    combo.handle(16, KeyFlagScanBit4, KeyStateDown);
    combo.handle(18, KeyFlagExtended, KeyStateDown);
    combo.handle(92, 0, KeyStateDown);
    EXPECT_EQ(combo.modifiers(), 0x01 | 0x10 | 0x20 | 0x40 | 0x80);
    EXPECT_EQ(combo.firstKey(), 0x41);
    EXPECT_EQ(combo.secondKey(), 0x42) << "C found both keys taken";
    EXPECT_EQ(combo.packed(), 0x4241F1u);
}

TEST(ComboCapture, ResetModifiersClearsTheMaskAtEachKeyDown)
{
    KeyRepeatFilter repeats;
    ComboCapture combo(repeats);
    combo.setResetModifiers(true);
    combo.handle(17, 0, KeyStateDown);
    EXPECT_EQ(combo.modifiers(), 0x01);
    combo.handle(0x41, 0, KeyStateDown);
    EXPECT_EQ(combo.modifiers(), 0);
    EXPECT_EQ(combo.firstKey(), 0x41);
    // The remembered event outlives one capture: the same key-down again is a repeat.
    ComboCapture next(repeats);
    EXPECT_FALSE(next.handle(0x41, 0, KeyStateDown));
}
