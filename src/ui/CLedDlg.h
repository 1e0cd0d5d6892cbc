#pragma once

#include "controls/OffscreenBuffer.h"
#include "ui/KeyColorSets.h"
#include "ui/ProfileEditHistory.h"

#include <QFont>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>

namespace kavrel {

class CComboBtn;
class CPngBtn;
class CPngSliderBar;
struct PROFILE;

// What the lighting page needs of the keyboard view: its key colours, by key index.
class LedColorView {
public:
    virtual ~LedColorView() = default;
    virtual const KeyColorArray& keyColors() const = 0;
    // Replaces every colour (0 = none), clears the view's selected key and repaints.
    virtual void setAllColors(const KeyColorArray& colors) = 0;
};

// The lighting page of the main window: the lighting mode, the speed and
// brightness of that mode, and in the per-key mode (GaoshouIndex) which of
// the ten per-key colour sets the keyboard view shows. Every edit goes
// straight into the current profile (under ApplyDataMutex); with ApplyNow
// set it also requests an apply (lighting 2, lighting and colours 6). The
// page never saves anything to disk.
class CLedDlg : public QWidget {
    Q_OBJECT
public:
    static constexpr int SpeedSliderId = 148;
    static constexpr int BrightnessSliderId = 149;
    static constexpr int SpeedSteps = 5;
    static constexpr int BrightnessSteps = 6;
    static constexpr int ListWidth = 133;
    static constexpr int ModeNameChars = 29;
    static constexpr std::uint32_t NoMode = 0xFFFFFFFF;

    using ApplyRequester = std::function<void(std::uint32_t flags)>;

    // Builds the page from the skin and cfg.ini (Cfg, texts loaded); the
    // parent places it at rcLED. The view is not owned and may be null.
    CLedDlg(QWidget* parent, LedColorView* view);
    ~CLedDlg() override;

    // After a profile switch: the page's mode becomes the profile's ledMode,
    // the mode drop-down shows its name, and the page loads that mode.
    void showProfile(PROFILE& profile);
    // Shows mode `mode` of the profile (the current profile when null; nothing
    // without one): labels, which sliders show, slider places, the colour set
    // and the view's colours.
    void loadFromProfile(std::uint32_t mode, PROFILE* profile = nullptr);
    // Writes the page's mode, that mode's slider values, the colour set and,
    // in mode 3 shown as the per-key mode, the view's colours into the
    // current profile (nothing without one).
    void storeIntoProfile();

    // The mode the drop-down holds (NoMode before the first profile was shown).
    std::uint32_t currentMode() const;
    bool speedAdjustable() const { return m_speedAdjustable; }
    bool brightnessAdjustable() const { return m_brightnessAdjustable; }
    bool perKeyMode() const { return m_perKey; }

    // Where apply requests go; RequestApply of the program's worker by default.
    void setApplyRequester(ApplyRequester requester) { m_requestApply = std::move(requester); }

    // The name a mode has in the drop-down (empty for an id outside 0 ... 9).
    static QString modeName(std::uint32_t mode);

signals:
    // After the page changed the current profile (the edit is in it): what was changed, and the flags an
    // immediate apply of it uses.
    void edited(ProfileEdit kind, std::uint32_t applyFlags);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void createCheckBox();
    void createDropDowns();
    void createLabels();
    void createSliders();
    CPngSliderBar* createSlider(const QRect& place, int steps, int id);
    CPngBtn* createLabel(const QRect& place, const QString& widest);

    void onModeChosen();
    void onColorSetChosen();
    void onCheckBox();
    void onSliderMessage(bool set, int value, std::intptr_t id);
    void showLevels(std::uint32_t mode, const PROFILE& profile);
    void showColorSet(const PROFILE& profile);
    void setSpeedLabel(int speed);
    void setBrightnessLabel(int brightness);
    void requestApply(std::uint32_t flags) const;

    QImage m_background;
    QImage m_thumb;
    QFont m_font;
    LedColorView* m_view;
    CPngBtn* m_check = nullptr;
    CComboBtn* m_mode = nullptr;
    CComboBtn* m_colorSet = nullptr;
    CPngBtn* m_speedLabel = nullptr;
    CPngBtn* m_brightnessLabel = nullptr;
    CPngSliderBar* m_speed = nullptr;
    CPngSliderBar* m_brightness = nullptr;
    bool m_speedAdjustable = false;
    bool m_brightnessAdjustable = false;
    bool m_perKey = false;
    ApplyRequester m_requestApply;
    OffscreenBuffer m_buffer;
};

} // namespace kavrel
