#include "SkinWriter.h"

#include "FastPng.h"
#include "KeyboardPicture.h"
#include "Pictures.h"
#include "Shapes.h"
#include "SkinSizes.h"

#include "app/Config.h"

#include <QDir>
#include <QFile>
#include <QPainter>

namespace kavrel::skin {

namespace {

QRect rectOf(const Rect& rect)
{
    return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
}

QPoint pointOf(const Point& point)
{
    return QPoint(point.x, point.y);
}

} // namespace

bool hasDoubleDensityVersion(const QString& fileName)
{
    // The outline is read in window pixels at every density; the menu bitmaps are read by path, at 1x.
    return fileName.endsWith(".png") && fileName != "main_mask.png";
}

QString doubleDensityName(const QString& fileName)
{
    const qsizetype dot = fileName.lastIndexOf('.');
    return dot < 0 ? fileName + "@2x" : fileName.left(dot) + "@2x" + fileName.mid(dot);
}

SkinLayout layoutFromConfig()
{
    SkinLayout layout;
    layout.window = MainWindowSize;
    layout.keyboard = rectOf(Cfg.rcKB);
    layout.lighting = rectOf(Cfg.rcLED);
    layout.profile = pointOf(Cfg.ptProfile);
    layout.macro = pointOf(Cfg.ptMacro);
    layout.minimise = pointOf(Cfg.ptMin);
    layout.exit = pointOf(Cfg.ptExit);
    layout.apply = pointOf(Cfg.ptApplyBtn);
    layout.macroList = rectOf(Cfg.rcMacroList);
    layout.keyList = rectOf(Cfg.rcKeyList);
    layout.macroX = Cfg.Macro_Opt_X;
    return layout;
}

std::vector<SkinPicture> skinPictures(const SkinLayout& layout)
{
    using S = ToggleState;
    return {
        {"main_nr.png", [layout] { return mainBackground(layout); }},
        {"main_mask.png", [layout] { return mainMask(layout); }},
        {"min_nr.png", [] { return captionButton(true, false); }},
        {"min_ov.png", [] { return captionButton(true, true); }},
        {"exit_nr.png", [] { return captionButton(false, false); }},
        {"exit_ov.png", [] { return captionButton(false, true); }},
        {"button_nr.png", [] { return profileButton(false); }},
        {"button_dn.png", [] { return profileButton(true); }},
        {"btn_nr.png", [] { return textButton(false); }},
        {"btn_ov.png", [] { return textButton(true); }},
        {"btn2_nr.png", [] { return pageButton(); }},
        {"combo_nr.png", [] { return comboField(false); }},
        {"combo_ov.png", [] { return comboField(true); }},
        {"pickfundlg.png", [] { return pickerBackground(); }},
        {"open.png", [] { return folderIcon(true); }},
        {"close.png", [] { return folderIcon(false); }},
        {"keyimg.png", [] { return keyboardPicture(); }},
        {"slider.png", [] { return sliderThumb(); }},
        {"dpi_bar.png", [] { return sliderBar(); }},
        {"check_nr.png", [] { return checkBox(S::Normal); }},
        {"check_ov.png", [] { return checkBox(S::Over); }},
        {"check_dn.png", [] { return checkBox(S::Down); }},
        {"radio_nr.png", [] { return radioButton(S::Normal); }},
        {"radio_ov.png", [] { return radioButton(S::Over); }},
        {"radio_dn.png", [] { return radioButton(S::Down); }},
        {"macro_nr.png", [layout] { return macroBackground(layout); }},
        {"recbtn_nr.png", [] { return recordButton(false); }},
        {"recbtn_dn.png", [] { return recordButton(true); }},
        {"UP_N.png", [] { return listIcon(ListIcon::Release); }},
        {"DN_N.png", [] { return listIcon(ListIcon::Press); }},
        {"TM_N.png", [] { return listIcon(ListIcon::Pause); }},
        {"msg_nr.png", [] { return messageBackground(); }},
        {"msgico.png", [] { return messageIcon(); }},
        {"progress_nr.png", [] { return progressPicture(false); }},
        {"progress_ov.png", [] { return progressPicture(true); }},
        {"menu_nr.bmp", [] { return menuRow(false, false); }},
        {"menu_ov.bmp", [] { return menuRow(false, true); }},
        {"menusub_nr.bmp", [] { return menuRow(true, false); }},
        {"menusub_ov.bmp", [] { return menuRow(true, true); }},
    };
}

QImage applicationIcon(int size)
{
    QImage image = newPicture(size, size);
    QPainter painter(&image);
    const qreal inset = size / 16.0;
    brandMark(painter, QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
    return image;
}

QByteArray applicationIconSvg(int size)
{
    const qreal inset = size / 16.0;
    const BrandMarkShape shape = brandMarkShape(QRectF(inset, inset, size - 2 * inset, size - 2 * inset));
    const auto number = [](qreal value) { return QString::number(value, 'g', 6); };
    const auto rect = [&](const QRectF& r, qreal radius, const QString& paint) {
        return QString("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"%5\" %6/>\n")
            .arg(number(r.x()), number(r.y()), number(r.width()), number(r.height()), number(radius), paint);
    };
    QString svg
        = QString("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n")
              .arg(size);
    svg += QString("  <defs>\n    <linearGradient id=\"body\" gradientUnits=\"userSpaceOnUse\" x1=\"%1\" y1=\"%2\" "
                   "x2=\"%3\" y2=\"%4\">\n"
                   "      <stop offset=\"0\" stop-color=\"%5\"/>\n      <stop offset=\"1\" stop-color=\"%6\"/>\n"
                   "    </linearGradient>\n  </defs>\n")
               .arg(number(shape.body.left()), number(shape.body.top()), number(shape.body.right()),
                   number(shape.body.bottom()), shape.gradientStart.name(), shape.gradientEnd.name());
    svg += rect(shape.body, shape.bodyRadius, "fill=\"url(#body)\"");
    svg += rect(shape.face, shape.faceRadius,
        QString("fill=\"%1\" fill-opacity=\"%2\"").arg(shape.faceColor.name(), number(shape.faceColor.alphaF())));
    svg += "</svg>\n";
    return svg.toUtf8();
}

QStringList writeDesktopIcons(const QString& iconsFolder, const QString& name)
{
    QStringList failed;
    const QDir icons(iconsFolder);
    for (int size : DesktopIconSizes) {
        const QString folder = icons.filePath(QString("hicolor/%1x%1/apps").arg(size));
        const QString path = QDir(folder).filePath(name + ".png");
        if (!QDir().mkpath(folder) || !applicationIcon(size).save(path))
            failed << path;
    }
    const QString scalable = icons.filePath("hicolor/scalable/apps");
    QFile svg(QDir(scalable).filePath(name + ".svg"));
    if (!QDir().mkpath(scalable) || !svg.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || svg.write(applicationIconSvg(DesktopIconSvgSize)) < 0 || !svg.flush())
        failed << svg.fileName();
    return failed;
}

QStringList writeSkin(const QString& folder, const SkinLayout& layout)
{
    QStringList failed;
    if (!QDir().mkpath(folder))
        return {folder};
    for (const SkinPicture& picture : skinPictures(layout)) {
        const QString path = QDir(folder).filePath(picture.fileName);
        const QImage drawn = picture.draw();
        const bool written = picture.fileName.endsWith(".png") ? writeFastPng(drawn, path) : drawn.save(path);
        if (!written)
            failed << path;
        if (!hasDoubleDensityVersion(picture.fileName))
            continue;
        setPictureScale(2);
        const QString doublePath = QDir(folder).filePath(doubleDensityName(picture.fileName));
        if (!writeFastPng(picture.draw(), doublePath))
            failed << doublePath;
        setPictureScale(1);
    }
    return failed;
}

} // namespace kavrel::skin
