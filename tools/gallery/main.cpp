// kavrel-gallery: renders the skinned controls in their states onto one
// picture with the default skin, offscreen. Run by the build:
//
//   kavrel-gallery --program-dir BIN --cfg MODEL/cfg.ini --out gallery.png
//
// Exit 0 when the picture was written, 1 otherwise, 2 on a usage error.
#include "GalleryCanvas.h"
#include "Sections.h"

#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/SkinMenu.h"

#include <QApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    using namespace kavrel;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QString programDir, cfg, out;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--program-dir")
            programDir = args[i + 1];
        else if (args[i] == "--cfg")
            cfg = args[i + 1];
        else if (args[i] == "--out")
            out = args[i + 1];
    }
    if (programDir.isEmpty() || cfg.isEmpty() || out.isEmpty()) {
        std::fprintf(stderr, "usage: kavrel-gallery --program-dir DIR --cfg CFG --out PNG\n");
        return 2;
    }
    SetProgramFolder(programDir.toStdString());
    LoadTexts(TextFilePath());
    QFile file(cfg);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kavrel-gallery: cannot read %s\n", qPrintable(cfg));
        return 1;
    }
    const QByteArray text = file.readAll();
    LoadConfigText(std::string_view(text.constData(), std::size_t(text.size())));
    load_menu_library();

    gallery::GalleryCanvas canvas;
    gallery::addMainWindow(canvas);
    gallery::addButtonStates(canvas);
    gallery::addSlidersAndTree(canvas);
    gallery::addMenus(canvas);
    gallery::addMessageDialogs(canvas);
    gallery::addKeyFunctionPicker(canvas);
    gallery::addMacroPage(canvas);
    if (!canvas.render().save(out)) {
        std::fprintf(stderr, "kavrel-gallery: could not write %s\n", qPrintable(out));
        return 1;
    }
    return 0;
}
