// The colour swatch: its painting, and the notices a click gives its parent.

#include "ui/CColorBtnDlg.h"

#include "controls/ControlTestSupport.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace kavrel;
using namespace kavrel::test;

namespace {

struct Swatches {
    MessageRecorder parent;
    CColorBtnDlg* red = new CColorBtnDlg(&parent);
    CColorBtnDlg* none = new CColorBtnDlg(&parent);

    // As the key function picker sets them up.
    Swatches()
    {
        red->setGeometry(100, 50, 22, 22);
        none->setGeometry(142, 50, 22, 22);
        red->setColor(0x0000FF);
        none->setColor(0);
        none->setCrossedOut(true);
        for (CColorBtnDlg* swatch : {red, none}) {
            swatch->setNormalFrameColor(0x969696);
            swatch->setSelectedFrameColor(0x1513BD);
        }
        red->setValue(0);
        none->setValue(1);
        parent.resize(200, 100);
        parent.show();
    }
};

QColor at(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

} // namespace

TEST(ColorSwatch, PaintsColourBorderAndFrame)
{
    Swatches swatches;
    QImage red = rendered(*swatches.red);
    EXPECT_EQ(at(red, 0, 0), QColor(0x96, 0x96, 0x96)) << "normal frame";
    EXPECT_EQ(at(red, 21, 21), QColor(0x96, 0x96, 0x96));
    EXPECT_EQ(at(red, 2, 2), QColor(0x12, 0x12, 0x12)) << "dark border";
    EXPECT_EQ(at(red, 3, 3), QColor(0xFF, 0, 0));
    EXPECT_EQ(at(red, 18, 18), QColor(0xFF, 0, 0));
    EXPECT_EQ(at(red, 19, 19), QColor(0x12, 0x12, 0x12));
    swatches.red->setSelected(true);
    red = rendered(*swatches.red);
    EXPECT_EQ(at(red, 0, 10), QColor(0xBD, 0x13, 0x15)) << "selected frame 0x1513BD";

    const QImage none = rendered(*swatches.none);
    EXPECT_EQ(at(none, 10, 10), QColor(0x12, 0x12, 0x12)) << "no colour fill when crossed out";
    EXPECT_EQ(at(none, 2, 20), QColor(0xFF, 0, 0)) << "the red line starts lower left";
    EXPECT_EQ(at(none, 11, 11), QColor(0xFF, 0, 0));
}

TEST(ColorSwatch, ReleasesReportSelectionAndValueWithoutChangingTheLook)
{
    Swatches swatches;
    const QImage before = rendered(*swatches.red);
    QTest::mouseClick(swatches.red, Qt::LeftButton, {}, QPoint(11, 11));
    swatches.none->setSelected(true);
    QTest::mouseClick(swatches.none, Qt::LeftButton, {}, QPoint(11, 11));
    processEvents();
    using M = MessageRecorder::Message;
    EXPECT_EQ(swatches.parent.messages, (std::vector<M>{{1086, 1, 0}, {1086, 0, 1}}));
    EXPECT_FALSE(swatches.red->isSelected());
    EXPECT_EQ(rendered(*swatches.red), before);
    EXPECT_EQ(swatches.none->color(), 0u) << "a crossed-out swatch keeps its stored colour";
}

TEST(ColorSwatch, ADoubleClickGivesTheTwoReleaseNoticesOnly)
{
    Swatches swatches;
    // What the platform delivers for a double click: press, release, press, double click, release.
    QTest::mouseClick(swatches.red, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mousePress(swatches.red, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(swatches.red, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(swatches.red, Qt::LeftButton, {}, QPoint(5, 5));
    // A release outside the swatch (the press dragged away) is no click.
    QTest::mousePress(swatches.red, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(swatches.red, Qt::LeftButton, {}, QPoint(40, 5));
    processEvents();
    EXPECT_EQ(swatches.parent.messages.size(), 2u);
}
