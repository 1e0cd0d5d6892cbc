// The skinned message box in its five styles, driven through its real
// buttons, field and keys, offscreen.

#include "ui/CMsgDlg.h"

#include "UiTestSupport.h"
#include "app/Texts.h"
#include "controls/ButtonFactory.h"
#include "controls/WindowMessage.h"
#include "ui/ComboCapture.h"

#include <QLineEdit>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace kavrel;
using namespace kavrel::test;

namespace {

class MsgDlgTest : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        messageBoxRepeatFilter().forget();
        owner.setGeometry(100, 100, 800, 600);
        owner.show();
    }
    QWidget owner;
};

QLineEdit* inputOf(QDialog& dialog)
{
    return dialog.findChild<QLineEdit*>("input");
}

QWidget* child(QDialog& dialog, const char* name)
{
    return dialog.findChild<QWidget*>(name);
}

// Runs a box of the style with the answers queued before; returns its result.
int runBox(CMsgDlg& box)
{
    const int result = box.exec();
    EXPECT_EQ(pendingModalAnswers(), 0);
    return result;
}

} // namespace

TEST_F(MsgDlgTest, InformationShowsOnlyOkWhereCancelWouldBe)
{
    CMsgDlg info(CMsgDlg::Information, &owner);
    CMsgDlg question(CMsgDlg::Question, &owner);
    const int w = info.width();
    const int h = info.height();
    ASSERT_GT(w, 100);
    EXPECT_EQ(child(info, "ok")->pos(), QPoint(w - 87, h - 45));
    EXPECT_FALSE(child(info, "cancel")->isVisibleTo(&info));
    EXPECT_EQ(child(info, "close")->pos(), QPoint(w - 36, 10));
    EXPECT_EQ(child(question, "ok")->pos(), QPoint(w - 164, h - 45));
    EXPECT_EQ(child(question, "cancel")->pos(), QPoint(w - 87, h - 45));
    EXPECT_TRUE(child(question, "cancel")->isVisibleTo(&question));
    EXPECT_EQ(inputOf(info), nullptr);
    EXPECT_EQ(inputOf(question), nullptr);
    // The input field is centred at y 100.
    CMsgDlg text(CMsgDlg::TextInput, &owner);
    EXPECT_EQ(inputOf(text)->geometry(), QRect((w - 400) / 2, 100, 400, 24));
}

TEST_F(MsgDlgTest, TheBoxIsCentredOnItsOwner)
{
    answerNextModal([](QDialog& dialog) {
        EXPECT_EQ(dialog.pos(), QPoint(100 + (800 - dialog.width()) / 2, 100 + (600 - dialog.height()) / 2));
        clickOk(dialog);
    });
    EXPECT_EQ(show_message(&owner, "tc_msg3"), QDialog::Accepted);
    // A dialog wider than its owner overhangs it equally; odd differences round down.
    QWidget small;
    small.setGeometry(10, 20, 100, 50);
    EXPECT_EQ(centredOnOwner(&small, QSize(131, 51)), QPoint(10 - 16, 20 - 1));
    EXPECT_EQ(centredOnOwner(&small, QSize(31, 11)), QPoint(10 + 34, 20 + 19));
}

TEST_F(MsgDlgTest, QuestionAnswers)
{
    answerNextModal(clickOk);
    EXPECT_EQ(ask_question(&owner, "tc_msg14"), QDialog::Accepted);
    answerNextModal(clickCancel);
    EXPECT_EQ(ask_question(&owner, "tc_msg14"), QDialog::Rejected);
    answerNextModal([](QDialog& dialog) { clickButton(dialog, "close"); });
    EXPECT_EQ(ask_question(&owner, "tc_msg14"), QDialog::Rejected);
}

TEST_F(MsgDlgTest, AskTextReturnsTheTypedTextOnlyWithOkAndAText)
{
    QString result = "untouched";
    answerNextModal(clickOk);
    EXPECT_EQ(ask_text(&owner, "tc_msg3", result), 0) << "empty input is no answer";
    EXPECT_EQ(result, "untouched");
    answerNextModal([](QDialog& dialog) {
        typeInto(dialog, "Game");
        clickCancel(dialog);
    });
    EXPECT_EQ(ask_text(&owner, "tc_msg3", result), 0);
    EXPECT_EQ(result, "untouched");
    answerNextModal([](QDialog& dialog) {
        typeInto(dialog, "My macro");
        clickOk(dialog);
    });
    EXPECT_EQ(ask_text(&owner, "tc_msg3", result), 1);
    EXPECT_EQ(result, "My macro") << "a name keeps its spaces";
}

