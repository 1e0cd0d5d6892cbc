// Every kind of image button in every state, with and without text.
#include "Helpers.h"
#include "Sections.h"

#include "controls/CComboBtn.h"
#include "controls/SkinImage.h"
#include "controls/SkinText.h"

#include <array>

namespace kavrel::gallery {

namespace {

struct ButtonKind {
    const char* label;
    ButtonFiles files;
    int latching;
    const char* text;
    bool combo = false;
    int textOffset = 0;
};

constexpr int LabelWidth = 180;
constexpr int ColumnWidth = 230; // five columns of the widest button (226) fit the sheet
constexpr int RowHeight = 56;

const std::array<ShownState, 5> States{
    ShownState::Normal, ShownState::Hover, ShownState::Pressed, ShownState::Checked, ShownState::Disabled};
const std::array<const char*, 5> StateNames{"normal", "hover", "pressed", "checked", "disabled"};

const std::array<ButtonKind, 12> Kinds{{
    {"Profile button (latching)", {"button_nr.png", "button_nr.png", "button_dn.png"}, 1, "Profile 1"},
    {"  without text", {"button_nr.png", "button_nr.png", "button_dn.png"}, 1, ""},
    {"Text button (push)", {"btn_nr.png", "btn_ov.png", "btn_nr.png"}, 0, "Apply"},
    {"  without text", {"btn_nr.png", "btn_ov.png", "btn_nr.png"}, 0, ""},
    {"Page button (latching)", {"btn2_nr.png", "btn2_nr.png", "btn2_nr.png"}, 1, "Macro"},
    {"Drop-down (CComboBtn)", {"combo_nr.png", "combo_ov.png", "combo_nr.png"}, 1, "Breathing", true},
    {"Check box", {"check_nr.png", "check_ov.png", "check_dn.png"}, 1, ""},
    {"Radio button", {"radio_nr.png", "radio_ov.png", "radio_dn.png"}, 1, ""},
    {"Record button", {"recbtn_nr.png", "recbtn_nr.png", "recbtn_dn.png"}, 1, "Start recording", false, 30},
    {"Save button (ov at rest)", {"btn_ov.png", "btn_nr.png", "btn_nr.png"}, 0, "Save"},
    {"Minimise", {"min_nr.png", "min_ov.png", "min_ov.png"}, 0, ""},
    {"Close", {"exit_nr.png", "exit_ov.png", "exit_ov.png"}, 0, ""},
}};

CPngBtn* makeButton(SkinSurface& surface, const ButtonKind& kind, QPoint topLeft)
{
    if (!kind.combo)
        return skinButton(surface, topLeft, kind.files, kind.latching, kind.text);
    auto* combo = skinButton<CComboBtn>(surface, topLeft, kind.files, kind.latching);
    if (combo) {
        combo->addEntry(0, 2, kind.text);
        combo->select_entry(0);
    }
    return combo;
}

} // namespace

void addButtonStates(GalleryCanvas& canvas)
{
    const int top = canvas.beginSection("Image buttons",
        "CPngBtn and CComboBtn made by create_skin_button; latching buttons show the down image only "
        "while checked, so their pressed column matches the normal one");
    const QSize area(GalleryCanvas::Width - 2 * GalleryCanvas::Margin, 40 + RowHeight * int(Kinds.size()));
    auto* surface
        = new SkinSurface(&canvas, plainPicture(area, QColor(0x17, 0x1A, 0x20)), QPoint(GalleryCanvas::Margin, top));
    const QColor muted(0x8A, 0x93, 0xA3);
    for (std::size_t column = 0; column < States.size(); ++column)
        surface->addText(QRect(LabelWidth + int(column) * ColumnWidth, 10, ColumnWidth, 20), StateNames[column], muted,
            galleryFont(12, QFont::DemiBold), StandardTextFormat);
    for (std::size_t row = 0; row < Kinds.size(); ++row) {
        const ButtonKind& kind = Kinds[row];
        const int y = 40 + int(row) * RowHeight;
        surface->addText(QRect(16, y, LabelWidth - 24, 30), kind.label, muted, galleryFont(12), StandardTextFormat);
        for (std::size_t column = 0; column < States.size(); ++column) {
            CPngBtn* button = makeButton(*surface, kind, QPoint(LabelWidth + int(column) * ColumnWidth, y));
            if (!button)
                continue;
            if (kind.textOffset)
                button->set_text(kind.text, kind.textOffset);
            showState(*button, States[column]);
        }
    }
    canvas.endSection(surface->geometry().bottom());
}

} // namespace kavrel::gallery
