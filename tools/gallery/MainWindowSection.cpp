// The main window as the default skin and the bundled cfg.ini lay it out:
// background with its outline mask, keyboard picture, and the image buttons
// at their configured places.
#include "Helpers.h"
#include "Sections.h"

#include "app/Config.h"
#include "controls/CComboBtn.h"
#include "controls/CPngSliderBar.h"
#include "controls/SkinImage.h"
#include "controls/SkinText.h"
#include "ui/WindowBasics.h"

#include <QPainter>

namespace kavrel::gallery {

namespace {

QImage shapedMainPicture()
{
    const QImage background = load_skin_image("main_nr.png");
    QImage shaped(background.size(), QImage::Format_ARGB32_Premultiplied);
    shaped.setDevicePixelRatio(background.devicePixelRatio());
    shaped.fill(Qt::transparent);
    QPainter painter(&shaped);
    const QRegion outline = region_from_mask(load_skin_image("main_mask.png"));
    if (!outline.isEmpty())
        painter.setClipRegion(outline);
    painter.drawImage(0, 0, background);
    return shaped;
}

void placeProfileButtons(SkinSurface& window)
{
    const ButtonFiles profile{"button_nr.png", "button_nr.png", "button_dn.png"};
    const QPoint first = pointOf(Cfg.ptProfile);
    for (int i = 0; i < 3; ++i) {
        CPngBtn* button = skinButton(window, first + QPoint(0, 33 * i), profile, 1, QString("Profile %1").arg(i + 1));
        if (button && i == 0)
            button->set_checked(1);
    }
    skinButton(window, pointOf(Cfg.ptMacro), profile, 1, "Macros");
    skinButton(window, QPoint(33, 541), profile, 1, "Restore defaults");
}

void placeCommandButtons(SkinSurface& window)
{
    skinButton(window, pointOf(Cfg.ptMin), {"min_nr.png", "min_ov.png", "min_ov.png"}, 0);
    skinButton(window, pointOf(Cfg.ptExit), {"exit_nr.png", "exit_ov.png", "exit_ov.png"}, 0);
    const ButtonFiles text{"btn_nr.png", "btn_ov.png", "btn_nr.png"};
    const QPoint apply = pointOf(Cfg.ptApplyBtn);
    skinButton(window, apply, text, 0, "OK");
    skinButton(window, apply + QPoint(63, 0), text, 0, "Cancel");
    if (CPngBtn* button = skinButton(window, apply + QPoint(126, 0), text, 0, "Apply"))
        showState(*button, ShownState::Hover);
}

// The lighting page's check box and mode drop-down at their page positions.
void placeLightingControls(SkinSurface& window)
{
    const QPoint page(Cfg.rcLED.left, Cfg.rcLED.top);
    if (CPngBtn* check = skinButton(window, page + QPoint(5, 15), {"check_nr.png", "check_nr.png", "check_dn.png"}, 1))
        check->set_checked(1);
    if (auto* mode
        = skinButton<CComboBtn>(window, page + QPoint(90, 15), {"combo_nr.png", "combo_nr.png", "combo_nr.png"}, 1)) {
        mode->addEntry(0, 1, "Breathing");
        mode->select_entry(0);
    }
    const QColor text = colorOf(Cfg.Txt_clr);
    const QFont font = shellDlgFont(14);
    window.addText(QRect(page + QPoint(31, 15), QSize(56, 18)), "On", text, font, StandardTextFormat);
    // Brightness and speed sliders at the page's places, with headings and value labels.
    const QRect brightness(page + QPoint(15, 79), QSize(Cfg.BarW, Cfg.BarH));
    const QRect speed(page + QPoint(15, 119 + Cfg.BarH), QSize(Cfg.BarW, Cfg.BarH));
    const struct {
        QRect rect;
        int stops;
        int value;
        const char* heading;
        const char* label;
    } sliders[] = {{brightness, 6, 4, "Brightness", "60 %"}, {speed, 5, 3, "Speed", "3"}};
    for (const auto& s : sliders) {
        auto* track = new CPngSliderBar;
        if (!create_slider_bar(
                *track, &window, &window.picture(), load_skin_image("slider.png"), s.stops, 0, {}, s.rect, s.rect)) {
            delete track;
            continue;
        }
        track->thumb().SetScalePos(s.stops);
        set_slider_value(track->thumb(), s.value, false);
        window.addText(QRect(s.rect.left(), s.rect.top() - 24, 220, 20), s.heading, text, font, StandardTextFormat);
        // The value reaches to the page's right edge, as on the real page ("100 %" fits).
        const QRect value(QPoint(s.rect.right() + 11, s.rect.top()), QPoint(Cfg.rcLED.right - 1, s.rect.top() + 17));
        window.addText(value, s.label, text, font, StandardTextFormat);
    }
}

} // namespace

void addMainWindow(GalleryCanvas& canvas)
{
    const int top = canvas.beginSection("Main window",
        "main_nr.png shaped by main_mask.png, keyimg.png at rcKB, image buttons at the cfg.ini "
        "positions (profile 1 checked, Apply under the pointer)");
    auto* window = new SkinSurface(&canvas, shapedMainPicture(), QPoint(GalleryCanvas::Margin, top));
    const QImage keyboard = load_skin_image("keyimg.png");
    const QRect kb = rectOf(Cfg.rcKB);
    window->addOverlay(kb, keyboard);
    const QColor text = colorOf(Cfg.Txt_clr);
    window->addText(QRect(55, 600, 200, 20), "Kavrel 0.1", colorOf(0x8A939A), shellDlgFont(14), StandardTextFormat);
    window->addText(QRect(kb.left() + 4, kb.bottom() + 6, 686, 20),
        "Click a key to give it another function or colour.", text, shellDlgFont(14), StandardTextFormat);
    placeProfileButtons(*window);
    placeCommandButtons(*window);
    placeLightingControls(*window);
    canvas.endSection(window->geometry().bottom());
}

} // namespace kavrel::gallery
