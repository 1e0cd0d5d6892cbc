// The default skin the build draws into the program folder: every picture
// the windows load is there, and the pictures fit the positions the windows
// and the bundled cfg.ini use.
#include "ControlTestSupport.h"

#include "app/Config.h"
#include "app/Paths.h"
#include "controls/SkinImage.h"

#include <QDir>

#include <gtest/gtest.h>

namespace kavrel {
namespace {

const char* const SkinFiles[] = {
    "main_nr.png",
    "main_mask.png",
    "min_nr.png",
    "min_ov.png",
    "exit_nr.png",
    "exit_ov.png",
    "button_nr.png",
    "button_dn.png",
    "btn_nr.png",
    "btn_ov.png",
    "btn2_nr.png",
    "combo_nr.png",
    "combo_ov.png",
    "pickfundlg.png",
    "open.png",
    "close.png",
    "keyimg.png",
    "slider.png",
    "dpi_bar.png",
    "check_nr.png",
    "check_ov.png",
    "check_dn.png",
    "radio_nr.png",
    "radio_ov.png",
    "radio_dn.png",
    "macro_nr.png",
    "recbtn_nr.png",
    "recbtn_dn.png",
    "UP_N.png",
    "DN_N.png",
    "TM_N.png",
    "msg_nr.png",
    "msgico.png",
    "progress_nr.png",
    "progress_ov.png",
    "menu_nr.bmp",
    "menu_ov.bmp",
    "menusub_nr.bmp",
    "menusub_ov.bmp",
};

class DefaultSkinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous = ProgramFolder();
        SetProgramFolder(test::buildBinDir());
        test::loadConfigQuietly(test::readFile(test::sourceDir() / "data/models/ansi/cfg.ini"));
    }
    void TearDown() override { SetProgramFolder(previous); }

    static QSize sizeOf(const char* name) { return load_skin_image(name).size(); }
    static QRect rectOf(const Rect& rect)
    {
        return QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1));
    }

    std::string previous;
};

TEST_F(DefaultSkinTest, EveryPictureTheWindowsLoadIsThere)
{
    for (const char* name : SkinFiles)
        EXPECT_GT(image_width(load_skin_image(name)), 0) << name;
    EXPECT_GT(image_width(loadImageFile(QString::fromStdString((test::buildBinDir() / "appico.ico").string()))), 0);
}

TEST_F(DefaultSkinTest, TheMainWindowIsRoundedAndOpaqueInsideItsOutline)
{
    const QImage background = load_skin_image("main_nr.png").convertToFormat(QImage::Format_ARGB32);
    const QImage mask = load_skin_image("main_mask.png");
    ASSERT_EQ(background.size(), mask.size());
    const QRegion outline = region_from_mask(mask);
    EXPECT_FALSE(outline.contains(QPoint(0, 0)));
    EXPECT_FALSE(outline.contains(QPoint(background.width() - 1, background.height() - 1)));
    EXPECT_TRUE(outline.contains(QPoint(background.width() / 2, 0)));
    EXPECT_TRUE(outline.contains(QPoint(0, background.height() / 2)));
    for (const QRect& run : outline)
        for (int x = run.left(); x <= run.right(); x += 7)
            ASSERT_EQ(qAlpha(background.pixel(x, run.top())), 255) << x << "," << run.top();
}

TEST_F(DefaultSkinTest, MainWindowControlsFitTheBackground)
{
    const QRect window(QPoint(0, 0), sizeOf("main_nr.png"));
    const QSize profile = sizeOf("button_nr.png");
    const QSize text = sizeOf("btn_nr.png");
    const QPoint min(Cfg.ptMin.x, Cfg.ptMin.y);
    const QPoint exit(Cfg.ptExit.x, Cfg.ptExit.y);
    EXPECT_TRUE(window.contains(QRect(min, sizeOf("min_nr.png"))));
    EXPECT_TRUE(window.contains(QRect(exit, sizeOf("exit_nr.png"))));
    EXPECT_FALSE(QRect(min, sizeOf("min_nr.png")).intersects(QRect(exit, sizeOf("exit_nr.png"))));

    const QPoint first(Cfg.ptProfile.x, Cfg.ptProfile.y);
    EXPECT_LE(profile.height(), 33) << "profile buttons are 33 pixels apart";
    const QRect profiles(first, QSize(profile.width(), 66 + profile.height()));
    const QRect macro(QPoint(Cfg.ptMacro.x, Cfg.ptMacro.y), profile);
    const QRect restore(QPoint(33, 541), profile);
    const QRect lighting = rectOf(Cfg.rcLED);
    const QRect keyboard = rectOf(Cfg.rcKB);
    for (const QRect& part : {profiles, macro, restore, lighting, keyboard})
        EXPECT_TRUE(window.contains(part)) << part.x() << "," << part.y();
    EXPECT_FALSE(profiles.intersects(macro));
    EXPECT_FALSE(macro.intersects(lighting));
    EXPECT_FALSE(lighting.intersects(restore));
    EXPECT_FALSE(lighting.intersects(keyboard));
    EXPECT_FALSE(QRect(55, 600, 200, 20).intersects(restore)) << "the version text";

    const QPoint apply(Cfg.ptApplyBtn.x, Cfg.ptApplyBtn.y);
    EXPECT_LE(text.width(), 63) << "OK, Cancel and Apply are 63 pixels apart";
    EXPECT_TRUE(window.contains(QRect(apply + QPoint(126, 0), text)));
    EXPECT_FALSE(QRect(apply, QSize(126 + text.width(), text.height())).intersects(keyboard));
    EXPECT_FALSE(QRect(keyboard.left() + 4, keyboard.bottom() + 6, 686, 20).intersects(QRect(apply, text)))
        << "the hint under the keyboard";
}