TEST_F(MsgDlgTest, AskTextCutsLongTextsWithoutSplittingACharacter)
{
    QString result;
    answerNextModal([](QDialog& dialog) {
        inputOf(dialog)->setText(QString(300, u'x'));
        clickOk(dialog);
    });
    ASSERT_EQ(ask_text(&owner, "tc_msg3", result), 1);
    EXPECT_EQ(result.size(), 259);
    // A character outside the basic plane spans two units; it is not cut in half.
    answerNextModal([](QDialog& dialog) {
        inputOf(dialog)->setText(QString(258, u'y') + QString::fromUtf8("\xF0\x9F\x8E\xAE") + "z");
        clickOk(dialog);
    });
    ASSERT_EQ(ask_text(&owner, "tc_msg3", result), 1);
    EXPECT_EQ(result, QString(258, u'y'));
}

TEST_F(MsgDlgTest, NumberInputTakesDigitsOnly)
{
    CMsgDlg box(CMsgDlg::NumberInput, &owner);
    answerNextModal([](QDialog& dialog) {
        typeInto(dialog, "12ab 3");
        EXPECT_EQ(inputOf(dialog)->text(), "123");
        clickOk(dialog);
    });
    EXPECT_EQ(runBox(box), QDialog::Accepted);
    EXPECT_EQ(box.numberResult(), 123);

    CMsgDlg letters(CMsgDlg::NumberInput, &owner);
    answerNextModal([](QDialog& dialog) {
        typeInto(dialog, "abc");
        clickOk(dialog);
    });
    EXPECT_EQ(runBox(letters), QDialog::Accepted);
    EXPECT_EQ(letters.numberResult(), 0);

    CMsgDlg cancelled(CMsgDlg::NumberInput, &owner);
    answerNextModal([](QDialog& dialog) {
        typeInto(dialog, "55");
        clickCancel(dialog);
    });
    EXPECT_EQ(runBox(cancelled), QDialog::Rejected);
    EXPECT_EQ(cancelled.numberResult(), 0);
}

TEST(LeadingDecimal, ConvertsTheNumberAtTheStart)
{
    EXPECT_EQ(leadingDecimal("12ab"), 12);
    EXPECT_EQ(leadingDecimal("abc"), 0);
    EXPECT_EQ(leadingDecimal(""), 0);
    EXPECT_EQ(leadingDecimal("  -40x"), -40);
    EXPECT_EQ(leadingDecimal("+7"), 7);
    EXPECT_EQ(leadingDecimal("- 7"), 0);
    EXPECT_EQ(leadingDecimal("2147483647"), 2147483647);
    EXPECT_EQ(leadingDecimal("99999999999999999999999"), 2147483647) << "held at the limit";
    EXPECT_EQ(leadingDecimal("-99999999999999999999999"), -2147483647 - 1);
}

TEST_F(MsgDlgTest, InAFieldSpaceTypesF1DoesNothingEnterClicksOkAndEscCancels)
{
    CMsgDlg box(CMsgDlg::TextInput, &owner);
    answerNextModal([](QDialog& dialog) {
        typeInto(dialog, "a");
        for (const int vk : {0x20, 0x70})
            tapKey(&dialog, vk);
        EXPECT_TRUE(dialog.isVisible()) << "F1 did not close the box";
        EXPECT_EQ(inputOf(dialog)->text(), "a ") << "in a text field Space types a space";
        sendKey(&dialog, 0x0D | ExtendedVariant, true); // keypad Enter
    });
    EXPECT_EQ(runBox(box), QDialog::Accepted);
    EXPECT_EQ(box.textResult(), "a ");

    CMsgDlg cancelled(CMsgDlg::TextInput, &owner);
    answerNextModal([](QDialog& dialog) {
        typeInto(dialog, "b");
        tapKey(&dialog, 0x1B);
    });
    EXPECT_EQ(runBox(cancelled), QDialog::Rejected);
}

