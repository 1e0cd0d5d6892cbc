// kavrel-skin: draws the default skin. Run by the build:
//
//   kavrel-skin --cfg MODEL/cfg.ini --skins BIN/skins [--icon BIN/appico.ico]
//               [--desktop-icons ICONS NAME] [--keyimg OTHER/cfg.ini OUT.png]...
//
// --cfg gives the model whose layout the window backgrounds fit and whose
// key table keyimg.png shows; each --keyimg draws the keyboard picture of
// another model; --desktop-icons writes the installed program's icons into
// ICONS/hicolor/ as NAME.png and NAME.svg. Exit 0 when every file was
// written, 1 otherwise, 2 on a usage error.
#include "FastPng.h"
#include "KeyboardPicture.h"
#include "Shapes.h"
#include "SkinSizes.h"
#include "SkinWriter.h"

#include "app/Config.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <utility>
#include <vector>

namespace {

using namespace kavrel;

struct Options {
    QString cfg;
    QString skins;
    QString icon;
    QString desktopIcons;
    QString desktopIconName;
    std::vector<std::pair<QString, QString>> pictures;
};

bool loadModel(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "kavrel-skin: cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray text = file.readAll();
    LoadConfigText(std::string_view(text.constData(), std::size_t(text.size())));
    return true;
}

bool parse(const QStringList& args, Options& options)
{
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--cfg" && hasValue)
            options.cfg = args[++i];
        else if (arg == "--skins" && hasValue)
            options.skins = args[++i];
        else if (arg == "--icon" && hasValue)
            options.icon = args[++i];
        else if (arg == "--desktop-icons" && i + 2 < args.size()) {
            options.desktopIcons = args[i + 1];
            options.desktopIconName = args[i + 2];
            i += 2;
        } else if (arg == "--keyimg" && i + 2 < args.size()) {
            options.pictures.emplace_back(args[i + 1], args[i + 2]);
            i += 2;
        } else
            return false;
    }
    return !options.cfg.isEmpty() && !options.skins.isEmpty();
}

bool writeIcon(const QString& path)
{
    QImageWriter writer(path, "ico");
    return writer.write(skin::applicationIcon(skin::IconSize));
}

bool writePicture(const QString& cfg, const QString& out)
{
    if (!loadModel(cfg))
        return false;
    QDir().mkpath(QFileInfo(out).absolutePath());
    if (!skin::writeFastPng(skin::keyboardPicture(), out))
        return false;
    skin::setPictureScale(2);
    const bool written = skin::writeFastPng(skin::keyboardPicture(), skin::doubleDensityName(out));
    skin::setPictureScale(1);
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Options options;
    if (!parse(app.arguments(), options)) {
        std::fprintf(stderr,
            "usage: kavrel-skin --cfg CFG --skins DIR [--icon FILE] [--desktop-icons DIR NAME] "
            "[--keyimg CFG OUT]...\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    if (!loadModel(options.cfg))
        return 1;
    QStringList failed = skin::writeSkin(options.skins, skin::layoutFromConfig());
    if (!options.icon.isEmpty() && !writeIcon(options.icon))
        failed << options.icon;
    if (!options.desktopIcons.isEmpty())
        failed << skin::writeDesktopIcons(options.desktopIcons, options.desktopIconName);
    for (const auto& [cfg, out] : options.pictures) {
        if (!writePicture(cfg, out))
            failed << out;
    }
    for (const QString& path : failed)
        std::fprintf(stderr, "kavrel-skin: could not write %s\n", qPrintable(path));
    std::printf("kavrel-skin: skin drawn in %lld ms\n", static_cast<long long>(timer.elapsed()));
    return failed.isEmpty() ? 0 : 1;
}
