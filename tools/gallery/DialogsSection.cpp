// The dialog backgrounds with their image buttons at the positions the
// window uses: the macro page. The key function picker has a section of its own.
#include "Helpers.h"
#include "Sections.h"

#include "app/Config.h"
#include "controls/CComboBtn.h"
#include "controls/SkinImage.h"
#include "controls/SkinText.h"

namespace kavrel::gallery {

namespace {

const ButtonFiles CloseFiles{"exit_nr.png", "exit_ov.png", "exit_ov.png"};

SkinSurface* macroPage(GalleryCanvas& canvas, QPoint at)
{
    auto* dialog = new SkinSurface(&canvas, load_skin_image("macro_nr.png"), at);
    const int a = Cfg.Macro_Opt_X;
    const QRect list(QPoint(Cfg.rcMacroList.left, Cfg.rcMacroList.top),
        QPoint(Cfg.rcMacroList.right - 1, Cfg.rcMacroList.bottom - 1));
    const QRect keys(
        QPoint(Cfg.rcKeyList.left, Cfg.rcKeyList.top), QPoint(Cfg.rcKeyList.right - 1, Cfg.rcKeyList.bottom - 1));
    skinButton(*dialog, QPoint(dialog->width() - 36, 10), CloseFiles, 0);
    macroLibraryTree(dialog, list);
    keyListTree(dialog, keys);
    if (CPngBtn* record = skinButton(*dialog, QPoint(a, 74), {"recbtn_nr.png", "recbtn_nr.png", "recbtn_dn.png"}, 1))
        record->set_text("Start recording", 30);
    const ButtonFiles check{"check_nr.png", "check_ov.png", "check_dn.png"};
    const ButtonFiles radio{"radio_nr.png", "radio_ov.png", "radio_dn.png"};
    if (CPngBtn* delay = skinButton(*dialog, QPoint(a, 129), check, 1))
        delay->set_checked(1);
    if (CPngBtn* held = skinButton(*dialog, QPoint(a, 156), radio, 1))
        held->set_checked(1);
    skinButton(*dialog, QPoint(a, 184), radio, 1);
    if (auto* insert
        = skinButton<CComboBtn>(*dialog, QPoint(a, 269), {"combo_nr.png", "combo_ov.png", "combo_nr.png"}, 1))
        insert->set_text("Insert...", 10);
    if (CPngBtn* save = skinButton(*dialog, QPoint(a + 80, 309), {"btn_ov.png", "btn_nr.png", "btn_nr.png"}, 0, "Save"))
        save->setTextColors(Cfg.LstBox_item_clr, Cfg.LstBox_item_clr, Cfg.LstBox_item_clr);
    const QColor text = colorOf(Cfg.Txt_clr);
    const QFont font = shellDlgFont(14);
    const unsigned format = TextWordBreak | TextVCenter | TextEndEllipsis;
    dialog->addText(QRect(list.left() + 2, list.top() - 20, 138, 20), "Macros", text, font, format);
    dialog->addText(QRect(keys.left() + 2, keys.top() - 20, 138, 20), "Keys", text, font, format);
    dialog->addText(
        QRect(list.left(), list.bottom() + 11, 400, 20), "Right-click the lists to add or edit.", text, font, format);
    dialog->addText(QRect(a, 249, 200, 20), "Insert into the macro", text, font, format);
    dialog->addText(QRect(a + 27, 129, 200, 18), "Record the delays", text, font, format);
    dialog->addText(QRect(a + 25, 156, 200, 18), "Repeat while held", text, font, format);
    dialog->addText(QRect(a + 25, 184, 200, 18), "Repeat a number of times", text, font, format);
    return dialog;
}

} // namespace

void addDialogs(GalleryCanvas& canvas)
{
    const int top = canvas.beginSection("Dialogs", "macro_nr.png");
    SkinSurface* page = macroPage(canvas, QPoint(GalleryCanvas::Margin, top));
    canvas.endSection(page->geometry().bottom());
}

} // namespace kavrel::gallery
