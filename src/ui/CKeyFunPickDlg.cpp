#include "ui/CKeyFunPickDlg.h"

#include "app/Config.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/ButtonFactory.h"
#include "controls/CComboBtn.h"
#include "controls/CPngBtn.h"
#include "controls/CTreeCtrlEx.h"
#include "controls/SkinImage.h"
#include "controls/SkinMenu.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "macro/KeyLabel.h"
#include "macro/Macro.h"
#include "macro/MacroCatalog.h"
#include "macro/StMacro.h"
#include "model/KeyNames.h"
#include "platform/MessageBox.h"
#include "ui/CColorBtnDlg.h"
#include "ui/CMsgDlg.h"
#include "ui/ComboCapture.h"
#include "ui/KeyCapture.h"
#include "ui/LibraryTree.h"
#include "ui/MissingPictures.h"
#include "ui/WindowBasics.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <cstring>
#include <vector>

namespace kavrel {

namespace {

constexpr char BackgroundFile[] = "pickfundlg.png";
constexpr ButtonFiles PageButtonFiles{"btn2_nr.png", "btn2_nr.png", "btn2_nr.png"};
constexpr ButtonFiles TextButtonFiles{"btn_nr.png", "btn_nr.png", "btn_nr.png"};
constexpr ButtonFiles DropDownFiles{"combo_nr.png", "combo_nr.png", "combo_nr.png"};
constexpr ButtonFiles DisplayFiles{"button_nr.png", "button_nr.png", "button_nr.png"};
constexpr std::string_view PageTextKeys[3] = {"tc_page1", "tc_msg25", "tc_page3"};
// Names of the swatches, in PickerSwatchColours order.
constexpr std::string_view SwatchTextKeys[PickerSwatchColours.size()] = {"tc_swatch_red", "tc_swatch_none",
    "tc_swatch_green", "tc_swatch_yellow", "tc_swatch_blue", "tc_swatch_magenta", "tc_swatch_cyan", "tc_swatch_white"};

constexpr unsigned LineFormat = TextSingleLine | TextVCenter | TextEndEllipsis;
constexpr unsigned WrappedFormat = TextWordBreak | TextVCenter | TextEndEllipsis;

// The band a page's heading is drawn in, above the page's control, as wide as the page.
QRect headingBand(QPoint control)
{
    return QRect(
        QPoint(control.x() + 5, control.y() - 25), QPoint(CKeyFunPickDlg::PageArea.right() - 5, control.y() - 6));
}

} // namespace

CKeyFunPickDlg::CKeyFunPickDlg(QWidget* owner, KEYINFO& keyInfo, const QString& keyLabel)
    : SkinDialog(owner)
    , m_callerKeyInfo(keyInfo)
    , m_keyInfo(keyInfo)
    , m_title(text("tc_msg34") + keyLabel)
    , m_font(shellDlgFont(FontHeight, 400))
    , m_background(load_skin_image(BackgroundFile))
    , m_combo(pickerRepeatFilter())
{
    setObjectName("CKeyFunPickDlg");
    setWindowTitle(m_title);
    if (m_background.isNull())
        return;
    setSkinBackground(m_background);
    createControls();
    m_keyFilter = new KeyCaptureFilter(this, [this](const KeyStroke& stroke) { onKeyStroke(stroke); });
    m_keyFilter->setEnabled(false);
    // A keyboard user starts on the first page's button: Space opens the combination page.
    if (m_pageButtons[0])
        m_pageButtons[0]->setFocus(Qt::OtherFocusReason);
}

void CKeyFunPickDlg::createControls()
{
    const QImage& picture = m_background;
    const int tips = Cfg.BtnTips;
    auto at = [](QPoint point) { return QRect(point, QSize(1, 1)); };

    m_cancelSpot = create_cut_button(this, &CancelHotSpot, picture, picture, picture, {}, tips);
    m_defaultSpot = create_cut_button(this, &DefaultHotSpot, picture, picture, picture, {}, tips);
    for (std::size_t i = 0; i < m_pageButtons.size(); ++i)
        m_pageButtons[i]
            = create_skin_button(this, at(PageButtonAt[i]), PageButtonFiles, &picture, 1, text(PageTextKeys[i]), tips);
    m_ok = create_skin_button(this, at(OkAt), TextButtonFiles, &picture, 1, text("tc_ok"), tips);
    m_cancel = create_skin_button(this, at(CancelAt), TextButtonFiles, &picture, 1, text("tc_cancel"), tips);
    m_media = create_skin_button<CComboBtn>(this, at(PageControlAt), DropDownFiles, &picture, 1, {}, tips);
    m_comboDisplay = create_skin_button(this, at(PageControlAt), DisplayFiles, &picture, 1, {}, tips);

    const QString skins = QString::fromStdString(SkinsFolder());
    m_tree = new CTreeCtrlEx;
    m_tree->Create(this, TreeControlId, TreeRect, nullptr, skins + "open.png", skins + "close.png");
    m_tree->setTextColors(Cfg.LstBox_txt_clr_nr, Cfg.LstBox_txt_clr_dn);
    m_tree->setSelectedColor(argbOfColorRef(Cfg.LstBox_item_clr, 200));
    m_tree->setBackgroundColor(argbOfColorRef(Cfg.LstBox_bkg_clr, 200));
    m_tree->setObjectName("macroTree");
    m_tree->hide();
    // The list takes the focus when clicked and has no use for keys: Enter and Esc still reach the picker.
    m_tree->installEventFilter(this);

    const char* names[] = {"cancelHotSpot", "defaultHotSpot", "page1", "page2", "page3", "ok", "cancel"};
    CPngBtn* buttons[]
        = {m_cancelSpot, m_defaultSpot, m_pageButtons[0], m_pageButtons[1], m_pageButtons[2], m_ok, m_cancel};
    for (std::size_t i = 0; i < std::size(buttons); ++i) {
        if (!buttons[i])
            continue;
        buttons[i]->setObjectName(names[i]);
        connect(buttons[i], &CPngBtn::command, this, &CKeyFunPickDlg::onButton);
    }
    if (m_media) {
        m_media->setObjectName("mediaDropDown");
        for (const MediaChoice& choice : MediaChoices)
            m_media->addEntry(0, choice.value, text(choice.textKey));
        connect(m_media, &CPngBtn::command, this, [this] { onMediaChosen(); });
        m_media->hide();
    }
    if (m_comboDisplay) {
        m_comboDisplay->setObjectName("comboDisplay");
        m_comboDisplay->setAccessibleName(text(PageTextKeys[0]));
        m_comboDisplay->installEventFilter(this);
        connect(m_comboDisplay, &CPngBtn::clicked, this, [this] { m_comboDisplay->setFocus(Qt::MouseFocusReason); });
        m_comboDisplay->hide();
    }
    // The cancel hot spot does what Cancel and Esc do: a keyboard user has no need to stop on it. The
    // default hot spot is the only way to the key's factory function, so it stays a stop, named.
    if (m_cancelSpot) {
        m_cancelSpot->setFocusPolicy(Qt::NoFocus);
        m_cancelSpot->setAccessibleName(text("tc_cancel"));
    }
    if (m_defaultSpot) {
        m_defaultSpot->setAccessibleName(text("tc_restore"));
        if (tips)
            m_defaultSpot->setToolTip(text("tc_restore"));
    }
    orderTabStops();
}

void CKeyFunPickDlg::orderTabStops()
{
    // The page buttons, the shown page's control, the colours, OK and Cancel, then the default hot spot.
    std::vector<QWidget*> order(m_pageButtons.begin(), m_pageButtons.end());
    order.insert(order.end(), {m_comboDisplay, m_tree, m_media});
    order.insert(order.end(), m_swatches.begin(), m_swatches.end());
    order.insert(order.end(), {m_ok, m_cancel, m_defaultSpot});
    std::erase(order, nullptr);
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void CKeyFunPickDlg::setColourMode(bool on)
{
    m_colourMode = on;
    if (on && !m_swatches[0] && hasBackground())
        createSwatches();
    for (CColorBtnDlg* swatch : m_swatches)
        if (swatch)
            swatch->setVisible(on);
    update();
}

void CKeyFunPickDlg::createSwatches()
{
    for (std::size_t i = 0; i < m_swatches.size(); ++i) {
        auto* swatch = new CColorBtnDlg(this);
        swatch->setGeometry(FirstSwatchAt.x() + int(i) * SwatchStep, FirstSwatchAt.y(), SwatchSize, SwatchSize);
        swatch->setColor(PickerSwatchColours[i]);
        swatch->setCrossedOut(i == 1);
        swatch->setNormalFrameColor(SwatchFrame);
        swatch->setSelectedFrameColor(SwatchSelectedFrame);
        swatch->setSelected(false);
        swatch->setValue(int(i));
        swatch->setObjectName(QString("swatch%1").arg(i));
        swatch->setAccessibleName(text(SwatchTextKeys[i]));
        if (Cfg.BtnTips)
            swatch->setToolTip(swatch->accessibleName());
        swatch->show();
        m_swatches[i] = swatch;
    }
    orderTabStops();
}

CPngBtn* CKeyFunPickDlg::pageButton(int page) const
{
    return page >= 1 && page <= 3 ? m_pageButtons[std::size_t(page - 1)] : nullptr;
}

CColorBtnDlg* CKeyFunPickDlg::swatch(int index) const
{
    return index >= 0 && index < int(m_swatches.size()) ? m_swatches[std::size_t(index)] : nullptr;
}

int CKeyFunPickDlg::exec()
{
    if (!hasBackground()) {
        tellMissingSkinPicture(BackgroundFile);
        return Rejected;
    }
    return SkinDialog::exec();
}

void CKeyFunPickDlg::done(int result)
{
    close_menu();
    if (m_keyFilter)
        m_keyFilter->setEnabled(false);
    if (result == Accepted && m_resultKind == ResultKeyInfo)
        m_callerKeyInfo = m_keyInfo;
    SkinDialog::done(result);
}

void CKeyFunPickDlg::showPage(int page)
{
    if (page < ComboPage || page > MediaPage)
        return;
    close_menu();
    for (CPngBtn* button : m_pageButtons)
        if (button)
            button->set_checked(0);
    for (QWidget* control : std::initializer_list<QWidget*>{m_comboDisplay, m_tree, m_media})
        if (control)
            control->hide();
    if (page == MacroPage && m_tree && m_tree->itemCount() == 0)
        fillMacroTree();
    if (CPngBtn* button = pageButton(page))
        button->set_checked(1);
    QWidget* controls[] = {m_comboDisplay, m_tree, m_media};
    if (QWidget* control = controls[page - 1])
        control->show();
    m_page = page;
    if (m_keyFilter)
        m_keyFilter->setEnabled(false);
    if (page == ComboPage)
        startCapture();
    update(PageArea);
}

void CKeyFunPickDlg::fillMacroTree()
{
    // The library the apply uses: a macro offered here is one it finds;
    // files it cannot use are shown greyed, with why.
    fillLibraryTree(*m_tree, m_tree->RootItem(), MacroCatalog(), false);
}

void CKeyFunPickDlg::onButton(CPngBtn* button)
{
    if (button == m_cancel || button == m_cancelSpot)
        reject();
    else if (button == m_defaultSpot)
        onDefault();
    else if (button == m_ok)
        onOk();
    else
        for (int page = ComboPage; page <= MediaPage; ++page)
            if (button == pageButton(page))
                showPage(page);
}

void CKeyFunPickDlg::onMediaChosen()
{
    m_mediaValue = m_media->selectedValue();
    m_keyInfo.setFirstWord(m_mediaValue);
    m_media->set_text(QString::fromStdString(keyinfo_to_text(m_keyInfo)), m_media->textOffset());
}

void CKeyFunPickDlg::onDefault()
{
    if (ask_question_default_no(this, "tc_msg14") != Accepted)
        return;
    if (m_keyIndex < 0 || m_keyIndex >= KeyTableSize)
        return;
    m_keyInfo = KeyTable[std::size_t(m_keyIndex)];
    m_resultKind = ResultKeyInfo;
    accept();
}

bool CKeyFunPickDlg::tellNothingChosen()
{
    show_message(this, "tc_msg3");
    return false;
}

void CKeyFunPickDlg::onOk()
{
    // Every new assignment starts from a cleared record: only the first word
    // and the fields of its kind are set; the caller completes the rest.
    auto clearTail = [this] { std::memset(reinterpret_cast<char*>(&m_keyInfo) + 4, 0, sizeof(KEYINFO) - 4); };
    switch (m_page) {
    case ComboPage:
        if (capturedCombo() == 0)
            return void(tellNothingChosen());
        clearTail();
        m_keyInfo.setFirstWord(std::uint32_t(KindKey) << 24);
        m_keyInfo.modifiers = m_combo.modifiers();
        m_keyInfo.key1 = m_combo.firstKey();
        m_keyInfo.key2 = m_combo.secondKey();
        break;
    case MacroPage: {
        const TreeItem item = m_tree ? m_tree->selectedItem() : nullptr;
        const TreeItemRec* record = item ? m_tree->FindItemRec(item) : nullptr;
        if (!record || record->nKind != TreeLeaf)
            return void(tellNothingChosen());
        if (m_tree->itemDisabled(item))
            return void(show_message_text(this, m_tree->itemNote(item)));
        clearTail();
        m_keyInfo.setFirstWord(std::uint32_t(KindMacro) << 24);
        m_keyInfo.macroId = macroIdOfValue(record->nValue);
        break;
    }
    case MediaPage:
        if (m_mediaValue == 0)
            return void(tellNothingChosen());
        clearTail();
        m_keyInfo.setFirstWord(m_mediaValue);
        break;
    default:
        break;
    }
    m_resultKind = ResultKeyInfo;
    accept();
}

void CKeyFunPickDlg::onSwatch(int value)
{
    if (!m_colourMode || value < 0 || value >= int(PickerSwatchColours.size()))
        return;
    m_resultColour = PickerSwatchColours[std::size_t(value)];
    m_resultKind = ResultColour;
    accept();
}

void CKeyFunPickDlg::startCapture()
{
    if (!m_keyFilter || m_page != ComboPage || m_keyFilter->isEnabled())
        return;
    m_release.reset();
    m_keyFilter->setEnabled(true);
}

bool CKeyFunPickDlg::capturing() const
{
    return m_keyFilter && m_keyFilter->isEnabled();
}

void CKeyFunPickDlg::onKeyStroke(const KeyStroke& stroke)
{
    if (m_page != ComboPage)
        return;
    if (m_combo.handle(stroke.virtualKey, stroke.keyFlags, stroke.down ? KeyStateDown : KeyStateUp) && m_comboDisplay)
        m_comboDisplay->set_text(
            QString::fromStdString(combo_to_text(m_combo.modifiers(), m_combo.firstKey(), m_combo.secondKey())));
    // The combination let go: the keyboard is the user's again, on OK.
    if (m_release.handle(stroke.virtualKey, stroke.keyFlags, stroke.down)) {
        m_keyFilter->setEnabled(false);
        if (m_ok)
            m_ok->setFocus(Qt::OtherFocusReason);
    }
}

bool CKeyFunPickDlg::event(QEvent* event)
{
    if (const WindowMessageEvent* message = asWindowMessage(event)) {
        if (message->message() == MsgSwatchClicked)
            onSwatch(int(message->lParam()));
        return true;
    }
    return SkinDialog::event(event);
}

void CKeyFunPickDlg::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        close_menu();
    SkinDialog::mousePressEvent(event);
}

bool CKeyFunPickDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_comboDisplay && event->type() == QEvent::FocusIn)
        startCapture();
    if (watched == m_tree && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (answerKey(key->key()))
            return true;
    }
    return SkinDialog::eventFilter(watched, event);
}

