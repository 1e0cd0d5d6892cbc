#pragma once

namespace kavrel::platform {

// Keeps the program from starting a D-Bus session bus of its own. When the environment names no
// session bus and none listens at its usual place ($XDG_RUNTIME_DIR/bus), libdbus would fork
// dbus-launch at the first D-Bus use (tray, accessibility) and leave a bus behind that no tray host
// or screen reader is on. Then the address is set to one that fails at once, so those uses fall
// back as they do without a bus. Call before the QApplication exists. True when it did so.
bool disableSessionBusAutolaunch();

} // namespace kavrel::platform
