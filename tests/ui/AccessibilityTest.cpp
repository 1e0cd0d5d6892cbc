// What screen readers and keyboard users get: the accessibility tree of the
// main window read through QAccessibleInterface (roles, names, states, the
// keys as children of the keyboard view), the keys' tool tips, and the
// keyboard view and sliders driven by keys, with the changes announced.

#include "UiTestSupport.h"
#include "app/Texts.h"
#include "controls/CPngBtn.h"
#include "controls/CPngSliderBar.h"
#include "controls/WindowMessage.h"
#include "device/ApplyWorker.h"
#include "macro/KeyLabel.h"
#include "model/Lists.h"
#include "ui/CKBColorDlg.h"
#include "ui/CKavrelDlg.h"
#include "ui/CMsgDlg.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <mutex>

namespace kavrel {
namespace {

QString text(const char* key)
{
    return QString::fromStdString(Text(key));
}

std::vector<std::pair<QAccessible::Event, int>>& announced()
{
    static std::vector<std::pair<QAccessible::Event, int>> events;
    return events;
}

void recordAnnouncement(QAccessibleEvent* event)
{
    announced().emplace_back(event->type(), event->child());
}

// What screen readers are told, caught where the platform would pass it on. Qt passes events on only
// where the platform has accessibility (not the offscreen platform): there is nothing to hear without it.
class Announcements {
public:
    Announcements()
    {
        announced().clear();
        m_previous = QAccessible::installUpdateHandler(recordAnnouncement);
        QAccessible::setActive(true);
    }
    ~Announcements()
    {
        QAccessible::setActive(false);
        QAccessible::installUpdateHandler(m_previous);
    }
    bool heard(QAccessible::Event type, int child = -1) const
    {
        if (!QAccessible::isActive())
            return true;
        for (const auto& [what, which] : announced())
            if (what == type && (child < 0 || which == child))
                return true;
        return false;
    }

private:
    QAccessible::UpdateHandler m_previous = nullptr;
};

QAccessibleInterface* accessible(QObject* object)
{
    QAccessibleInterface* found = QAccessible::queryAccessibleInterface(object);
    EXPECT_NE(found, nullptr) << (object ? object->objectName().toStdString() : "null");
    return found;
}

class Accessibility : public test::ProgramFolderFixture {
protected:
    test::TempDir work;
    std::unique_ptr<CKavrelDlg> window;

    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        test::useSimulatedKeyboardWithoutTray(work.path());
        Cfg.ApplyNow = 0;
    }
    void TearDown() override
    {
        window.reset();
        CKavrelDlg::setTrayAvailabilityOverride(std::nullopt);
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        ProgramFolderFixture::TearDown();
    }
    CKavrelDlg& open()
    {
        window = std::make_unique<CKavrelDlg>();
        window->initialise();
        return *window;
    }
};

int keyNamed(const std::string& name)
{
    for (int i = 0; i < KeyCount; ++i)
        if (keyinfo_to_text(KeyTable[i]) == name)
            return i;
    return -1;
}

TEST_F(Accessibility, EveryControlOfTheMainWindowHasARoleAndAName)
{
    CKavrelDlg& dialog = open();
    ASSERT_FALSE(dialog.ended());
    struct Expected {
        QWidget* widget;
        QAccessible::Role role;
        QString name;
    };
    const Expected controls[] = {
        {dialog.button(CKavrelDlg::Ok), QAccessible::Button, text("tc_ok")},
        {dialog.button(CKavrelDlg::Apply), QAccessible::Button, text("tc_apply")},
        {dialog.button(CKavrelDlg::Exit), QAccessible::Button, text("tc_exit")},
        {dialog.button(CKavrelDlg::Minimise), QAccessible::Button, text("tc_minimise")},
        {dialog.button(CKavrelDlg::Profile2), QAccessible::RadioButton, text("tc_protitle") + " 2"},
        {dialog.findChild<QWidget*>("ledCheck"), QAccessible::CheckBox, text("tc_msg1")},
        {dialog.findChild<QWidget*>("ledBrightness"), QAccessible::Slider, text("tc_adv_str7")},
        {dialog.findChild<QWidget*>("ledSpeed"), QAccessible::Slider, text("tc_adv_str19")},
        {dialog.keyboardView(), QAccessible::List, text("tc_msg23")},
    };
    for (const Expected& control : controls) {
        ASSERT_NE(control.widget, nullptr);
        QAccessibleInterface* item = accessible(control.widget);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->role(), control.role) << control.widget->objectName().toStdString();
        EXPECT_EQ(item->text(QAccessible::Name), control.name) << control.widget->objectName().toStdString();
        EXPECT_FALSE(control.name.isEmpty());
    }
    auto* mode = dialog.findChild<QWidget*>("ledMode");
    ASSERT_NE(mode, nullptr);
    EXPECT_EQ(accessible(mode)->role(), QAccessible::ComboBox);
    EXPECT_FALSE(accessible(mode)->text(QAccessible::Name).isEmpty()) << "named by the mode it shows";
    EXPECT_EQ(accessible(dialog.findChild<QWidget*>("ledSpeedLabel"))->role(), QAccessible::StaticText);
    EXPECT_EQ(dialog.findChild<QWidget*>("ledSpeedLabel")->focusPolicy(), Qt::NoFocus) << "a label takes no focus";

