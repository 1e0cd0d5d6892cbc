#include "ControlTestSupport.h"

#include "app/Config.h"
#include "controls/ButtonFactory.h"
#include "controls/CPngBtn.h"
#include "controls/SkinImage.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace kavrel {
namespace {

const QColor Normal(200, 0, 0);
const QColor Over(0, 200, 0);
const QColor Down(0, 0, 200);
const QColor Parent(60, 60, 60);

class ImageButtonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Cfg = Settings{};
        Cfg.Btn_txt_clr_nr = 0x010203;
        Cfg.Btn_txt_clr_ov = 0x040506;
        Cfg.Btn_txt_clr_dn = 0x070809;
        skin.add("n.png", QSize(22, 22), Normal);
        skin.add("o.png", QSize(22, 22), Over);
        skin.add("d.png", QSize(22, 22), Down);
        background = QImage(300, 200, QImage::Format_ARGB32);
        background.fill(Parent);
        window.resize(300, 200);
        window.show();
    }

    CPngBtn* make(int latching)
    {
        return create_skin_button(&window, QRect(27, 90, 140, 50), {"n.png", "o.png", "d.png"}, &background, latching);
    }

    // Moves the pointer onto the button from outside it (a move to where
    // the pointer already is would not count).
    void hoverOver(CPngBtn& button)
    {
        QTest::mouseMove(&window, QPoint(299, 199));
        QTest::mouseMove(&button, QPoint(11, 11));
    }

    QColor centre(CPngBtn& button) { return test::rendered(button).pixelColor(11, 11); }

    test::TestSkin skin;
    QImage background;
    QWidget window;
};

TEST_F(ImageButtonTest, ASkinButtonTakesItsImageSizeAtTheRectanglesCorner)
{
    CPngBtn* button = make(0);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->geometry(), QRect(27, 90, 22, 22));
    EXPECT_EQ(button->parentWidget(), &window);
    EXPECT_TRUE(button->isVisible());
    EXPECT_EQ(button->textColorNormal(), 0x010203u);
    EXPECT_EQ(button->textColorDown(), 0x070809u);
    EXPECT_EQ(button->backgroundImage().size(), QSize(22, 22));
    EXPECT_EQ(button->focusPolicy(), Qt::TabFocus) << "Tab reaches it; a click takes no focus";
}

TEST_F(ImageButtonTest, CreationFunctionsMakeNothingWhenAPictureIsMissing)
{
    const int before = int(window.findChildren<CPngBtn*>().size());
    EXPECT_EQ(create_skin_button(&window, QRect(0, 0, 1, 1), {"n.png", "gone.png", "d.png"}, &background, 0), nullptr);
    EXPECT_EQ(create_skin_button_at(&window, QPoint(0, 0), {"gone.png", "o.png", "d.png"}, nullptr, 0, 0), nullptr);
    EXPECT_EQ(int(window.findChildren<CPngBtn*>().size()), before);
}

TEST_F(ImageButtonTest, PushButtonShowsDownWhileHeldAndOverAfterReleaseWhileThePointerStays)
{
    CPngBtn* button = make(0);
    ASSERT_NE(button, nullptr);
    QSignalSpy commands(button, &CPngBtn::command);
    EXPECT_EQ(centre(*button), Normal);
    hoverOver(*button);
    EXPECT_TRUE(button->isHover());
    EXPECT_EQ(centre(*button), Over);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_EQ(centre(*button), Down);
    EXPECT_EQ(commands.count(), 0) << "the click is reported on release";
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_EQ(centre(*button), Over);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands.at(0).at(0).value<CPngBtn*>(), button);
}

