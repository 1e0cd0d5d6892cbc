// The dialog backgrounds with their image buttons at the positions the
// windows use: key function picker, macro page.
#include "Helpers.h"
#include "Sections.h"

#include "app/Config.h"
#include "controls/CComboBtn.h"
#include "controls/SkinImage.h"
#include "controls/SkinText.h"

namespace kavrel::gallery {

namespace {

const ButtonFiles CloseFiles{"exit_nr.png", "exit_ov.png", "exit_ov.png"};
const ButtonFiles TextFiles{"btn_nr.png", "btn_ov.png", "btn_nr.png"};
const QColor DialogText(0xC8, 0xC8, 0xC8);

SkinSurface* picker(GalleryCanvas& canvas, QPoint at)
{
    auto* dialog = new SkinSurface(&canvas, load_skin_image("pickfundlg.png"), at);
    const QImage& background = dialog->picture();
    const QRect cancel(QPoint(429, 11), QPoint(472, 29));
    const QRect reset(QPoint(479, 5), QPoint(517, 34));
    create_cut_button(dialog, &cancel, background, background, background);
    create_cut_button(dialog, &reset, background, background, background);
    const ButtonFiles page{"btn2_nr.png", "btn2_nr.png", "btn2_nr.png"};
    const char* pages[] = {"Key combination", "Macro", "Media key"};
    for (int i = 0; i < 3; ++i) {
        CPngBtn* button = skinButton(*dialog, QPoint(27, 90 + 64 * i), page, 1, pages[i]);
        if (button && i == 2)
            button->set_checked(1);
    }
    if (auto* media
        = skinButton<CComboBtn>(*dialog, QPoint(245, 144), {"combo_nr.png", "combo_ov.png", "combo_nr.png"}, 1)) {
        media->addEntry(0, 0x04000022, "Play / Pause");
        media->select_entry(0);
    }
    skinButton(*dialog, QPoint(390, 312), TextFiles, 1, "OK");
    skinButton(*dialog, QPoint(465, 312), TextFiles, 1, "Cancel");
    const QFont font = shellDlgFont(14);
    dialog->addText(QRect(20, 10, 180, 20), "Key function: Caps", DialogText, font, StandardTextFormat);
    dialog->addText(QRect(250, 119, 215, 20), "Media key", DialogText, font, StandardTextFormat);
    return dialog;
}

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
    const int top = canvas.beginSection("Dialogs",
        "pickfundlg.png (page 3 chosen; the two hot spots are create_cut_button regions of the "
        "background), macro_nr.png");
    const int left = GalleryCanvas::Margin;
    SkinSurface* first = picker(canvas, QPoint(left, top));
    SkinSurface* second = macroPage(canvas, QPoint(first->geometry().right() + 40, top));
    canvas.endSection(std::max(first->geometry().bottom(), second->geometry().bottom()));
}

} // namespace kavrel::gallery
