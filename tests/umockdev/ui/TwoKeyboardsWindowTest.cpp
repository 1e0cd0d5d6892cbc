// The main window with two identical keyboards on the emulated kernel, reached through the real module: it
// says so at start and on Apply, and writes neither keyboard.

#include "UiTestSupport.h"
#include "app/Log.h"
#include "app/Texts.h"
#include "controls/CPngBtn.h"
#include "ui/CKavrelDlg.h"
#include "ui/CMsgDlg.h"
#include "umockdev/EmulatedKernel.h"

#include <QDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kavrel {
namespace {

class TwoKeyboardsWindow : public test::ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate.so", 1);
        Cfg.TrayIcon = 2;
        Cfg.Suwnd = 1;
        InitLogWith(2, work / "Log.txt");
        CKavrelDlg::setTrayAvailabilityOverride(false);
    }
    void TearDown() override
    {
        window.reset();
        CKavrelDlg::setTrayAvailabilityOverride(std::nullopt);
        InitLogWith(0, {});
        unsetenv("KAVREL_HIDGATE");
        test::clearModalAnswers();
        ProgramFolderFixture::TearDown();
    }

    test::TempDir work;
    test::EmulatedKernel kernel;
    std::unique_ptr<CKavrelDlg> window;
};

} // namespace

TEST_F(TwoKeyboardsWindow, TheWindowSaysSoAndWritesNeither)
{
    const int first = kernel.plugKeyboard();
    const int second = kernel.plugKeyboard();
    std::vector<QString> shown;
    auto record = [&shown](QDialog& dialog) {
        auto* box = qobject_cast<CMsgDlg*>(&dialog);
        shown.push_back(box ? box->message() : QString("not a message box"));
        test::clickOk(dialog);
    };
    test::answerNextModal(record);
    window = std::make_unique<CKavrelDlg>();
    window->initialise();
    EXPECT_EQ(test::pendingModalAnswers(), 0) << "the start told the user";

    test::answerNextModal(record);
    CPngBtn* apply = window->button(CKavrelDlg::Apply);
    ASSERT_NE(apply, nullptr);
    QTest::mouseClick(apply, Qt::LeftButton, {}, apply->rect().center());
    EXPECT_EQ(test::pendingModalAnswers(), 0) << "Apply told the user";

    const QString twoKeyboards = QString::fromStdString(Text("tc_msg11"));
    EXPECT_EQ(shown, (std::vector<QString>{twoKeyboards, twoKeyboards}));
    EXPECT_EQ(kernel.featureWrites(), 0);
    EXPECT_TRUE(kernel.memory(first).empty());
    EXPECT_TRUE(kernel.memory(second).empty());
}

} // namespace kavrel
