// Sliders (5 and 6 stops, one with the debug frame and tick lines) and the
// tree list (groups three deep, icons, a selected row, a long name).
#include "Helpers.h"
#include "Sections.h"

#include "app/Config.h"
#include "app/Paths.h"
#include "controls/CPngSliderBar.h"
#include "controls/CTreeCtrlEx.h"
#include "controls/SkinImage.h"
#include "controls/SkinText.h"

#include <QStandardItem>

namespace kavrel::gallery {

namespace {

const QColor Muted(0x8A, 0x93, 0xA3);

CPngSliderBar* slider(SkinSurface& surface, QPoint at, int stops, int value, bool frame)
{
    auto* track = new CPngSliderBar;
    const QRect rect(at, QSize(Cfg.BarW, Cfg.BarH));
    if (!create_slider_bar(
            *track, &surface, &surface.picture(), load_skin_image("slider.png"), stops, 1, {}, rect, rect)) {
        delete track;
        return nullptr;
    }
    track->thumb().SetScalePos(stops);
    set_slider_value(track->thumb(), value, false);
    track->setFrameFlag(frame);
    return track;
}

void addSliders(SkinSurface& surface)
{
    const QFont font = galleryFont(12);
    struct Row {
        int stops;
        int value;
        bool frame;
        const char* label;
    };
    const Row rows[] = {{5, 3, false, "5 stops, at 3"}, {6, 6, false, "6 stops, at 6"},
        {5, 1, true, "5 stops, UIDebug: frame and ticks"}, {6, 2, true, "6 stops with UIDebug"}};
    int y = 40;
    for (const Row& row : rows) {
        surface.addText(QRect(24, y - 22, 300, 18), row.label, Muted, font, StandardTextFormat);
        slider(surface, QPoint(24, y), row.stops, row.value, row.frame);
        y += 64;
    }
}

// Applies the colours the macro page gives its lists.
void listColours(CTreeCtrlEx& tree)
{
    tree.setTextColors(Cfg.LstBox_txt_clr_nr, Cfg.LstBox_txt_clr_dn);
    tree.setSelectedColor(argbOfColorRef(Cfg.LstBox_item_clr, 200));
    tree.setBackgroundColor(argbOfColorRef(Cfg.LstBox_bkg_clr, 200));
}

} // namespace

CTreeCtrlEx* macroLibraryTree(QWidget* parent, const QRect& rect)
{
    auto* tree = new CTreeCtrlEx;
    const QString skins = QString::fromStdString(SkinsFolder());
    tree->Create(parent, 261, rect, nullptr, skins + "open.png", skins + "close.png");
    listColours(*tree);
    TreeItem games = tree->AddItem(tree->RootItem(), false, true, {}, "Games", 0, 0, 5);
    TreeItem shooters = tree->AddItem(games, false, true, {}, "Shooters", 0, 0, 5);
    TreeItem arena = tree->AddItem(shooters, false, true, {}, "Arena", 0, 0, 5);
    tree->AddItem(arena, false, false, {}, "Rocket jump", 1, 0, 5);
    tree->AddItem(arena, true, false, {}, "Weapon cycle", 2, 0, 5);
    tree->AddItem(shooters, false, false, {}, "Crouch spam", 3, 0, 5);
    tree->AddItem(games, false, true, {}, "Strategy", 0, 0, 5);
    tree->AddItem(tree->RootItem(), false, false, {}, "Signature with a very long name", 4, 0, 5);
    tree->AddItem(tree->RootItem(), false, false, {}, "Copy and paste", 5, 0, 5);
    for (TreeItem group : {games, shooters, arena})
        if (!tree->isExpanded(group->index()))
            tree->ToggleExpand(group);
    return tree;
}

CTreeCtrlEx* keyListTree(QWidget* parent, const QRect& rect)
{
    auto* tree = new CTreeCtrlEx;
    tree->Create(parent, 262, rect, nullptr, {}, {});
    listColours(*tree);
    const QImage down = load_skin_image("DN_N.png");
    const QImage up = load_skin_image("UP_N.png");
    const QImage pause = load_skin_image("TM_N.png");
    const struct {
        const QImage& icon;
        const char* text;
    } rows[] = {{down, "L-Ctrl"}, {down, "C"}, {pause, "35 ms"}, {up, "C"}, {up, "L-Ctrl"}, {pause, "120 ms"},
        {down, "L-Ctrl"}, {down, "V"}, {up, "V"}, {up, "L-Ctrl"}};
    TreeItem selected = nullptr;
    for (const auto& row : rows) {
        TreeItem item = tree->AppendItem(row.text, row.icon, 0, 0);
        if (!selected && QString(row.text) == "35 ms")
            selected = item;
    }
    tree->selectItem(selected);
    return tree;
}

void addSlidersAndTree(GalleryCanvas& canvas)
{
    const int top = canvas.beginSection("Sliders and tree list",
        "create_slider_bar over the owner's picture with dpi_bar.png and slider.png; "
        "CTreeCtrlEx with groups three deep, icons, a selected row and a long name");
    auto* surface = new SkinSurface(
        &canvas, plainPicture(QSize(560, 300), QColor(0x17, 0x1A, 0x20)), QPoint(GalleryCanvas::Margin, top));
    addSliders(*surface);
    macroLibraryTree(surface, QRect(260, 20, 170, 260));
    keyListTree(surface, QRect(440, 20, 100, 260));
    canvas.endSection(surface->geometry().bottom());
}

} // namespace kavrel::gallery