    // States: which profile is chosen, whether lighting is on, what the sliders stand at.
    EXPECT_TRUE(accessible(dialog.button(CKavrelDlg::Profile1))->state().checked);
    EXPECT_FALSE(accessible(dialog.button(CKavrelDlg::Profile2))->state().checked);
    EXPECT_FALSE(accessible(dialog.button(CKavrelDlg::Ok))->state().checkable) << "a push button is not checkable";
    EXPECT_TRUE(accessible(dialog.findChild<QWidget*>("ledCheck"))->state().checked);
    auto* brightness = dialog.findChild<CPngSliderBar*>("ledBrightness");
    QAccessibleValueInterface* value = accessible(brightness)->valueInterface();
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->currentValue().toInt(), brightness->thumb().index());
    EXPECT_EQ(value->minimumValue().toInt(), brightness->thumb().minimum());
    EXPECT_EQ(value->maximumValue().toInt(), brightness->thumb().maximum());

    // A screen reader's press is a click.
    QAccessibleInterface* profile3 = accessible(dialog.button(CKavrelDlg::Profile3));
    ASSERT_NE(profile3->actionInterface(), nullptr);
    profile3->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(test::waitFor([&] { return profile3->state().checked; }));
}

TEST_F(Accessibility, EveryKeyIsAChildNamedByWhatItDoesNowWithTheSameToolTip)
{
    CKavrelDlg& dialog = open();
    CKBColorDlg* view = dialog.keyboardView();
    ASSERT_NE(view, nullptr);
    QAccessibleInterface* keyboard = accessible(view);
    ASSERT_NE(keyboard, nullptr);
    ASSERT_EQ(keyboard->childCount(), KeyCount);

    const int a = keyNamed("A");
    ASSERT_GE(a, 0);
    QAccessibleInterface* keyA = keyboard->child(a);
    ASSERT_NE(keyA, nullptr);
    EXPECT_EQ(keyA->role(), QAccessible::Button);
    EXPECT_EQ(keyA->text(QAccessible::Name), "A: A") << "a key at its default does what it says";
    EXPECT_EQ(keyA->parent(), keyboard);
    EXPECT_EQ(keyboard->indexOfChild(keyA), a);
    EXPECT_EQ(keyboard->child(a), keyA) << "the same child each time";
    EXPECT_EQ(keyA->rect(), QRect(view->mapToGlobal(view->keyRect(a).topLeft()), view->keyRect(a).size()));
    EXPECT_EQ(keyboard->childAt(keyA->rect().center().x(), keyA->rect().center().y()), keyA);
    EXPECT_EQ(keyboard->child(KeyCount), nullptr);

    // Remapped to Ctrl + B: the name and the tool tip say so, read at the moment they are asked for.
    KEYINFO remapped = KeyTable[a];
    {
        std::lock_guard lock(ApplyDataMutex());
        ASSERT_NE(CurrentProfile, nullptr);
        remapped.kind = KindKey;
        remapped.code = KeyTableKeyCode;
        remapped.modifiers = 0x01;
        remapped.key1 = 'B';
        remapped.key2 = 0;
        CurrentProfile->keys[a] = remapped;
    }
    const QString function = QString::fromStdString(keyinfo_to_text(remapped));
    ASSERT_TRUE(function.contains("B"));
    EXPECT_EQ(keyA->text(QAccessible::Name), "A: " + function);
    EXPECT_EQ(view->keyToolTip(a), QString("A \u2192 ") + function);
    EXPECT_TRUE(view->describeKey(a).remapped);
    EXPECT_FALSE(view->describeKey(keyNamed("B")).remapped);
}