bool CKeyFunPickDlg::answerKey(int qtKey)
{
    // Outside page 1 (where every key is captured) the keyboard works as in any dialog: Enter is OK with all
    // of OK's checks, Esc is Cancel.
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        onOk();
        return true;
    case Qt::Key_Escape:
        reject();
        return true;
    default:
        return false;
    }
}

void CKeyFunPickDlg::keyPressEvent(QKeyEvent* event)
{
    if (!answerKey(event->key()))
        SkinDialog::keyPressEvent(event);
}

void CKeyFunPickDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(&m_buffer.begin(size()));
    draw_image(painter, m_background, 0, 0, width(), height());
    painter.setFont(m_font);
    painter.setPen(colorOfColorRef(TextColour));
    paintPageTexts(painter);
    drawSkinText(painter, TitleRect, m_title, LineFormat);
    if (m_colourMode)
        drawSkinText(painter, ColourLabelRect, text("tc_adv_str3"), LineFormat);
    painter.end();
    m_buffer.copyTo(this);
}

void CKeyFunPickDlg::paintPageTexts(QPainter& painter) const
{
    switch (m_page) {
    case ComboPage:
        drawSkinText(painter, headingBand(PageControlAt), text("tc_combo_tips"), LineFormat);
        break;
    case MacroPage:
        drawSkinText(painter, headingBand(TreeRect.topLeft()), text("tc_macro_list"), LineFormat);
        if (!m_tree || m_tree->itemCount() == 0)
            drawSkinText(painter, EmptyLibraryHintRect, text("tc_msg9"), WrappedFormat);
        break;
    case MediaPage:
        drawSkinText(painter, headingBand(PageControlAt), text("tc_page3"), LineFormat);
        break;
    default:
        break;
    }
}

} // namespace kavrel
