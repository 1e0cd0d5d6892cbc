#include "ui/ComboCapture.h"

#include "ui/KeyCapture.h"

#include <algorithm>

namespace kavrel {

int sidedKeyCode(int virtualKey, std::uint32_t keyFlags)
{
    if (virtualKey == VkControl && (keyFlags & KeyFlagExtended))
        return VkRightControl;
    if (virtualKey == VkAlt && (keyFlags & KeyFlagExtended))
        return VkRightAlt;
    if (virtualKey == VkShift && (keyFlags & KeyFlagScanBit4))
        return VkRightShift;
    return virtualKey;
}

std::uint8_t modifierBitOf(int code)
{
    switch (code) {
    case VkShift:
    case VkLeftShift:
        return 0x02;
    case VkControl:
    case VkLeftControl:
        return 0x01;
    case VkAlt:
    case VkLeftAlt:
        return 0x04;
    case VkLeftWin:
        return 0x08;
    case VkRightWin:
        return 0x80;
    case VkRightShift:
        return 0x20;
    case VkRightControl:
        return 0x10;
    case VkRightAlt:
        return 0x40;
    default:
        return 0;
    }
}

bool KeyRepeatFilter::isRepeat(int code, int state)
{
    const bool repeat = code == m_code && state == m_state;
    m_code = code;
    m_state = state;
    return repeat;
}

KeyRepeatFilter& messageBoxRepeatFilter()
{
    static KeyRepeatFilter filter;
    return filter;
}

KeyRepeatFilter& pickerRepeatFilter()
{
    static KeyRepeatFilter filter;
    return filter;
}

ComboCapture::ComboCapture(KeyRepeatFilter& repeats)
    : m_repeats(repeats)
{
}

bool ComboCapture::handle(int virtualKey, std::uint32_t keyFlags, int state)
{
    const int code = sidedKeyCode(virtualKey, keyFlags);
    if (m_repeats.isRepeat(code, state) || state != KeyStateDown)
        return false;
    if (m_resetModifiers)
        m_modifiers = 0;
    apply(code);
    return true;
}

void ComboCapture::apply(int code)
{
    if (const std::uint8_t bit = modifierBitOf(code)) {
        m_modifiers |= bit;
        return;
    }
    // Key codes are one byte wherever they are stored.
    const auto key = std::uint8_t(code);
    if (m_firstKey == 0 || m_firstKey == key)
        m_firstKey = key;
    else if (m_secondKey == 0)
        m_secondKey = key;
}

std::uint32_t ComboCapture::packed() const
{
    return std::uint32_t(m_modifiers) | (std::uint32_t(m_firstKey) << 8) | (std::uint32_t(m_secondKey) << 16);
}

bool ComboRelease::handle(int virtualKey, std::uint32_t keyFlags, bool down)
{
    const int code = sidedKeyCode(virtualKey, keyFlags);
    const auto found = std::find(m_held.begin(), m_held.end(), code);
    if (down) {
        if (found == m_held.end())
            m_held.push_back(code);
        return false;
    }
    if (found == m_held.end())
        return false;
    m_held.erase(found);
    return m_held.empty();
}

} // namespace kavrel
