// kavrel-shot: starts the real main window offscreen and writes what it shows
// to a PNG, outside the window's outline transparent. tools/dev run uses it on
// a machine without a display; it also makes the README's picture.
//
//   kavrel-shot --out FILE.png [--scale N]
//
// --scale renders the window as a screen scaled to N (2 = 200 %) shows it: a
// picture N times the window's size, drawn from the skin's @2x pictures.
#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "ui/CKavrelDlg.h"

#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A box at start-up would wait for a person who is not there: it is closed, and the run fails.
void closeBoxesWhileStarting(bool& boxShown)
{
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, [&boxShown] {
        if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "kavrel-shot: the window showed a message box (%s); closed it\n",
                qPrintable(box->windowTitle()));
            boxShown = true;
            box->reject();
        }
    });
    timer->start(50);
}

QImage shapedPicture(QWidget& window)
{
    const QImage whole = window.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (window.mask().isEmpty())
        return whole;
    QImage shaped(whole.size(), QImage::Format_ARGB32_Premultiplied);
    shaped.setDevicePixelRatio(whole.devicePixelRatio());
    shaped.fill(Qt::transparent);
    QPainter painter(&shaped);
    painter.setClipRegion(window.mask());
    painter.drawImage(0, 0, whole);
    return shaped;
}

} // namespace

int main(int argc, char* argv[])
{
    const char* out = nullptr;
    const char* scale = nullptr;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
        else if (std::strcmp(argv[i], "--scale") == 0)
            scale = argv[i + 1];
    }
    char* end = nullptr;
    const double factor = scale ? std::strtod(scale, &end) : 1.0;
    if (!out || (scale && (*end != '\0' || !(factor >= 1.0 && factor <= 4.0)))) {
        std::fprintf(stderr, "usage: kavrel-shot --out FILE.png [--scale 1..4]\n");
        return 2;
    }
    if (scale)
        qputenv("QT_SCALE_FACTOR", scale);
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    kavrel::LoadTexts(kavrel::TextFilePath());
    kavrel::LoadConfig();
    kavrel::MakeAppDataFolder();
    bool boxShown = false;
    closeBoxesWhileStarting(boxShown);
    kavrel::CKavrelDlg window;
    if (!window.initialise() || !window.isVisible()) {
        std::fprintf(stderr, "kavrel-shot: the main window did not open\n");
        return 1;
    }
    QCoreApplication::processEvents();
    if (!shapedPicture(window).save(QString::fromLocal8Bit(out), "PNG")) {
        std::fprintf(stderr, "kavrel-shot: cannot write %s\n", out);
        return 1;
    }
    std::fprintf(stderr, "kavrel-shot: wrote %s\n", out);
    return boxShown ? 1 : 0;
}