TEST_F(MsgDlgTest, WithoutAMouseTheFocusedButtonAnswersAndEscIsCancelWhereThereIsOne)
{
    auto ask = [this](std::function<void(QDialog&)> keys) {
        answerNextModal(std::move(keys));
        const int result = ask_question(&owner, "tc_msg3");
        EXPECT_EQ(pendingModalAnswers(), 0);
        return result;
    };
    auto focused
        = [](QDialog& dialog) { return dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString(); };
    // A question opens on OK: Space or Enter press it; Tab moves to Cancel (the close button is left out).
    EXPECT_EQ(ask([](QDialog& d) { tapKey(&d, 0x20); }), QDialog::Accepted);
    EXPECT_EQ(ask([](QDialog& d) { tapKey(&d, 0x0D); }), QDialog::Accepted);
    EXPECT_EQ(ask([&](QDialog& d) {
        EXPECT_EQ(focused(d), "ok");
        tapKey(&d, 0x09);
        EXPECT_EQ(focused(d), "cancel");
        tapKey(&d, 0x0D);
    }),
        QDialog::Rejected);
    EXPECT_EQ(ask([](QDialog& d) { tapKey(&d, 0x1B); }), QDialog::Rejected);

    // An information box has OK only: Esc leaves it open, Enter answers.
    answerNextModal([](QDialog& d) {
        tapKey(&d, 0x1B);
        EXPECT_TRUE(d.isVisible());
        tapKey(&d, 0x0D);
    });
    EXPECT_EQ(show_message(&owner, "tc_msg3"), QDialog::Accepted);

    // Questions that destroy something open on Cancel (No): Enter keeps what is there.
    answerNextModal([&](QDialog& d) {
        EXPECT_EQ(focused(d), "cancel");
        tapKey(&d, 0x0D);
    });
    EXPECT_EQ(ask_question_default_no(&owner, "tc_msg5"), QDialog::Rejected);
    answerNextModal([](QDialog& d) {
        tapKey(&d, 0x09);
        tapKey(&d, 0x20);
    });
    EXPECT_EQ(ask_question_default_no(&owner, "tc_msg5"), QDialog::Accepted);
    answerNextModal([](QDialog& d) { tapKey(&d, 0x20); });
    EXPECT_EQ(ask_yes_no(&owner, "delete?"), QDialog::Rejected);
}

TEST_F(MsgDlgTest, KeyCaptureEndsWhenTheCombinationIsLetGoAndTheFieldCapturesAgainWhenFocused)
{
    CMsgDlg box(CMsgDlg::KeyCapture, &owner);
    answerNextModal([](QDialog& dialog) {
        sendKey(&dialog, VkLeftControl, true);
        tapKey(&dialog, 0x1B); // Esc while Ctrl is down: a key of the combination
        tapKey(&dialog, 0x09);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.focusWidget(), inputOf(dialog));
        sendKey(&dialog, VkLeftControl, false);
        EXPECT_EQ(inputOf(dialog)->text(), "L-Ctrl + Esc + Tab");
        EXPECT_EQ(dialog.focusWidget(), child(dialog, "ok")) << "let go: the focus moves to OK";
        tapKey(&dialog, 0x0D); // presses OK
    });
    EXPECT_EQ(runBox(box), QDialog::Accepted);
    EXPECT_EQ(box.capturedModifiers(), 0x01);
    EXPECT_EQ(box.firstKey(), 0x1B);
    EXPECT_EQ(box.secondKey(), 0x09);

    CMsgDlg again(CMsgDlg::KeyCapture, &owner);
    answerNextModal([](QDialog& dialog) {
        tapKey(&dialog, 0x41);
        EXPECT_EQ(dialog.focusWidget(), child(dialog, "ok"));
        tapKey(&dialog, 0x42); // not captured: the keys work as in any box
        EXPECT_EQ(inputOf(dialog)->text(), "A");
        inputOf(dialog)->setFocus(Qt::MouseFocusReason);
        tapKey(&dialog, 0x42);
        EXPECT_EQ(inputOf(dialog)->text(), "A + B");
        tapKey(&dialog, 0x1B); // on OK again: Esc is Cancel
    });
    EXPECT_EQ(runBox(again), QDialog::Rejected);
}

TEST_F(MsgDlgTest, KeyCaptureShowsTheKeyWithItsSide)
{
    CMsgDlg box(CMsgDlg::KeyCapture, &owner);
    answerNextModal([](QDialog& dialog) {
        EXPECT_TRUE(inputOf(dialog)->isReadOnly());
        sendKey(&dialog, VkRightControl, true);
        EXPECT_EQ(inputOf(dialog)->text(), "R-Ctrl");
        sendKey(&dialog, VkRightAlt, true); // AltGr
        sendKey(&dialog, VkRightShift, true);
        sendKey(&dialog, 0x41, true);
        EXPECT_EQ(inputOf(dialog)->text(), "R-Ctrl + R-Alt + R-Shift + A");
        // Esc, Enter, Tab are keys here: captured, the box stays open.
        tapKey(&dialog, 0x1B);
        tapKey(&dialog, 0x0D);
        tapKey(&dialog, 0x09);
        EXPECT_TRUE(dialog.isVisible());
        clickOk(dialog);
    });
    EXPECT_EQ(runBox(box), QDialog::Accepted);
    EXPECT_EQ(box.capturedModifiers(), 0x10 | 0x40 | 0x20);
    EXPECT_EQ(box.firstKey(), 0x41);
    EXPECT_EQ(box.secondKey(), 0x1B) << "Esc became the second key; later keys found both taken";
}