TEST_F(ImageButtonTest, LatchingButtonTogglesOnPressAndShowsDownOnlyWhileChecked)
{
    CPngBtn* toggling = make(1);
    ASSERT_NE(toggling, nullptr);
    toggling->setToggleOnClick(1);
    hoverOver(*toggling);
    QTest::mouseClick(toggling, Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_EQ(toggling->checkedState(), 1);
    EXPECT_EQ(centre(*toggling), Down) << "checked wins over hover";
    EXPECT_EQ(toggling->look().textColor, toggling->textColorDown());
    QTest::mouseClick(toggling, Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_EQ(toggling->checkedState(), 0);
    EXPECT_EQ(centre(*toggling), Over);

    CPngBtn* latching = make(1);
    ASSERT_NE(latching, nullptr);
    latching->move(100, 10);
    QTest::mousePress(latching, Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_NE(centre(*latching), Down) << "pressing a latching button shows no down image";
    QTest::mouseRelease(latching, Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_EQ(latching->checkedState(), 0);
}

TEST_F(ImageButtonTest, DisabledAndCheckedStatesFollowTheStyleRules)
{
    CPngBtn* push = make(0);
    ASSERT_NE(push, nullptr);
    push->set_checked(1);
    EXPECT_EQ(push->look().image, &push->downImage());
    push->set_checked(0);
    push->setEnabled(false);
    EXPECT_EQ(push->look().image, &push->disabledImage());
    EXPECT_EQ(centre(*push), Normal) << "the disabled image of a skin button is its normal one";

    CPngBtn* latching = make(1);
    ASSERT_NE(latching, nullptr);
    latching->set_checked(1);
    latching->setEnabled(false);
    EXPECT_EQ(latching->look().image, &latching->disabledImage());
    EXPECT_EQ(latching->look().textColor, latching->textColorNormal());
}

TEST_F(ImageButtonTest, OneCheckedStateWhicheverWayItIsSet)
{
    CPngBtn* latching = make(1);
    ASSERT_NE(latching, nullptr);
    QSignalSpy toggled(latching, &QAbstractButton::toggled);
    latching->setChecked(true);
    EXPECT_EQ(latching->checkedState(), 1);
    EXPECT_EQ(latching->look().image, &latching->downImage()) << "Qt's setChecked is seen by the look";
    latching->set_checked(0);
    EXPECT_FALSE(latching->isChecked());
    EXPECT_EQ(toggled.count(), 2);

    // A click flips nothing unless toggle on click is on.
    CPngBtn* push = make(0);
    ASSERT_NE(push, nullptr);
    push->move(100, 10);
    QTest::mouseClick(push, Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_FALSE(push->isChecked());
    push->set_checked(1);
    QTest::mouseClick(push, Qt::LeftButton, {}, QPoint(11, 11));
    EXPECT_TRUE(push->isChecked());
}

TEST_F(ImageButtonTest, PressShiftMovesTheDownImageOnePixelLeftAndDown)
{
    CPngBtn* button = make(0);
    ASSERT_NE(button, nullptr);
    button->setPressShift(1);
    QTest::mousePress(button, Qt::LeftButton, {}, QPoint(11, 11));
    const QImage shown = test::rendered(*button);
    EXPECT_EQ(shown.pixelColor(20, 5), Down);
    EXPECT_EQ(shown.pixelColor(21, 5), Parent) << "the right column shows the parent's picture";
    EXPECT_EQ(shown.pixelColor(5, 0), Parent) << "the top row shows the parent's picture";
    QTest::mouseRelease(button, Qt::LeftButton, {}, QPoint(11, 11));
}

TEST_F(ImageButtonTest, MissingStateImagesAndCutsLeaveTheStateBlank)
{
    auto* button = new CPngBtn(&window);
    button->setGeometry(0, 0, 22, 22);
    QImage picture(22, 22, QImage::Format_ARGB32);
    picture.fill(Over);
    button->set_images(QImage(), picture, QImage(), QRect(0, 0, 22, 22));
    EXPECT_TRUE(button->normalImage().isNull());
    EXPECT_FALSE(button->overImage().isNull());
    button->set_images(picture, picture, picture, QRect(40, 40, 5, 5));
    EXPECT_TRUE(button->normalImage().isNull()) << "a cut beside the picture";
    test::rendered(*button); // paints without images
}

TEST_F(ImageButtonTest, CutButtonsAreLatchingHotSpotsOfTheirPictures)
{
    QImage picture(100, 60, QImage::Format_ARGB32);
    picture.fill(Qt::black);
    picture.setPixelColor(45, 25, Qt::yellow);
    const QRect spot(40, 20, 10, 10);
    CPngBtn* button = create_cut_button(&window, &spot, picture, picture, picture, "Tip", 1);
    EXPECT_EQ(button->geometry(), spot);
    EXPECT_TRUE(button->latchingStyle());
    EXPECT_EQ(button->normalImage().pixelColor(5, 5), QColor(Qt::yellow));
    EXPECT_EQ(button->toolTip(), "Tip");
    CPngBtn* whole = create_cut_button(&window, nullptr, picture, picture, picture, "Tip", 0);
    EXPECT_EQ(whole->geometry(), QRect(0, 0, 100, 60));
    EXPECT_TRUE(whole->toolTip().isEmpty()) << "tooltips only with the flag";
}

} // namespace
} // namespace kavrel
