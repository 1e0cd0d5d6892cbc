#pragma once

// What screen readers learn about the skinned controls: each control's role
// (button, check box, radio button, drop-down, slider), its name (its text,
// else the accessible name or tool tip its owner gave it), its state (checked,
// pressed, focused) and, for sliders, its value. Qt asks the factory installed
// here for every skinned control it meets.
namespace kavrel {

// Installs the factory once; later calls do nothing.
void installSkinAccessibility();

} // namespace kavrel