TEST_F(MsgDlgTest, KeyCaptureWithResetModifiers)
{
    CMsgDlg box(CMsgDlg::KeyCapture, &owner);
    box.setResetModifiers(true);
    answerNextModal([](QDialog& dialog) {
        sendKey(&dialog, 0x11, true);
        EXPECT_EQ(inputOf(dialog)->text(), "L-Ctrl");
        sendKey(&dialog, 0x11, true, true); // held: auto-repeat
        sendKey(&dialog, 0x41, true);
        EXPECT_EQ(inputOf(dialog)->text(), "A");
        clickOk(dialog);
    });
    EXPECT_EQ(runBox(box), QDialog::Accepted);
    EXPECT_EQ(box.capturedModifiers(), 0);
    EXPECT_EQ(box.firstKey(), 0x41);
}

TEST_F(MsgDlgTest, KeyMessagesPostedToTheBoxAreCaptured)
{
    CMsgDlg box(CMsgDlg::KeyCapture, &owner);
    answerNextModal([](QDialog& dialog) {
        sendWindowMessage(&dialog, MsgKeyEvent, 164, 0);
        sendWindowMessage(&dialog, MsgKeyEvent, 164, 0x80);
        sendWindowMessage(&dialog, MsgKeyEvent, 0x5A, 0);
        sendWindowMessage(&dialog, MsgKeyEvent, 0x1234, 0); // no key code: ignored
        EXPECT_EQ(inputOf(dialog)->text(), "L-Alt + Z");
        clickOk(dialog);
    });
    EXPECT_EQ(runBox(box), QDialog::Accepted);
    EXPECT_EQ(box.capturedModifiers(), 0x04);
    EXPECT_EQ(box.firstKey(), 0x5A);
}

TEST_F(MsgDlgTest, WithoutItsBackgroundBoxesBecomePlainDialogsAndTheFileIsNamedOnce)
{
    useSkinWithout({"msg_nr.png"});
    MessageCapture missing;
    // A notice is still seen and a question still asked: nothing is answered for the user.
    QString shownText;
    answerNextModal([&](QDialog& box) {
        auto* plain = qobject_cast<QMessageBox*>(&box);
        shownText = plain ? plain->text() : QString();
        clickOk(box);
    });
    EXPECT_EQ(show_message(&owner, "tc_msg3"), QDialog::Accepted);
    EXPECT_EQ(shownText.toStdString(), Text("tc_msg3"));
    answerNextModal(clickOk);
    EXPECT_EQ(ask_question(&owner, "tc_msg14"), QDialog::Accepted);
    answerNextModal(clickCancel);
    EXPECT_EQ(ask_question(&owner, "tc_msg14"), QDialog::Rejected);
    QString result = "kept";
    answerNextModal([](QDialog& box) {
        typeInto(box, "Combo");
        clickOk(box);
    });
    EXPECT_EQ(ask_text(&owner, "tc_msg3", result), 1);
    EXPECT_EQ(result, "Combo");
    EXPECT_EQ(pendingModalAnswers(), 0);
    ASSERT_EQ(missing.texts().size(), 1u) << "the missing picture is named once";
    EXPECT_NE(missing.texts()[0].find("msg_nr.png"), std::string::npos);

    // Shown without exec, it closes itself as soon as events run.
    CMsgDlg box(CMsgDlg::Question, &owner);
    box.show();
    EXPECT_TRUE(waitFor([&] { return !box.isVisible(); }));
    EXPECT_EQ(box.result(), QDialog::Rejected);
}

TEST_F(MsgDlgTest, WithoutIconOrButtonPicturesTheBoxStillWorks)
{
    useSkinWithout({"msgico.png", "exit_nr.png"});
    CMsgDlg box(CMsgDlg::Question, &owner);
    EXPECT_EQ(child(box, "close"), nullptr);
    answerNextModal(clickOk);
    EXPECT_EQ(runBox(box), QDialog::Accepted);
}

TEST_F(MsgDlgTest, AMessageLongerThanOneLineShowsAllItsLines)
{
    const QString longText = "More than one keyboard is connected. Please connect only one keyboard and try "
                             "again, then press OK to go on.";
    CMsgDlg empty(CMsgDlg::Information, &owner);
    CMsgDlg full(CMsgDlg::Information, &owner);
    full.setMessage(longText);
    const QImage without = rendered(empty);
    const QImage with = rendered(full);
    // Below the one-line rectangle (110, 98)-(510, 118) the second line is drawn.
    bool secondLine = false;
    for (int y = 121; y < 140 && !secondLine; ++y)
        for (int x = 110; x < 510 && !secondLine; ++x)
            secondLine = with.pixel(x, y) != without.pixel(x, y);
    EXPECT_TRUE(secondLine);
}
