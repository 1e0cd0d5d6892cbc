// kavrel-shot: starts the real main window offscreen and writes what it shows
// to a PNG, outside the window's outline transparent. tools/dev run uses it on
// a machine without a display; it also makes the README's picture.
//
//   kavrel-shot --out FILE.png
#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "ui/CKavrelDlg.h"

#include <QApplication>
#include <QDialog>
#include <QPainter>
#include <QTimer>

#include <cstdio>
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
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--out") == 0)
            out = argv[i + 1];
    if (!out) {
        std::fprintf(stderr, "usage: kavrel-shot --out FILE.png\n");
        return 2;
    }
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
