// The skin on screens scaled above 100 %: the @2x pictures the generator
// writes, loaded at density 2 where a screen asks for it, and the windows
// keeping their layout and hit-testing in window pixels. ctest runs these
// once as they are and once more with QT_SCALE_FACTOR=2 (test_ui_scaled_200).

#include "UiTestSupport.h"
#include "app/Paths.h"
#include "controls/CPngBtn.h"
#include "controls/CPngSlider.h"
#include "controls/CPngSliderBar.h"
#include "controls/SkinImage.h"
#include "ui/CKBColorDlg.h"
#include "ui/CKavrelDlg.h"

#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kavrel {
namespace {
namespace fs = std::filesystem;

QString skinPath(const QString& name)
{
    return QString::fromStdString(SkinsFolder()) + name;
}

int channelDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

class HighDensity : public test::ProgramFolderFixture {
protected:
    test::TempDir work;
    std::unique_ptr<CKavrelDlg> window;

    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        test::useSimulatedKeyboardWithoutTray(work.path());
    }
    void TearDown() override
    {
        window.reset();
        setSkinPixelRatioOverride(0);
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

TEST_F(HighDensity, EverySkinPictureHasATwiceAsDenseVersionLoadedOnScaledScreens)
{
    const QDir skins(QString::fromStdString(SkinsFolder()));
    int pictures = 0;
    for (const QString& name : skins.entryList({"*.png"}, QDir::Files)) {
        if (name.contains("@2x") || name == "main_mask.png")
            continue;
        ++pictures;
        const QImage single(skins.filePath(name));
        const QImage dense(skins.filePath(QString(name).replace(".png", "@2x.png")));
        ASSERT_FALSE(dense.isNull()) << name.toStdString() << " has no @2x version";
        EXPECT_EQ(dense.size(), single.size() * 2) << name.toStdString();
    }
    EXPECT_GE(pictures, 30);

    setSkinPixelRatioOverride(2);
    const QImage button = load_skin_image("btn_nr.png");
    EXPECT_EQ(button.devicePixelRatio(), 2);
    EXPECT_EQ(image_size(button), QImage(skinPath("btn_nr.png")).size()) << "sizes stay in window pixels";
    EXPECT_EQ(load_skin_image("main_mask.png").devicePixelRatio(), 1) << "no dense mask: the 1x one";
    EXPECT_TRUE(load_skin_image("no-such-picture.png").isNull());

    // A cut in window pixels takes the same place of the denser picture.
    const QImage background = load_skin_image("main_nr.png");
    const QImage cut = clone_image_area(background, 10, 20, 30, 40);
    EXPECT_EQ(image_size(cut), QSize(30, 40));
    EXPECT_EQ(cut.devicePixelRatio(), 2);
    EXPECT_EQ(cut.pixel(0, 0), background.pixel(20, 40));
    EXPECT_EQ(cut.pixel(59, 79), background.pixel(79, 119));

    // An outline read from a denser mask is the same outline in window pixels.
    const QImage mask(skinPath("main_mask.png"));
    QImage denseMask = mask.scaled(mask.size() * 2);
    denseMask.setDevicePixelRatio(2);
    EXPECT_TRUE((region_from_mask(denseMask) ^ region_from_mask(mask)).isEmpty());

    setSkinPixelRatioOverride(1);
    EXPECT_EQ(load_skin_image("btn_nr.png").devicePixelRatio(), 1);
}

TEST_F(HighDensity, TheMainWindowKeepsItsLayoutAndItsClicksLandOnTheRightControl)
{
    const int ratio = skinPixelRatio();
    CKavrelDlg& dialog = open();
    ASSERT_FALSE(dialog.ended());
    EXPECT_EQ(dialog.size(), QImage(skinPath("main_nr.png")).size()) << "the window is sized in window pixels";

    // Drawn from the picture at the screen's density, pixel for pixel (not a 1x picture blown up).
    const QImage shown = dialog.grab().toImage();
    ASSERT_EQ(shown.size(), dialog.size() * ratio);
    const QImage background(skinPath(ratio == 2 ? "main_nr@2x.png" : "main_nr.png"));
    const QRect plain = QRect(QPoint(30, 2), QSize(300, 20)); // the title strip, left of the caption buttons
    int differing = 0;
    for (int y = plain.top() * ratio; y <= plain.bottom() * ratio; ++y)
        for (int x = plain.left() * ratio; x <= plain.right() * ratio; ++x)
            differing += channelDistance(shown.pixel(x, y), background.pixel(x, y)) > 2;
    EXPECT_EQ(differing, 0);

    // Buttons: a click in a button's middle presses it.
    CPngBtn* profile2 = dialog.button(CKavrelDlg::Profile2);
    ASSERT_NE(profile2, nullptr);
    EXPECT_EQ(profile2->size(), QImage(skinPath("button_nr.png")).size());
    QTest::mouseClick(profile2, Qt::LeftButton, {}, profile2->rect().center());
    EXPECT_TRUE(profile2->checkedState());

    // Keys, the shaped one too: hit-testing works in window pixels.
    CKBColorDlg* view = dialog.keyboardView();
    ASSERT_NE(view, nullptr);
    const Rect& key = KeyTable[1].rect;
    const QRect first(key.left, key.top, key.right - key.left, key.bottom - key.top);
    EXPECT_EQ(view->hitTest(first.center()), 1);
    const Point lShape[] = {{first.left(), first.top()}, {first.right() + 40, first.top()},
        {first.right() + 40, first.bottom()}, {first.left(), first.bottom()}};
    view->setShapedKey(1, lShape);
    EXPECT_EQ(view->hitTest(QPoint(first.right() + 20, first.center().y())), 1) << "inside the outline, off the rect";
    QTest::mouseMove(view, first.center());
    EXPECT_TRUE(test::waitFor([&] { return view->hoverKey() == 1; }));

    // Sliders: a click on the track at a stop sets that stop's value.
    auto* brightness = dialog.findChild<CPngSliderBar*>("ledBrightness");
    ASSERT_NE(brightness, nullptr);
    const auto stops = brightness->thumb().stops();
    ASSERT_GE(stops.size(), 2u);
    const int thumbHalf = brightness->thumb().width() / 2;
    for (std::size_t stop : {std::size_t(0), stops.size() - 1}) {
        QTest::mouseClick(brightness, Qt::LeftButton, {}, QPoint(stops[stop] + thumbHalf, brightness->height() / 2));
        EXPECT_EQ(brightness->thumb().index(), int(stop) + 1);
    }
}

// The shot tool renders the whole window into a picture as dense as asked, outside the outline transparent.
TEST_F(HighDensity, TheShotToolDrawsTheWholeWindowAtTwiceTheSize)
{
    auto shoot = [this](const QStringList& scale, const QString& out, int expectedStatus = 0) {
        QProcess shot;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.remove("QT_SCALE_FACTOR");
        environment.insert("XDG_DATA_HOME", QString::fromStdString((work / "data").string()));
        shot.setProcessEnvironment(environment);
        shot.start(
            QString::fromStdString((test::buildBinDir() / "kavrel-shot").string()), QStringList{"--out", out} + scale);
        EXPECT_TRUE(shot.waitForFinished(60000));
        EXPECT_EQ(shot.exitCode(), expectedStatus) << shot.readAllStandardError().toStdString();
        return QImage(out).convertToFormat(QImage::Format_ARGB32);
    };
    const QImage single = shoot({}, QString::fromStdString((work / "1x.png").string()));
    const QImage dense = shoot({"--scale", "2"}, QString::fromStdString((work / "2x.png").string()));
    ASSERT_FALSE(single.isNull());
    ASSERT_EQ(dense.size(), single.size() * 2);
    EXPECT_EQ(qAlpha(dense.pixel(0, 0)), 0) << "outside the outline";
    // Every part of the window is there: sampled over the picture, each dense pixel looks like its 1x pixel.
    int unlike = 0;
    for (int y = 8; y < single.height() - 8; y += 16)
        for (int x = 8; x < single.width() - 8; x += 16)
            unlike += channelDistance(dense.pixel(2 * x, 2 * y), single.pixel(x, y)) > 48;
    EXPECT_LT(unlike, 40) << "of " << (single.width() / 16) * (single.height() / 16) << " samples";
    EXPECT_TRUE(shoot({"--scale", "0"}, QString::fromStdString((work / "bad.png").string()), 2).isNull());
}

} // namespace
} // namespace kavrel
