#pragma once

// The keyboard view as screen readers see it: a list whose children are the
// keys, each named by the key and its current function ("A: Ctrl + B"),
// placed where the key is drawn, focused when the view's keyboard focus is on
// it, and pressed like a click on the key.
namespace kavrel {

// Installs the factory once; later calls do nothing.
void installKeyboardViewAccessibility();

} // namespace kavrel
