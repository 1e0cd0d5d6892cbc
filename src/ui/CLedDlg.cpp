#include "ui/CLedDlg.h"

#include "app/Config.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "controls/ButtonFactory.h"
#include "controls/CComboBtn.h"
#include "controls/CPngSliderBar.h"
#include "controls/SkinImage.h"
#include "controls/SkinMenu.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "device/ApplyWorker.h"
#include "model/Lists.h"
#include "ui/WindowBasics.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>
#include <array>
#include <mutex>
#include <string>

namespace kavrel {

namespace {

// Page layout, in page coordinates.
constexpr QPoint CheckBoxAt{5, 15};
constexpr QPoint ModeDropDownAt{90, 15};
constexpr QPoint BrightnessSliderAt{15, 79};
constexpr int SpeedSliderTop = 119; // plus BarH: 40 pixels below the brightness slider
constexpr int LabelGap = 10; // between a slider's right end and its label
constexpr int LabelHeight = 18;
constexpr int BrightnessLabelWidth = 30; // at least; the label reaches the page's right edge
constexpr int SpeedLabelWidth = 25;
constexpr int CheckTextGap = 6;
constexpr int CheckTextWidth = 194;
constexpr int CheckTextHeight = 14;
constexpr int HeadingRise = 24; // a heading's top above its slider
constexpr int HeadingWidth = 220;
constexpr int HeadingHeight = 20;
constexpr int OwnFontHeight = 14;
constexpr int SmallestLabelFont = 6;
constexpr int LabelTextMargin = 4; // room for the last glyph's overhang
constexpr int DropDownArrowWidth = 24; // the arrow at the right end of combo_nr.png
constexpr int DropDownTextLeft = 4;
constexpr std::uint32_t DebugFrameColor = 0x0000FF;

// Colours of a set are stored from the view only in this mode.
constexpr std::uint32_t ColorStoringMode = 3;

constexpr unsigned LineFormat = TextSingleLine | TextVCenter | TextEndEllipsis;
const QString WidestBrightness = QStringLiteral("100 %");

int rightEdge(const QRect& rect)
{
    return rect.x() + rect.width();
}

// A label's place beside a slider, vertically centred on it.
QRect labelBeside(const QRect& slider, int width)
{
    const int y = slider.y() + (slider.height() - LabelHeight) / 2;
    return {rightEdge(slider) + LabelGap, y, width, LabelHeight};
}

// The font, made smaller until the text fits the width.
QFont fontFitting(QFont font, const QString& widest, int width)
{
    if (font.pixelSize() <= 0)
        font.setPixelSize(QFontInfo(font).pixelSize());
    while (
        font.pixelSize() > SmallestLabelFont && QFontMetrics(font).horizontalAdvance(widest) > width - LabelTextMargin)
        font.setPixelSize(font.pixelSize() - 1);
    return font;
}

// A drop-down's text is in the page font and stays clear of its arrow.
void keepTextOffArrow(CComboBtn& box, const QFont& font)
{
    box.setButtonFont(font);
    box.setCustomTextRect(
        true, QRect(DropDownTextLeft, 0, box.width() - DropDownTextLeft - DropDownArrowWidth, box.height()));
}

void showIfMade(QWidget* widget, bool shown)
{
    if (widget)
        widget->setVisible(shown);
}

} // namespace

CLedDlg::CLedDlg(QWidget* parent, LedColorView* view)
    : QWidget(parent)
    , m_font(applicationSkinFont().value_or(shellDlgFont(OwnFontHeight)))
    , m_view(view)
    , m_requestApply([](std::uint32_t flags) { RequestApply(flags); })
{
    setObjectName("ledPage");
    const Rect& place = Cfg.rcLED;
    setGeometry(rectOf(place));
    m_background = clone_image_area(load_skin_image("main_nr.png"), x(), y(), width(), height());
    m_thumb = load_skin_image("slider.png");
    prepareSkinnedWidget(this, image_size(m_background) == size() && isFullyOpaque(m_background));
    createCheckBox();
    createDropDowns();
    createSliders();
    createLabels();
}

CLedDlg::~CLedDlg() = default;

void CLedDlg::createCheckBox()
{
    m_check = create_skin_button(this, QRect(CheckBoxAt, QSize(1, 1)),
        ButtonFiles{"check_nr.png", "check_nr.png", "check_dn.png"}, &m_background, 1);
    if (!m_check)
        return;
    m_check->setObjectName("ledCheck");
    m_check->setAccessibleKind(CPngBtn::AccessibleKind::CheckBox);
    m_check->setAccessibleName(text("tc_msg1"));
    m_check->setToggleOnClick(1);
    m_check->set_checked(1);
    connect(m_check, &CPngBtn::command, this, &CLedDlg::onCheckBox);
}

void CLedDlg::createDropDowns()
{
    const ButtonFiles combo{"combo_nr.png", "combo_nr.png", "combo_nr.png"};
    m_mode = create_skin_button<CComboBtn>(this, QRect(ModeDropDownAt, QSize(1, 1)), combo, &m_background, 0);
    if (m_mode) {
        m_mode->setObjectName("ledMode");
        m_mode->setMenuWidth(ListWidth);
        keepTextOffArrow(*m_mode, m_font);
        for (const std::uint8_t mode : Cfg.Modes)
            m_mode->addEntry(0, mode, modeName(mode));
        connect(m_mode, &CPngBtn::command, this, &CLedDlg::onModeChosen);
    }
    // The colour-set drop-down shares its place with the speed slider.
    const QPoint colorSetAt(BrightnessSliderAt.x(), SpeedSliderTop + Cfg.BarH);
    m_colorSet = create_skin_button<CComboBtn>(this, QRect(colorSetAt, QSize(1, 1)), combo, &m_background, 0);
    if (m_colorSet) {
        m_colorSet->setObjectName("ledColorSet");
        m_colorSet->setMenuWidth(ListWidth);
        keepTextOffArrow(*m_colorSet, m_font);
        for (int set = 0; set < ColorSetCount; ++set)
            m_colorSet->addEntry(0, std::uint32_t(set), text("tc_clr_str" + std::to_string(set + 1)));
        m_colorSet->select_entry(0);
        m_colorSet->hide();
        connect(m_colorSet, &CPngBtn::command, this, &CLedDlg::onColorSetChosen);
    }
}

CPngSliderBar* CLedDlg::createSlider(const QRect& place, int steps, int id)
{
    auto* track = new CPngSliderBar;
    if (!create_slider_bar(*track, this, &m_background, m_thumb, steps, id, QPoint(0, 0), place, place)) {
        delete track;
        return nullptr;
    }
    CPngSlider& thumb = track->thumb();
    thumb.setCrossPosition(Cfg.SliderY);
    thumb.SetScalePos(steps);
    set_slider_value(thumb, 1, false);
    return track;
}

void CLedDlg::createSliders()
{
    const QRect brightness(BrightnessSliderAt, QSize(Cfg.BarW, Cfg.BarH));
    const QRect speed(QPoint(BrightnessSliderAt.x(), SpeedSliderTop + Cfg.BarH), QSize(Cfg.BarW, Cfg.BarH));
    m_speed = createSlider(speed, SpeedSteps, SpeedSliderId);
    m_brightness = createSlider(brightness, BrightnessSteps, BrightnessSliderId);
    if (m_speed) {
        m_speed->setObjectName("ledSpeed");
        m_speed->setAccessibleName(text("tc_adv_str19"));
    }
    if (m_brightness) {
        m_brightness->setObjectName("ledBrightness");
        m_brightness->setAccessibleName(text("tc_adv_str7"));
    }
}

CPngBtn* CLedDlg::createLabel(const QRect& place, const QString& widest)
{
    CPngBtn* label = create_cut_button(this, &place, m_background, m_background, m_background);
    label->setTextColors(Cfg.Btn_txt_clr_nr, Cfg.Btn_txt_clr_nr, Cfg.Btn_txt_clr_nr);
    label->setTextFormat(LineFormat);
    label->setAccessibleKind(CPngBtn::AccessibleKind::Label);
    label->setButtonFont(fontFitting(m_font, widest, place.width()));
    return label;
}

void CLedDlg::createLabels()
{
    const QRect brightness(BrightnessSliderAt, QSize(Cfg.BarW, Cfg.BarH));
    const QRect speed(QPoint(BrightnessSliderAt.x(), SpeedSliderTop + Cfg.BarH), QSize(Cfg.BarW, Cfg.BarH));
    // "100 %" must show whole: the brightness label reaches to the page's edge and its font fits it.
    const int brightnessWidth = std::max(BrightnessLabelWidth, width() - rightEdge(brightness) - LabelGap);
    m_brightnessLabel = createLabel(labelBeside(brightness, brightnessWidth), WidestBrightness);
    m_brightnessLabel->setObjectName("ledBrightnessLabel");
    m_speedLabel = createLabel(labelBeside(speed, SpeedLabelWidth), QStringLiteral("5"));
    m_speedLabel->setObjectName("ledSpeedLabel");
}

QString CLedDlg::modeName(std::uint32_t mode)
{
    static const std::array<const char*, LedModeCount> keys{"tc_led_mode1", "tc_led_mode2", "tc_led_mode3",
        "tc_led_mode4", "tc_led_mode5", "tc_led_mode6", "tc_led_mode7", "tc_led_mode8", "tc_adv_str1", "tc_adv_str2"};
    if (mode >= keys.size())
        return {};
    return text(keys[mode]).left(ModeNameChars);
}

std::uint32_t CLedDlg::currentMode() const
{
    return m_mode ? m_mode->selectedValue() : NoMode;
}

void CLedDlg::showProfile(PROFILE& profile)
{
    if (m_mode && !m_mode->select_value(profile.ledMode)) {
        // A mode the drop-down does not list still becomes the page's mode.
        m_mode->setSelectedValue(profile.ledMode);
        m_mode->set_text(modeName(profile.ledMode), m_mode->textOffset());
    }
    loadFromProfile(profile.ledMode, &profile);
}

void CLedDlg::loadFromProfile(std::uint32_t mode, PROFILE* profile)
{
    const PROFILE* shown = profile ? profile : CurrentProfile;
    if (!shown)
        return;
    const bool known = mode < std::uint32_t(LedModeCount);
    m_speedAdjustable = known && Cfg.speedSettable(int(mode));
    m_brightnessAdjustable = known && Cfg.brightnessSettable(int(mode));
    m_perKey = mode == std::uint32_t(Cfg.GaoshouIndex);
    showLevels(mode, *shown);
    showColorSet(*shown);
    update();
}

void CLedDlg::showLevels(std::uint32_t mode, const PROFILE& profile)
{
    if (mode < std::uint32_t(LedModeCount)) {
        const LedLevel levels = profile.ledLevels[mode];
        setBrightnessLabel(levels.brightness);
        setSpeedLabel(levels.speed);
        if (m_speed)
            set_slider_value(m_speed->thumb(), levels.speed, false);
        if (m_brightness)
            set_slider_value(m_brightness->thumb(), levels.brightness, false);
    } else {
        // A mode outside 0 ... 9 (a damaged store) has no levels to show.
        m_brightnessLabel->set_text(QString());
        m_speedLabel->set_text(QString());
    }
    showIfMade(m_brightness, m_brightnessAdjustable);
    showIfMade(m_brightnessLabel, m_brightnessAdjustable);
    showIfMade(m_speed, m_speedAdjustable);
    showIfMade(m_speedLabel, m_speedAdjustable);
}

void CLedDlg::showColorSet(const PROFILE& profile)
{
    // The drop-down follows the profile in every mode, so that a later store
    // never carries another profile's set into this one.
    if (m_colorSet) {
        if (!m_colorSet->select_value(profile.colorSet))
            m_colorSet->select_entry(-1);
        m_colorSet->setVisible(m_perKey);
    }
    if (m_view)
        m_view->setAllColors(m_perKey ? keyColorsOfSet(profile, profile.colorSet) : KeyColorArray{});
}

void CLedDlg::storeIntoProfile()
{
    if (!CurrentProfile)
        return;
    std::lock_guard lock(ApplyDataMutex());
    PROFILE& profile = *CurrentProfile;
    const std::uint32_t mode = currentMode();
    if (mode < std::uint32_t(LedModeCount)) {
        profile.ledMode = mode;
        if (m_speed)
            profile.ledLevels[mode].speed = std::uint8_t(get_slider_value(m_speed->thumb()));
        if (m_brightness)
            profile.ledLevels[mode].brightness = std::uint8_t(get_slider_value(m_brightness->thumb()));
    }
    std::uint32_t set = m_colorSet ? m_colorSet->selectedValue() : profile.colorSet;
    if (set >= std::uint32_t(ColorSetCount)) {
        WriteLog("Get wrong nCurGameGroup value");
        set = 0;
    }
    profile.colorSet = std::uint16_t(set);
    // Only a view that shows this set holds its colours; any other view would wipe it.
    if (mode == ColorStoringMode && m_perKey && m_view)
        storeKeyColorsInSet(profile, set, m_view->keyColors());
}

void CLedDlg::onModeChosen()
{
    if (!CurrentProfile)
        return;
    loadFromProfile(currentMode());
    {
        std::lock_guard lock(ApplyDataMutex());
        if (CurrentProfile->colorSet < ColorSetCount)
            CurrentProfile->colorSetFlags[CurrentProfile->colorSet] = 1;
    }
    storeIntoProfile();
    emit edited(ProfileEdit::LightingMode, ApplyLighting | ApplyKeyColors);
    if (Cfg.ApplyNow)
        requestApply(ApplyLighting | ApplyKeyColors);
}

void CLedDlg::onColorSetChosen()
{
    if (!CurrentProfile || !m_colorSet)
        return;
    const std::uint32_t set = m_colorSet->selectedValue();
    if (set >= std::uint32_t(ColorSetCount))
        return;
    {
        std::lock_guard lock(ApplyDataMutex());
        CurrentProfile->colorSet = std::uint16_t(set);
    }
    if (m_view)
        m_view->setAllColors(keyColorsOfSet(*CurrentProfile, set));
    emit edited(ProfileEdit::ColourSet, ApplyLighting | ApplyKeyColors);
    if (Cfg.ApplyNow)
        requestApply(ApplyLighting | ApplyKeyColors);
}

void CLedDlg::onCheckBox()
{
    // The check box cannot be unchecked.
    if (m_check && !m_check->checkedState())
        m_check->set_checked(1);
}

void CLedDlg::onSliderMessage(bool set, int value, std::intptr_t id)
{
    if (id == SpeedSliderId)
        setSpeedLabel(value);
    else if (id == BrightnessSliderId)
        setBrightnessLabel(value);
    else
        return;
    if (!set || !CurrentProfile)
        return;
    storeIntoProfile();
    emit edited(id == SpeedSliderId ? ProfileEdit::LightingSpeed : ProfileEdit::LightingBrightness, ApplyLighting);
    if (Cfg.ApplyNow)
        requestApply(ApplyLighting);
}

void CLedDlg::setSpeedLabel(int speed)
{
    m_speedLabel->set_text(QString::number(speed));
}

void CLedDlg::setBrightnessLabel(int brightness)
{
    m_brightnessLabel->set_text(QStringLiteral("%1 %").arg(brightness * 20 - 20));
}

void CLedDlg::requestApply(std::uint32_t flags) const
{
    if (m_requestApply)
        m_requestApply(flags);
}

bool CLedDlg::event(QEvent* event)
{
    if (const WindowMessageEvent* message = asWindowMessage(event)) {
        if (message->message() == MsgSliderSet || message->message() == MsgSliderChanging) {
            onSliderMessage(message->message() == MsgSliderSet, int(message->wParam()), message->lParam());
            return true;
        }
    }
    return QWidget::event(event);
}

void CLedDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(&m_buffer.begin(size()));
    painter.drawImage(QPoint(0, 0), m_background);
    painter.setFont(m_font);
    painter.setPen(colorOfColorRef(Cfg.Txt_clr));
    if (m_check) {
        const QRect box = m_check->geometry();
        const int y = box.y() + (box.height() - CheckTextHeight) / 2;
        drawSkinText(painter, QRect(rightEdge(box) + CheckTextGap, y, CheckTextWidth, CheckTextHeight), text("tc_msg1"),
            LineFormat);
    }
    auto heading = [&painter](const CPngSliderBar* slider, std::string_view key) {
        if (slider) {
            const QRect bar = slider->geometry();
            drawSkinText(
                painter, QRect(bar.x(), bar.y() - HeadingRise, HeadingWidth, HeadingHeight), text(key), LineFormat);
        }
    };
    if (m_speedAdjustable)
        heading(m_speed, "tc_adv_str19");
    if (m_brightnessAdjustable)
        heading(m_brightness, "tc_adv_str7");
    if (Cfg.UIDebug) {
        painter.setPen(colorOfColorRef(DebugFrameColor));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    painter.end();
    m_buffer.copyTo(this);
}

void CLedDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // A press on the page's background moves the main window.
    close_menu();
    if (QWindow* handle = window()->windowHandle())
        handle->startSystemMove();
}

void CLedDlg::keyPressEvent(QKeyEvent* event)
{
    if (isSwallowedKey(event->key()))
        event->accept();
    else
        QWidget::keyPressEvent(event);
}

void CLedDlg::keyReleaseEvent(QKeyEvent* event)
{
    if (isSwallowedKey(event->key()))
        event->accept();
    else
        QWidget::keyReleaseEvent(event);
}

} // namespace kavrel