TEST_F(DefaultSkinTest, LightingPageControlsFitThePage)
{
    const QRect page(QPoint(0, 0), rectOf(Cfg.rcLED).size());
    EXPECT_TRUE(page.contains(QRect(QPoint(5, 15), sizeOf("check_nr.png"))));
    EXPECT_TRUE(page.contains(QRect(QPoint(90, 15), sizeOf("combo_nr.png"))));
    EXPECT_TRUE(page.contains(QRect(15, 119 + Cfg.BarH, Cfg.BarW + 10 + 35, Cfg.BarH))) << "speed slider and label";
    EXPECT_EQ(sizeOf("dpi_bar.png"), QSize(Cfg.BarW, Cfg.BarH));
    EXPECT_EQ(sizeOf("slider.png").height(), Cfg.BarH) << "the thumb sits on the bar";
}

TEST_F(DefaultSkinTest, DialogControlsFitTheirBackgrounds)
{
    const QSize text = sizeOf("btn_nr.png");
    const QRect picker(QPoint(0, 0), sizeOf("pickfundlg.png"));
    EXPECT_TRUE(picker.contains(QRect(QPoint(465, 312), text)));
    EXPECT_TRUE(picker.contains(QRect(538 - 1, 310 - 1, 1, 1)));
    EXPECT_TRUE(picker.contains(QRect(QPoint(245, 144), sizeOf("button_nr.png"))));
    EXPECT_LE(sizeOf("btn2_nr.png").height(), 64) << "page buttons are 64 pixels apart";

    const QRect message(QPoint(0, 0), sizeOf("msg_nr.png"));
    EXPECT_LE(text.width(), 164 - 87) << "OK and Cancel of the message box";
    EXPECT_TRUE(message.contains(QRect(QPoint(message.width() - 87, message.height() - 45), text)));
    EXPECT_GE(message.width(), 400 + 2 * 45) << "the input field";
    EXPECT_TRUE(message.contains(QRect(QPoint(110, 98), QPoint(509, 117))));

    const QRect progress(QPoint(0, 0), sizeOf("progress_nr.png"));
    EXPECT_EQ(progress.size(), sizeOf("progress_ov.png"));
    EXPECT_TRUE(progress.contains(QRect(QPoint(489, 8), sizeOf("exit_nr.png"))));
    EXPECT_TRUE(progress.contains(QRect(QPoint(45, 101), QPoint(485, 122))));

    const QRect macro(QPoint(0, 0), sizeOf("macro_nr.png"));
    const int a = Cfg.Macro_Opt_X;
    EXPECT_TRUE(macro.contains(QRect(QPoint(a, 269), sizeOf("combo_nr.png"))));
    EXPECT_TRUE(macro.contains(QRect(QPoint(a, 74), sizeOf("recbtn_nr.png"))));
    EXPECT_TRUE(macro.contains(rectOf(Cfg.rcMacroList).united(rectOf(Cfg.rcKeyList))));
    EXPECT_FALSE(QRect(QPoint(macro.width() - 36, 10), sizeOf("exit_nr.png"))
                     .intersects(QRect(QPoint(a, 74), sizeOf("recbtn_nr.png"))));
}

TEST_F(DefaultSkinTest, EachModelHasAKeyboardPictureOfItsViewWithEveryKeyOnIt)
{
    const QDir models(QString::fromStdString((test::sourceDir() / "data/models").string()));
    const QStringList names = models.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        test::loadConfigQuietly(test::readFile(test::sourceDir() / "data/models" / name.toStdString() / "cfg.ini"));
        const QString path = QString::fromStdString(
            (test::buildBinDir() / ".." / "models" / name.toStdString() / "keyimg.png").string());
        const QImage picture = loadImageFile(path).convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(picture.isNull()) << path.toStdString();
        EXPECT_EQ(picture.size(), rectOf(Cfg.rcKB).size()) << name.toStdString();
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << "rounded plate";
        for (int i = 0; i < KeyCount; ++i) {
            const Rect& key = KeyTable[std::size_t(i)].rect;
            const QPoint centre((key.left + key.right) / 2, (key.top + key.bottom) / 2);
            ASSERT_TRUE(picture.rect().contains(centre)) << name.toStdString() << " key " << i;
            EXPECT_EQ(qAlpha(picture.pixel(centre)), 255) << name.toStdString() << " key " << i;
        }
    }
}

} // namespace
} // namespace kavrel
