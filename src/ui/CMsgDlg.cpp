#include "ui/CMsgDlg.h"

#include "app/Texts.h"
#include "controls/ButtonFactory.h"
#include "controls/SkinImage.h"
#include "controls/SkinText.h"
#include "controls/WindowMessage.h"
#include "model/KeyNames.h"
#include "ui/KeyCapture.h"
#include "ui/MissingPictures.h"
#include "ui/WindowBasics.h"

#include <QFontMetrics>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <climits>

namespace kavrel {
namespace {

constexpr std::string_view BackgroundFile = "msg_nr.png";
constexpr std::string_view IconFile = "msgico.png";
const ButtonFiles CloseFiles{"exit_nr.png", "exit_ov.png", "exit_ov.png"};
const ButtonFiles TextButtonFiles{"btn_nr.png", "btn_ov.png", "btn_nr.png"};

// Layout in pixels of the background picture; W and H its size.
constexpr int CloseRightOffset = 36; // close button at (W - 36, 10)
constexpr int CloseTop = 10;
constexpr int RightButtonOffset = 87; // Cancel, or OK in style 1, at (W - 87, H - 45)
constexpr int LeftButtonOffset = 164; // OK beside Cancel at (W - 164, H - 45)
constexpr int ButtonBottomOffset = 45;
constexpr int InputWidth = 400; // input field (x, 100)-(x + 400, 124), x centring it
constexpr int InputTop = 100;
constexpr int InputHeight = 24;
constexpr QPoint IconPosition(45, 85);
const QRect InformationTextRect(QPoint(110, 98), QPoint(509, 117));
const QRect OtherTextRect(QPoint(65, 75), QPoint(464, 94));
constexpr std::uint32_t TextColor = 0xC8C8C8;

QFont textFont()
{
    return applicationSkinFont().value_or(shellDlgFont(14, 400));
}

bool hasInputField(int style)
{
    return style == CMsgDlg::TextInput || style == CMsgDlg::NumberInput || style == CMsgDlg::KeyCapture;
}

// A text cut to at most `length` UTF-16 units, never between the two halves of a surrogate pair.
QString cutText(const QString& text, int length)
{
    if (text.size() <= length)
        return text;
    const bool splitsPair = length > 0 && text.at(length - 1).isHighSurrogate();
    return text.left(splitsPair ? length - 1 : length);
}

// The message's place: vertically centred in its rectangle when it fits;
// otherwise, as the platform's word-wrapped drawing does, from the
// rectangle's top, every line shown below it (the text is not clipped).
QRect messageRect(const QFontMetrics& metrics, const QRect& rect, const QString& text, unsigned& format)
{
    const QRect needed = metrics.boundingRect(rect, Qt::TextWordWrap, text);
    if (needed.height() <= rect.height())
        return rect;
    format &= ~unsigned(TextVCenter);
    return QRect(rect.topLeft(), QSize(rect.width(), needed.height()));
}

int runBox(int style, QWidget* owner, const QString& text)
{
    CMsgDlg box(style, owner);
    box.setMessage(text);
    return box.exec();
}

} // namespace

int leadingDecimal(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    long long value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i].unicode() - u'0');
        if (value > std::int64_t(INT_MAX) + 1)
            break;
    }
    value = negative ? -value : value;
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

CMsgDlg::CMsgDlg(int style, QWidget* owner)
    : SkinDialog(owner)
    , m_style(style)
    , m_capture(messageBoxRepeatFilter())
    , m_textFont(textFont())
{
    setObjectName("msgDlg");
    m_background = load_skin_image(BackgroundFile);
    if (m_background.isNull()) {
        // Nothing to lay out: the box ends with Cancel as soon as it runs.
        setSkinSize(QSize(1, 1));
        return;
    }
    m_icon = load_skin_image(IconFile);
    setSkinBackground(m_background);
    createButtons();
    if (hasInputField(m_style))
        createInputField();
    setUpKeyboard();
}

void CMsgDlg::createButtons()
{
    const int w = width();
    const int h = height();
    if (CPngBtn* close = create_skin_button(
            this, QRect(QPoint(w - CloseRightOffset, CloseTop), QSize()), CloseFiles, &m_background, 0)) {
        close->setObjectName("close");
        // The same answer as Cancel, for the mouse: Tab passes it by.
        close->setFocusPolicy(Qt::NoFocus);
        connect(close, &CPngBtn::clicked, this, &CMsgDlg::onCancel);
    }
    const bool information = m_style == Information;
    const QPoint okAt(w - (information ? RightButtonOffset : LeftButtonOffset), h - ButtonBottomOffset);
    m_ok = create_skin_button(this, QRect(okAt, QSize()), TextButtonFiles, &m_background, 0, text("tc_ok"));
    if (m_ok) {
        m_ok->setObjectName("ok");
        connect(m_ok, &CPngBtn::clicked, this, &CMsgDlg::onOk);
    }
    const QPoint cancelAt(w - RightButtonOffset, h - ButtonBottomOffset);
    m_cancel = create_skin_button(this, QRect(cancelAt, QSize()), TextButtonFiles, &m_background, 0, text("tc_cancel"));
    if (m_cancel) {
        m_cancel->setObjectName("cancel");
        m_cancel->setVisible(!information);
        connect(m_cancel, &CPngBtn::clicked, this, &CMsgDlg::onCancel);
    }
}