TEST_F(Accessibility, AMessageBoxTellsItsText)
{
    CMsgDlg box(CMsgDlg::Question, nullptr);
    box.setMessage("Restore the factory settings?");
    QAccessibleInterface* dialog = accessible(&box);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->text(QAccessible::Name), "Restore the factory settings?");
    EXPECT_EQ(dialog->text(QAccessible::Description), "Restore the factory settings?");
    auto* ok = box.findChild<CPngBtn*>("ok");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(accessible(ok)->role(), QAccessible::Button);
    EXPECT_FALSE(accessible(ok)->text(QAccessible::Name).isEmpty());
}

// A keyboard view of its own: six keys in two rows of three, 20 x 20 pixels each.
class KeyboardViewKeys : public ::testing::Test {
protected:
    test::MessageRecorder owner;
    CKBColorDlg* view = nullptr;

    void SetUp() override
    {
        owner.resize(200, 100);
        view = new CKBColorDlg(&owner);
        view->setGeometry(0, 0, 200, 100);
        std::vector<Rect> rects;
        for (int row = 0; row < 2; ++row)
            for (int column = 0; column < 3; ++column)
                rects.push_back(Rect{column * 30, row * 30, column * 30 + 20, row * 30 + 20});
        view->setKeyRects(rects);
        view->setKeyDescriber([](int index) {
            return KeyDescription{
                QString("K%1").arg(index), index == 4 ? "Mute" : QString("K%1").arg(index), index == 4};
        });
        owner.show();
        test::processEvents();
    }
    void press(int qtKey)
    {
        QTest::keyClick(view, Qt::Key(qtKey));
        test::processEvents();
    }
};

TEST_F(KeyboardViewKeys, ArrowsMoveTheFocusRingFromKeyToKeyAndEnterOrSpaceActsAsAClick)
{
    Announcements announcements;
    EXPECT_EQ(view->focusPolicy(), Qt::TabFocus);
    view->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(view->hasFocus());
    EXPECT_EQ(view->focusKey(), 0);
    press(Qt::Key_Right);
    EXPECT_EQ(view->focusKey(), 1);
    EXPECT_TRUE(announcements.heard(QAccessible::Focus, 1));
    press(Qt::Key_Down);
    EXPECT_EQ(view->focusKey(), 4) << "straight down, not to the nearest key of the row";
    press(Qt::Key_Down);
    EXPECT_EQ(view->focusKey(), 4) << "nothing below: stays";
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    EXPECT_EQ(view->focusKey(), 3);
    press(Qt::Key_End);
    EXPECT_EQ(view->focusKey(), 5);
    press(Qt::Key_Home);
    EXPECT_EQ(view->focusKey(), 0);
    EXPECT_EQ(accessible(view)->focusChild(), accessible(view)->child(0));
    EXPECT_TRUE(accessible(view)->child(0)->state().focused);

    owner.messages.clear();
    press(Qt::Key_Right);
    press(Qt::Key_Return);
    press(Qt::Key_Space);
    ASSERT_EQ(owner.messages.size(), 2u);
    EXPECT_EQ(owner.messages[0], (test::MessageRecorder::Message{MsgKeyClicked, 1, 0}));
    EXPECT_EQ(owner.messages[1], (test::MessageRecorder::Message{MsgKeyClicked, 1, 0}));
    EXPECT_EQ(view->selectedKey(), 1);

    // The focus ring is drawn; without focus it is not.
    const QImage focused = test::rendered(*view);
    view->clearFocus();
    test::processEvents();
    EXPECT_NE(test::rendered(*view), focused);
}

