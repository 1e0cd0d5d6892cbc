#pragma once

namespace kavrel {

// The keys a skinned window swallows so that they neither close it nor press
// a button. Each can be let through where a window gives it a meaning.
struct SwallowedKeys {
    bool escape = true;
    bool space = true;
    bool help = true; // F1 and the Help key
    bool enter = true; // Return and keypad Enter
};

// Whether a Qt key is one of the swallowed keys.
bool isSwallowedKey(int qtKey, SwallowedKeys keys = {});

} // namespace kavrel