void CMsgDlg::createInputField()
{
    const int x = (image_width(m_background) - InputWidth) >> 1;
    m_input = new QLineEdit(this);
    m_input->setObjectName("input");
    m_input->setGeometry(x, InputTop, InputWidth, InputHeight);
    m_input->setAlignment(Qt::AlignCenter);
    m_input->setFont(shellDlgFont(16, 600));
    if (m_style == NumberInput)
        m_input->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), m_input));
    if (m_style == KeyCapture)
        m_input->setReadOnly(true);
    m_input->setFocus();
}

void CMsgDlg::setUpKeyboard()
{
    // Space types a space in a text field; everywhere else it is swallowed unless a button has the focus.
    SwallowKeysFilter::Keys keys;
    keys.space = m_style != TextInput;
    auto answerCancel = [this] { m_cancel ? m_cancel->click() : onCancel(); };
    auto answerEnter = [this, answerCancel] {
        if (m_enterMeansNo)
            return answerCancel();
        if (m_ok)
            m_ok->click();
        else
            onOk();
    };
    // An information box has no Cancel: Esc does nothing there, so that it is not dismissed unread.
    new SwallowKeysFilter(this, keys, answerEnter, m_style == Information ? std::function<void()>() : answerCancel);
    if (m_style != KeyCapture)
        return;
    // Installed last, so it sees every key first while it captures.
    m_captureFilter = new KeyCaptureFilter(this, [this](const KeyStroke& stroke) { onKeyStroke(stroke); });
    if (m_input)
        m_input->installEventFilter(this);
}

void CMsgDlg::setMessage(const QString& text)
{
    m_message = text;
    // The box draws its text itself: screen readers get it as the dialog's name and description.
    setAccessibleName(text);
    setAccessibleDescription(text);
    update();
}

void CMsgDlg::setResetModifiers(bool on)
{
    m_capture.setResetModifiers(on);
}

void CMsgDlg::setDefaultNo()
{
    m_enterMeansNo = true;
}

void CMsgDlg::setYesNoDefaultNo()
{
    setDefaultNo();
    if (m_ok)
        m_ok->set_text(text("tc_yes"));
    if (m_cancel)
        m_cancel->set_text(text("tc_no"));
}

void CMsgDlg::setInitialText(const QString& text)
{
    if (!m_input)
        return;
    m_input->setText(text);
    m_input->selectAll();
}

int CMsgDlg::exec()
{
    if (!hasSkin()) {
        setResult(runPlainBox());
        return result();
    }
    return SkinDialog::exec();
}

int CMsgDlg::runPlainBox()
{
    // Without its picture the box cannot be drawn: the user is told which file is missing and gets the same
    // notice, question or input as a plain system dialog, so no error vanishes and no question is answered
    // for them.
    tellMissingSkinPicture(BackgroundFile);
    QWidget* owner = parentWidget();
    if (m_style == TextInput || m_style == NumberInput) {
        QInputDialog input(owner);
        input.setObjectName("plainInput");
        input.setWindowTitle(text("tc_title"));
        input.setLabelText(m_message);
        if (m_style == NumberInput) {
            input.setInputMode(QInputDialog::IntInput);
            input.setIntRange(0, INT_MAX);
        }
        if (input.exec() != Accepted)
            return Rejected;
        m_numberResult = input.intValue();
        m_textResult = input.textValue();
        return m_style == TextInput && m_textResult.isEmpty() ? Rejected : Accepted;
    }
    QMessageBox box(owner);
    box.setObjectName("plainBox");
    box.setWindowTitle(text("tc_title"));
    box.setText(m_message);
    box.setIcon(m_style == Question ? QMessageBox::Question : QMessageBox::Information);
    QPushButton* ok = box.addButton(text("tc_ok"), QMessageBox::AcceptRole);
    ok->setObjectName("ok");
    if (m_style != Information) {
        QPushButton* cancel = box.addButton(text("tc_cancel"), QMessageBox::RejectRole);
        cancel->setObjectName("cancel");
        box.setDefaultButton(cancel);
        box.setEscapeButton(cancel);
    }
    box.exec();
    return box.clickedButton() == ok ? Accepted : Rejected;
}

