// kavrel-key-probe: a dialog with an input field under key capture, for the
// X server test. It prints "ready <window id>" once shown, then one line per
// captured key, "<down> <virtual key> <sided key> <extended>", and ends after
// the release of A ("done") or when the dialog closes ("closed": a key got
// past the capture). Ends with 2 after 30 seconds without A.
#include "ui/ComboCapture.h"
#include "ui/KeyCapture.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace kavrel;
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle("kavrel-key-probe");
    dialog.resize(300, 80);
    auto* field = new QLineEdit(&dialog);
    field->setGeometry(10, 10, 280, 24);
    new KeyCaptureFilter(&dialog, [&](const KeyStroke& stroke) {
        std::printf("%d %d %d %d%s\n", stroke.down ? 1 : 0, stroke.virtualKey,
            sidedKeyCode(stroke.virtualKey, stroke.keyFlags), (stroke.keyFlags & KeyFlagExtended) ? 1 : 0,
            stroke.autoRepeat ? " repeat" : "");
        std::fflush(stdout);
        if (!stroke.down && stroke.virtualKey == 0x41) {
            std::printf("done\n");
            app.exit(0);
        }
    });
    QObject::connect(&dialog, &QDialog::finished, [&] {
        std::printf("closed\n");
        app.exit(1);
    });
    dialog.show();
    field->setFocus();
    QTimer::singleShot(0, [&] {
        std::printf("ready %llu\n", static_cast<unsigned long long>(dialog.winId()));
        std::fflush(stdout);
    });
    QTimer::singleShot(30000, [&] { app.exit(2); });
    return app.exec();
}
