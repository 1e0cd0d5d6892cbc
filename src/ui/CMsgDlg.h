#pragma once

#include "ui/ComboCapture.h"
#include "ui/SkinDialog.h"

#include <QFont>
#include <QImage>
#include <QString>

#include <cstdint>
#include <string_view>

class QLineEdit;

namespace kavrel {

class CPngBtn;
class KeyCaptureFilter;
struct KeyStroke;

// The skinned message box: every notice, question, short text or number
// input and key capture the program puts to the user. Styles: 1 information
// (OK only), 2 text input, 3 number input (digits only), 4 key capture (every
// key is captured, Tab, Alt, F10, Esc and Enter included), 5 question.
//
// Without its background picture (msg_nr.png) the user is told which file is
// missing (once per run) and the box runs as a plain system dialog instead:
// a notice, a Yes/No-like question (Cancel by default) or an input. Key
// capture cannot do without it and ends with Cancel.
//
// Keys: F1 does nothing. Tab moves the focus between the field and the buttons;
// Space or Enter press the focused button (OK has it when the box opens, or
// Cancel/No for a question set to default to No); Enter in the field answers as
// OK does. Esc answers Cancel (No) where the box has one; in an information
// box it does nothing. Key capture takes every key, Tab, Alt, F10, Esc and
// Enter included, until the typed combination is let go: then the focus moves
// to OK and the keys above work; the field taking the focus again (a click,
// Tab) captures again. The result fields mean something only after OK.
//
// Child names for tests: "ok", "cancel", "close" (buttons), "input" (field).
class CMsgDlg : public SkinDialog {
    Q_OBJECT
public:
    enum Style { Information = 1, TextInput = 2, NumberInput = 3, KeyCapture = 4, Question = 5 };

    CMsgDlg(int style, QWidget* owner);

    int style() const { return m_style; }
    void setMessage(const QString& text);
    const QString& message() const { return m_message; }
    // Style 4: the modifier mask is cleared at every key-down.
    void setResetModifiers(bool on);
    // Style 5: Cancel has the focus when the box opens, so that Enter answers
    // it, for questions whose OK destroys something.
    void setDefaultNo();
    // As setDefaultNo, the buttons saying Yes and No (tc_yes, tc_no).
    void setYesNoDefaultNo();
    // Style 2: the field starts with this text, all of it selected.
    void setInitialText(const QString& text);

    int numberResult() const { return m_numberResult; }
    QString textResult() const { return m_textResult; }
    std::uint8_t capturedModifiers() const { return m_capture.modifiers(); }
    std::uint8_t firstKey() const { return m_capture.firstKey(); }
    std::uint8_t secondKey() const { return m_capture.secondKey(); }

    // True when the background picture loaded (otherwise the box ends at once).
    bool hasSkin() const { return !m_background.isNull(); }

    int exec() override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void createButtons();
    void createInputField();
    void setUpKeyboard();
    void onOk();
    void onCancel();
    void onKeyStroke(const KeyStroke& stroke);
    int runPlainBox();
    void captureKey(int virtualKey, std::uint32_t keyFlags, int state);

    int m_style;
    QString m_message;
    QString m_textResult;
    int m_numberResult = 0;
    ComboCapture m_capture;
    ComboRelease m_release;
    KeyCaptureFilter* m_captureFilter = nullptr;
    QImage m_background;
    QImage m_icon;
    QFont m_textFont;
    QLineEdit* m_input = nullptr;
    CPngBtn* m_ok = nullptr;
    CPngBtn* m_cancel = nullptr;
    bool m_enterMeansNo = false;
};

// The decimal number at the start of a text: leading blanks and a sign
// allowed, conversion stops at the first character that is not a digit, 0
// when there is none; values beyond the int range are held at its limits.
int leadingDecimal(const QString& text);

// The most characters (UTF-16 units) ask_text hands back.
inline constexpr int AskTextMaxLength = 259;

// Each runs a CMsgDlg owned by `owner` modally and returns when it ends.
// show_message and ask_question take a text table key, show_message_text a
// literal text. They return QDialog::Accepted or QDialog::Rejected; callers
// of ask_question act only on Accepted. ask_text returns 1 and sets result
// to the typed text (cut to AskTextMaxLength) when the box ended with OK and
// a text, otherwise 0, leaving result untouched.
int show_message(QWidget* owner, std::string_view textKey);
int show_message_text(QWidget* owner, const QString& text);
int ask_question(QWidget* owner, std::string_view textKey);
int ask_text(QWidget* owner, std::string_view textKey, QString& result);
// As ask_text, the field holding `initial`, selected, when the box opens.
int ask_text(QWidget* owner, std::string_view textKey, QString& result, const QString& initial);
// A question answered Yes (Accepted) or No (Rejected); Enter answers No.
int ask_yes_no(QWidget* owner, const QString& text);
// As ask_question for questions whose OK destroys something: Enter answers Cancel.
int ask_question_default_no(QWidget* owner, std::string_view textKey);

} // namespace kavrel
