// kavrel: the window program. It reads no command line, except that --version
// and --help answer without starting (packaging and manual pages rely on them).
#include "controls/SkinImage.h"
#include "platform/SessionBus.h"
#include "ui/CKavrelApp.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("kavrel %s\n", KAVREL_VERSION);
        return 0;
    }
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("usage: kavrel [--help | --version]\n"
                    "Starts the keyboard configuration window (or opens the one already running).\n");
        return 0;
    }
    kavrel::platform::disableSessionBusAutolaunch();
    QApplication application(argc, argv);
    // The main window's largest pictures (its background, its outline, the keyboard) decode on the
    // second core while the program reads its texts and settings and builds the window. Not before the
    // QApplication: its construction, busy with the display server too, would slow by more than that gains.
    const kavrel::SkinImagePreload preload({"main_nr.png", "main_mask.png", "keyimg.png"});
    // Wayland compositors match the window to the menu entry by this name.
    QGuiApplication::setDesktopFileName(KAVREL_APP_ID);
    kavrel::CKavrelApp kavrel;
    kavrel.InitInstance();
    return kavrel.ExitInstance();
}
