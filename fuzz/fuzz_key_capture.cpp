// Key capture's translation of key events, for any native scan code, Qt key,
// modifier state, event type and repeat flag, fed in sequences into the
// combination capture and the macro recorder's key codes. Only key presses
// and releases give strokes; a stroke's code fits the one byte every record
// stores and is never 0; its flags hold only a scan code and the
// extended-key bit; the recorder and the combination capture tell the sides
// of a modifier apart the same way; a captured combination holds modifier
// bits and key codes, never a modifier as a key.

#include "macro/MacroEditing.h"
#include "platform/KeyCodes.h"
#include "ui/ComboCapture.h"
#include "ui/KeyCapture.h"

#include <QInputDevice>
#include <QKeyEvent>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

namespace {

using namespace kavrel;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

constexpr QEvent::Type EventTypes[] = {
    QEvent::KeyPress, QEvent::KeyRelease, QEvent::ShortcutOverride, QEvent::KeyPress, QEvent::KeyRelease, QEvent::None};

// Qt key codes come in two ranges: characters (below 0x01000000) and the
// special keys (0x01000000 and up); take both, and anything else now and then.
int qtKeyOf(std::uint32_t raw)
{
    switch (raw >> 30) {
    case 0:
        return int(raw & 0xFFFF);
    case 1:
    case 2:
        return int(0x01000000u | (raw & 0x1FFF));
    default:
        return int(raw);
    }
}

constexpr std::uint32_t FlagBits = 0xFFu << 16 | KeyFlagExtended;

bool isModifierCode(int code)
{
    return modifierBitOf(code) != 0;
}

// The events' keyboard, made once (Qt's default one would be made lazily by
// the first event, which the leak check of that run would take for a leak).
const QInputDevice* keyboard()
{
    static const QInputDevice device("fuzz keyboard", 1, QInputDevice::DeviceType::Keyboard, QString(), nullptr);
    return &device;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    (void)keyboard();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t EventBytes = 14;
    KeyRepeatFilter repeats;
    ComboCapture combo(repeats);
    combo.setResetModifiers(size % 2 == 1);
    std::uint8_t heldModifiers = 0;
    for (std::size_t offset = 0; offset + EventBytes <= size; offset += EventBytes) {
        const std::uint8_t* e = data + offset;
        std::uint32_t scanCode = 0;
        std::uint32_t rawKey = 0;
        std::uint32_t modifiers = 0;
        std::memcpy(&scanCode, e, 4);
        std::memcpy(&rawKey, e + 4, 4);
        std::memcpy(&modifiers, e + 8, 4);
        const QEvent::Type type = EventTypes[e[12] % std::size(EventTypes)];
        const bool autoRepeat = e[13] & 1;
        // Mostly plausible scan codes (evdev + 8), sometimes any 32-bit value.
        if (!(e[13] & 2))
            scanCode &= 0x2FF;
        const QKeyEvent event(type, qtKeyOf(rawKey), Qt::KeyboardModifiers(modifiers & 0xFF000000u), scanCode, 0,
            modifiers & 0xFFFF, QString(), autoRepeat, 1, keyboard());

        const std::optional<KeyStroke> stroke = keyStrokeOf(event);
        if (type != QEvent::KeyPress && type != QEvent::KeyRelease) {
            require(!stroke);
            continue;
        }
        if (!stroke)
            continue;
        require(stroke->virtualKey > 0 && stroke->virtualKey < 256);
        require((stroke->keyFlags & ~FlagBits) == 0);
        require(stroke->down == (type == QEvent::KeyPress));
        require(stroke->autoRepeat == autoRepeat);

        // A scan code the table knows decides the key, whatever Qt's key says.
        if (scanCode > 8)
            if (const platform::KeyCodeEntry* entry = platform::keyOfEvdev(int(scanCode - 8)))
                require(stroke->virtualKey == platform::messageVirtualKey(*entry)
                    && stroke->keyFlags == platform::keyMessageFlags(*entry));

        // The recorder and the combination capture give a side the same code;
        // the side-specific modifiers keep their side.
        const int sided = sidedKeyCode(stroke->virtualKey, stroke->keyFlags);
        require(sided == recordedKeyCode(stroke->virtualKey, stroke->keyFlags));
        require(sided > 0 && sided < 256);

        combo.handle(stroke->virtualKey, stroke->keyFlags, stroke->down ? KeyStateDown : KeyStateUp);
        if (stroke->down)
            heldModifiers |= modifierBitOf(sided);
        require(!isModifierCode(combo.firstKey()) && !isModifierCode(combo.secondKey()));
        require(combo.secondKey() == 0 || combo.firstKey() != 0);
        require(combo.secondKey() == 0 || combo.secondKey() != combo.firstKey());
        require((combo.modifiers() & ~heldModifiers) == 0);
        require((combo.packed() & 0xFF000000u) == 0);

        const std::optional<int> row = capturedRowCode(combo.firstKey(), combo.modifiers());
        require(row.has_value() == (combo.firstKey() != 0 || combo.modifiers() != 0));
        if (row)
            require(*row > 0 && *row < 256);
    }
    return 0;
}
