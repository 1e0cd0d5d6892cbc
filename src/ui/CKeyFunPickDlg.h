#pragma once

#include "app/KeyInfo.h"
#include "ui/ComboCapture.h"
#include "ui/SkinDialog.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <string_view>

namespace kavrel {

class CColorBtnDlg;
class CComboBtn;
class CPngBtn;
class CTreeCtrlEx;
class KeyCaptureFilter;
struct KeyStroke;

// One media function the picker offers: the first KEYINFO word (kind 4 in
// the high byte, the function code below) and the text naming it.
struct MediaChoice {
    std::uint32_t value;
    std::string_view textKey;
};

// The picker's media functions, in the order the drop-down lists them.
inline constexpr std::array<MediaChoice, 12> MediaChoices{{
    {0x04000021, "tc_kbmedia_msel"},
    {0x04000022, "tc_PL"},
    {0x04000025, "tc_next_media"},
    {0x04000024, "tc_pre_media"},
    {0x04000023, "tc_stop"},
    {0x04000028, "tc_mute"},
    {0x04000026, "tc_vol_up"},
    {0x04000027, "tc_vol_dw"},
    {0x04000030, "tc_kbmedia_mail"},
    {0x04000031, "tc_kbmedia_cal"},
    {0x04000032, "tc_kbmedia_explore"},
    {0x04000034, "tc_kbmedia_main"},
}};

// The colours the picker offers in colour mode, in swatch order: red and "no
// colour" (shown crossed out), then the other six colours the keyboard can
// show (its colour index has one bit per primary).
inline constexpr std::array<std::uint32_t, 8> PickerSwatchColours{
    0x0000FF, 0x000000, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// The modal dialog in which the user decides what one key does: a key
// combination typed on page 1, a macro of the library on page 2, a media
// function on page 3, the key's factory function (the default hot spot), or,
// in colour mode, the key's colour.
//
// The caller hands in the key's assignment; exec() returns Accepted or
// Rejected. After Accepted, resultKind() 1 means the caller's KEYINFO now
// holds the new assignment (its rectangle and matrix index cleared unless the
// default was chosen, for the caller to complete); 2 means resultColour()
// holds the key's new colour and the KEYINFO is untouched. After Rejected the
// caller's KEYINFO is untouched.
//
// Without its background picture the picker cannot be laid out: exec() then
// tells the user and returns Rejected at once.
class CKeyFunPickDlg : public SkinDialog {
    Q_OBJECT
public:
    // Layout, in pixels of the background picture.
    static constexpr QRect CancelHotSpot{QPoint(429, 11), QPoint(472, 29)};
    static constexpr QRect DefaultHotSpot{QPoint(479, 5), QPoint(517, 34)};
    static constexpr QPoint PageButtonAt[3]{{27, 90}, {27, 154}, {27, 218}};
    static constexpr QPoint OkAt{390, 312};
    static constexpr QPoint CancelAt{465, 312};
    static constexpr QPoint PageControlAt{245, 144}; // media drop-down and combination display
    // The list ends above the panel's bottom edge with room for the empty library's hint below it.
    static constexpr QRect TreeRect{QPoint(228, 90), QPoint(456, 270)};
    static constexpr int TreeControlId = 17;
    static constexpr QRect PageArea{QPoint(193, 50), QPoint(537, 309)};
    // The panel the default skin draws behind the pages: a page's control and texts stay inside it,
    // everything else outside.
    static constexpr QRect PagePanel{QPoint(193, 52), QSize(341, 250)};
    static constexpr QRect EmptyLibraryHintRect{
        QPoint(TreeRect.left(), TreeRect.bottom() + 4), QPoint(PagePanel.right() - 7, PagePanel.bottom() - 4)};
    static constexpr QRect TitleRect{QPoint(20, 10), QPoint(419, 29)}; // up to the close hot spot
    // Colour mode's row of eight swatches sits left of OK and Cancel, below the page panel, on their line.
    static constexpr QRect ColourLabelRect{QPoint(30, 315), QPoint(95, 336)};
    static constexpr QPoint FirstSwatchAt{100, 315};
    static constexpr int SwatchSize = 22;
    static constexpr int SwatchStep = 34; // from one swatch's left edge to the next
    static constexpr std::uint32_t SwatchFrame = 0x969696;
    static constexpr std::uint32_t SwatchSelectedFrame = 0x1513BD;
    static constexpr std::uint32_t TextColour = 0xC8C8C8;
    static constexpr int FontHeight = 14;

    enum Page { NoPage = -1, ComboPage = 1, MacroPage = 2, MediaPage = 3 };
    enum ResultKind { ResultKeyInfo = 1, ResultColour = 2 };

    // keyInfo is read now and written only when the picker ends with OK and
    // result kind 1. keyLabel is the key's label as it is now (keyinfo_to_text);
    // the title shows tc_msg34 followed by it.
    CKeyFunPickDlg(QWidget* owner, KEYINFO& keyInfo, const QString& keyLabel);

    // The key's index in the key table, for the default hot spot.
    void setKeyIndex(int index) { m_keyIndex = index; }
    int keyIndex() const { return m_keyIndex; }
    // Colour mode offers the colour swatches; set before exec().
    void setColourMode(bool on);
    bool colourMode() const { return m_colourMode; }

    int exec() override;
    void done(int result) override;

    int resultKind() const { return m_resultKind; }
    std::uint32_t resultColour() const { return m_resultColour; }

    // State a caller or a test may look at.
    int page() const { return m_page; }
    const KEYINFO& keyInfo() const { return m_keyInfo; }
    std::uint32_t capturedCombo() const { return m_combo.packed(); }
    std::uint32_t mediaValue() const { return m_mediaValue; }
    const QString& title() const { return m_title; }
    bool hasBackground() const { return !m_background.isNull(); }

    // The controls, for tests and the gallery (null when an image was missing).
    CPngBtn* pageButton(int page) const;
    CPngBtn* okButton() const { return m_ok; }
    CPngBtn* cancelButton() const { return m_cancel; }
    CPngBtn* cancelHotSpot() const { return m_cancelSpot; }
    CPngBtn* defaultHotSpot() const { return m_defaultSpot; }
    CPngBtn* comboDisplay() const { return m_comboDisplay; }
    CComboBtn* mediaDropDown() const { return m_media; }
    CTreeCtrlEx* macroTree() const { return m_tree; }
    CColorBtnDlg* swatch(int index) const;

    // Shows page 1, 2 or 3 as its page button does.
    void showPage(int page);
    // Page 1 takes every key until the typed combination is let go; then the focus is on OK and the keys
    // work as in any dialog. Choosing page 1 again or focusing the combination display captures again.
    bool capturing() const;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool answerKey(int qtKey);
    void createControls();
    void createSwatches();
    void orderTabStops();
    void fillMacroTree();
    void onButton(CPngBtn* button);
    void onMediaChosen();
    void onDefault();
    void onOk();
    void onSwatch(int value);
    void onKeyStroke(const KeyStroke& stroke);
    void startCapture();
    bool tellNothingChosen();
    void paintPageTexts(QPainter& painter) const;

    KEYINFO& m_callerKeyInfo;
    KEYINFO m_keyInfo;
    int m_keyIndex = 0;
    bool m_colourMode = false;
    int m_page = NoPage;
    std::uint32_t m_mediaValue = 0;
    int m_resultKind = ResultKeyInfo;
    std::uint32_t m_resultColour = 0;
    QString m_title;
    QFont m_font;
    QImage m_background;

    CPngBtn* m_cancelSpot = nullptr;
    CPngBtn* m_defaultSpot = nullptr;
    std::array<CPngBtn*, 3> m_pageButtons{};
    CPngBtn* m_ok = nullptr;
    CPngBtn* m_cancel = nullptr;
    CComboBtn* m_media = nullptr;
    CPngBtn* m_comboDisplay = nullptr;
    CTreeCtrlEx* m_tree = nullptr;
    std::array<CColorBtnDlg*, PickerSwatchColours.size()> m_swatches{};
    ComboCapture m_combo;
    ComboRelease m_release;
    KeyCaptureFilter* m_keyFilter = nullptr;
};

} // namespace kavrel
