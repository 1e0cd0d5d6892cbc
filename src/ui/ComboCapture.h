#pragma once

#include <cstdint>
#include <vector>

// The combination capture shared by the key-capture message box and the key
// function picker: key messages (virtual-key code, key flags, down or up) in,
// a modifier mask (bit order of the USB HID modifier byte) and up to two key
// codes out.
namespace kavrel {

// Key codes of the sides of the modifiers.
inline constexpr int VkShift = 16;
inline constexpr int VkControl = 17;
inline constexpr int VkAlt = 18;
inline constexpr int VkLeftWin = 91;
inline constexpr int VkRightWin = 92;
inline constexpr int VkLeftShift = 160;
inline constexpr int VkRightShift = 161;
inline constexpr int VkLeftControl = 162;
inline constexpr int VkRightControl = 163;
inline constexpr int VkLeftAlt = 164;
inline constexpr int VkRightAlt = 165;

// The down/up states a capture compares: key-down 0, key-up 0x80 (also the
// lParam values of message 1034).
inline constexpr int KeyStateDown = 0;
inline constexpr int KeyStateUp = 0x80;

// Right Ctrl and right Alt by the extended-key flag (bit 24) become 163 and
// 165, right Shift by bit 4 of its scan code (bit 20) becomes 161; every
// other code is returned unchanged.
int sidedKeyCode(int virtualKey, std::uint32_t keyFlags);

// The mask bit of a modifier key code (16/160 0x02, 17/162 0x01, 18/164 0x04,
// 91 0x08, 92 0x80, 161 0x20, 163 0x10, 165 0x40); 0 for other codes.
std::uint8_t modifierBitOf(int code);

// Drops an event equal (code and state) to the previous one that reached it.
// The program keeps one for the message box and one for the picker, each for
// its whole run; both are touched by the interface thread only.
class KeyRepeatFilter {
public:
    // True when the event repeats the previous one; the event becomes the
    // previous one either way.
    bool isRepeat(int code, int state);
    void forget() { m_code = -1, m_state = -1; }

private:
    int m_code = -1;
    int m_state = -1;
};

KeyRepeatFilter& messageBoxRepeatFilter();
KeyRepeatFilter& pickerRepeatFilter();

// One capture: grows with every key-down the repeat filter lets through.
// Without the reset flag nothing is ever removed; with it the modifier mask is
// cleared at each key-down before the key is applied (the keys stay).
class ComboCapture {
public:
    explicit ComboCapture(KeyRepeatFilter& repeats);

    void setResetModifiers(bool on) { m_resetModifiers = on; }
    bool resetModifiers() const { return m_resetModifiers; }

    // A key message; state KeyStateDown or KeyStateUp. True when it was a
    // key-down that reached the combination (the display is then redrawn).
    bool handle(int virtualKey, std::uint32_t keyFlags, int state);

    std::uint8_t modifiers() const { return m_modifiers; }
    std::uint8_t firstKey() const { return m_firstKey; }
    std::uint8_t secondKey() const { return m_secondKey; }
    // Byte 0 modifiers, byte 1 first key, byte 2 second key, byte 3 zero.
    std::uint32_t packed() const;

private:
    void apply(int code);

    KeyRepeatFilter& m_repeats;
    bool m_resetModifiers = false;
    std::uint8_t m_modifiers = 0;
    std::uint8_t m_firstKey = 0;
    std::uint8_t m_secondKey = 0;
};

// The moment a typed combination is let go: every key pressed since the watch
// started is up again. This is how a capture ends without taking a key of its
// own (the user holds the keys of the combination, then lets go). Keys held
// before the watch started (the Enter that opened the window) are not waited
// for; auto-repeated presses count once.
class ComboRelease {
public:
    // True for the key-up that releases the last key held.
    bool handle(int virtualKey, std::uint32_t keyFlags, bool down);
    void reset() { m_held.clear(); }

private:
    std::vector<int> m_held;
};

} // namespace kavrel