TEST_F(KeyboardViewKeys, ARemappedKeyIsMarkedByShapeAndItsToolTipSaysWhatItDoes)
{
    EXPECT_EQ(view->keyToolTip(4), QString("K4 \u2192 Mute"));
    EXPECT_EQ(view->accessibleKeyName(4), "K4: Mute");
    EXPECT_TRUE(view->describeKey(4).remapped) << "the describer says so";
    view->setKeyColors(0x00FFFFFF, 0, 0x0000FF00);
    const QImage plain = test::rendered(*view);
    view->setHasFunction(2, true);
    const QImage marked = test::rendered(*view);
    // Besides the outline, the key's top right corner is filled.
    const QRect key = view->keyRect(2);
    EXPECT_NE(marked.pixel(key.right() - 1, key.top() + 1), plain.pixel(key.right() - 1, key.top() + 1));
    EXPECT_EQ(marked.pixel(key.left() + 3, key.bottom() - 3), plain.pixel(key.left() + 3, key.bottom() - 3));

    // A screen reader's press on a key is a click on it.
    owner.messages.clear();
    accessible(view)->child(3)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    test::processEvents();
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0].wParam, 3u);
}

TEST_F(Accessibility, TabReachesTheButtonsAndSpaceOrEnterPressesTheFocusedOne)
{
    CKavrelDlg& dialog = open();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    CPngBtn* profile2 = dialog.button(CKavrelDlg::Profile2);
    CPngBtn* profile3 = dialog.button(CKavrelDlg::Profile3);
    const QImage plain = test::rendered(*profile2);
    profile2->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(profile2->hasFocus());
    EXPECT_NE(test::rendered(*profile2), plain) << "a focus ring shows where the focus is";
    QTest::keyClick(profile2, Qt::Key_Space);
    EXPECT_TRUE(test::waitFor([&] { return profile2->checkedState() == 1; }));
    QTest::keyClick(&dialog, Qt::Key_Tab);
    EXPECT_FALSE(profile2->hasFocus()) << "Tab moves on";
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->window(), &dialog);
    profile3->setFocus(Qt::TabFocusReason);
    QTest::keyClick(profile3, Qt::Key_Return);
    EXPECT_TRUE(test::waitFor([&] { return profile3->checkedState() == 1 && profile2->checkedState() == 0; }));
}

TEST_F(Accessibility, ASliderFollowsTheArrowKeysAndAnnouncesItsValue)
{
    CKavrelDlg& dialog = open();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    auto* speed = dialog.findChild<CPngSliderBar*>("ledSpeed");
    ASSERT_NE(speed, nullptr);
    Announcements announcements;
    speed->setFocus(Qt::TabFocusReason);
    const int start = speed->thumb().index();
    QTest::keyClick(speed, Qt::Key_Right);
    EXPECT_EQ(speed->thumb().index(), std::min(start + 1, speed->thumb().maximum()));
    QTest::keyClick(speed, Qt::Key_Home);
    EXPECT_EQ(speed->thumb().index(), speed->thumb().minimum());
    EXPECT_TRUE(announcements.heard(QAccessible::ValueChanged));
    QTest::keyClick(speed, Qt::Key_Left);
    EXPECT_EQ(speed->thumb().index(), speed->thumb().minimum()) << "stays at the end";
    QTest::keyClick(speed, Qt::Key_End);
    EXPECT_EQ(speed->thumb().index(), speed->thumb().maximum());
    // The lighting page took the value as from a click: the profile's speed follows.
    EXPECT_TRUE(test::waitFor([&] {
        return dialog.findChild<CPngBtn*>("ledSpeedLabel")->buttonText() == QString::number(speed->thumb().maximum());
    }));
}

} // namespace
} // namespace kavrel
