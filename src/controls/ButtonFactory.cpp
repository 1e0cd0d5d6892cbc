#include "controls/ButtonFactory.h"

#include "app/Config.h"
#include "controls/SkinImage.h"
#include "controls/SkinText.h"

namespace kavrel {

namespace {

void setCommonParts(CPngBtn& button, const QString& text, int tooltips)
{
    button.setTextColors(Cfg.Btn_txt_clr_nr, Cfg.Btn_txt_clr_ov, Cfg.Btn_txt_clr_dn);
    if (!text.isEmpty())
        button.set_text(text, 0);
    if (tooltips && !text.isEmpty())
        button.setToolTip(text);
}

} // namespace

CPngBtn* create_cut_button(QWidget* parent, const QRect* rect, const QImage& normal, const QImage& over,
    const QImage& down, const QString& text, int tooltips)
{
    const QRect place = rect ? *rect : QRect(0, 0, image_width(normal), image_height(normal));
    auto* button = new CPngBtn(parent);
    button->setLatchingStyle(1);
    button->set_images(normal, over, down, place);
    button->setGeometry(place);
    setCommonParts(*button, text, tooltips);
    button->show();
    return button;
}

ButtonImages loadButtonImages(const ButtonFiles& files)
{
    return {load_skin_image(files.normal), load_skin_image(files.over), load_skin_image(files.down)};
}

void setupSkinButton(CPngBtn& button, const QRect& rect, const ButtonImages& images, const QImage* parentBackground,
    int latching, const QString& text, int tooltips)
{
    const QRect place(rect.topLeft(), image_size(images.normal));
    button.setStateImages(images.normal, images.over, images.down, images.normal);
    if (parentBackground)
        button.setBackgroundImage(
            clone_image_area(*parentBackground, place.x(), place.y(), place.width(), place.height()));
    button.setLatchingStyle(latching);
    if (const auto& font = applicationSkinFont())
        button.setButtonFont(*font);
    button.setFrameFlag(Cfg.UIDebug);
    button.setGeometry(place);
    setCommonParts(button, text, tooltips);
    button.show();
}

void setupSkinButtonAt(CPngBtn& button, QPoint topLeft, const ButtonImages& images, const QRect* source, int latching,
    int pressShift, const QString& text, int tooltips)
{
    const QRect region = source ? *source : QRect(QPoint(0, 0), image_size(images.normal));
    button.set_images(images.normal, images.over, images.down, region);
    button.setLatchingStyle(latching);
    button.setPressShift(pressShift);
    button.setGeometry(QRect(topLeft, region.size()));
    setCommonParts(button, text, tooltips);
    button.show();
}

} // namespace kavrel