void CMsgDlg::onOk()
{
    if (m_style == NumberInput) {
        m_numberResult = m_input ? leadingDecimal(m_input->text()) : 0;
        accept();
        return;
    }
    if (m_style == TextInput) {
        m_textResult = m_input ? m_input->text() : QString();
        if (m_textResult.isEmpty())
            reject();
        else
            accept();
        return;
    }
    accept();
}

void CMsgDlg::onCancel()
{
    m_numberResult = 0;
    reject();
}

void CMsgDlg::onKeyStroke(const KeyStroke& stroke)
{
    captureKey(stroke.virtualKey, stroke.keyFlags, stroke.down ? KeyStateDown : KeyStateUp);
    // The combination let go: the keyboard is the user's again, on OK.
    if (m_release.handle(stroke.virtualKey, stroke.keyFlags, stroke.down) && m_captureFilter) {
        m_captureFilter->setEnabled(false);
        if (m_ok)
            m_ok->setFocus(Qt::OtherFocusReason);
    }
}

bool CMsgDlg::eventFilter(QObject* watched, QEvent* event)
{
    // The field taking the focus again (clicked, or reached by Tab) captures again.
    if (watched == m_input && event->type() == QEvent::FocusIn && m_captureFilter && !m_captureFilter->isEnabled()) {
        m_release.reset();
        m_captureFilter->setEnabled(true);
    }
    return SkinDialog::eventFilter(watched, event);
}

void CMsgDlg::captureKey(int virtualKey, std::uint32_t keyFlags, int state)
{
    if (!m_capture.handle(virtualKey, keyFlags, state) || !m_input)
        return;
    m_input->setText(
        QString::fromStdString(combo_to_side_text(m_capture.modifiers(), m_capture.firstKey(), m_capture.secondKey())));
}

bool CMsgDlg::event(QEvent* event)
{
    WindowMessageEvent* message = asWindowMessage(event);
    if (!message)
        return SkinDialog::event(event);
    // A key message posted by another window: wParam the key code, lParam 0 down, 0x80 up.
    if (message->message() == MsgKeyEvent && m_style == KeyCapture && message->wParam() > 0
        && message->wParam() <= 0xFF)
        captureKey(int(message->wParam()), 0, message->lParam() == 0 ? KeyStateDown : KeyStateUp);
    return true;
}

void CMsgDlg::showEvent(QShowEvent* event)
{
    SkinDialog::showEvent(event);
    // Boxes without a field open with the focus on the button Enter answers.
    if (!m_input) {
        if (CPngBtn* button = m_enterMeansNo && m_cancel ? m_cancel : m_ok)
            button->setFocus(Qt::OtherFocusReason);
    }
    if (!hasSkin())
        QMetaObject::invokeMethod(this, &CMsgDlg::reject, Qt::QueuedConnection);
}

void CMsgDlg::paintEvent(QPaintEvent*)
{
    QPainter painter(&m_buffer.begin(size()));
    draw_image(painter, m_background, 0, 0, width(), height());
    if (m_style == Information && !m_icon.isNull())
        painter.drawImage(IconPosition, m_icon);
    painter.setFont(m_textFont);
    painter.setPen(colorOfColorRef(TextColor));
    unsigned format = TextWordBreak | TextVCenter | TextNoClip | TextEndEllipsis;
    const QRect& place = m_style == Information ? InformationTextRect : OtherTextRect;
    const QRect rect = messageRect(painter.fontMetrics(), place, m_message, format);
    drawSkinText(painter, rect, m_message, format);
    painter.end();
    m_buffer.copyTo(this);
}

int show_message(QWidget* owner, std::string_view textKey)
{
    return runBox(CMsgDlg::Information, owner, text(textKey));
}

int show_message_text(QWidget* owner, const QString& text)
{
    return runBox(CMsgDlg::Information, owner, text);
}

int ask_question(QWidget* owner, std::string_view textKey)
{
    return runBox(CMsgDlg::Question, owner, text(textKey));
}

int ask_text(QWidget* owner, std::string_view textKey, QString& result)
{
    return ask_text(owner, textKey, result, QString());
}

int ask_yes_no(QWidget* owner, const QString& text)
{
    CMsgDlg box(CMsgDlg::Question, owner);
    box.setMessage(text);
    box.setYesNoDefaultNo();
    return box.exec();
}

int ask_question_default_no(QWidget* owner, std::string_view textKey)
{
    CMsgDlg box(CMsgDlg::Question, owner);
    box.setMessage(text(textKey));
    box.setDefaultNo();
    return box.exec();
}

int ask_text(QWidget* owner, std::string_view textKey, QString& result, const QString& initial)
{
    CMsgDlg box(CMsgDlg::TextInput, owner);
    box.setMessage(text(textKey));
    box.setInitialText(initial);
    if (box.exec() != QDialog::Accepted)
        return 0;
    result = cutText(box.textResult(), AskTextMaxLength);
    return 1;
}

} // namespace kavrel
