#include "ControlTestSupport.h"

#include "app/Config.h"
#include "controls/CPngSliderBar.h"
#include "controls/SliderMath.h"

#include <QTest>

#include <gtest/gtest.h>

namespace kavrel {
namespace {

TEST(ScalePositions, FiveAndSixStopsSpreadFrom12To168)
{
    std::array<int, 100> stops{};
    ASSERT_EQ(make_scale_positions(5, stops), 5);
    EXPECT_EQ(std::vector<int>(stops.begin(), stops.begin() + 5), (std::vector<int>{12, 51, 90, 129, 168}));
    ASSERT_EQ(make_scale_positions(6, stops), 6);
    EXPECT_EQ(std::vector<int>(stops.begin(), stops.begin() + 6), (std::vector<int>{12, 44, 75, 106, 137, 168}));
    ASSERT_EQ(make_scale_positions(2, stops), 2);
    EXPECT_EQ(stops[1], 168);
    // Counts that would divide by zero or overrun the array.
    EXPECT_EQ(make_scale_positions(1, stops), 1);
    EXPECT_EQ(stops[0], 12);
    EXPECT_EQ(make_scale_positions(0, stops), 0);
    std::array<int, 3> few{};
    EXPECT_EQ(make_scale_positions(5, few), 3);
    EXPECT_EQ(few[2], 90);
}

TEST(SliderValueAt, NearestStopWithTiesToTheLaterOneAndNearestStepWithTiesToTheLowerOne)
{
    CPngSlider thumb;
    std::array<int, 100> stops{};
    thumb.setStops(std::span<const int>(stops.data(), std::size_t(make_scale_positions(5, stops))));
    EXPECT_EQ(slider_value_at(thumb, 70, 180, 1, 5), 2); // 19 from 51, 20 from 90
    EXPECT_EQ(slider_value_at(thumb, 71, 180, 1, 5), 3);
    EXPECT_EQ(slider_value_at(thumb, -40, 180, 1, 5), 1);
    EXPECT_EQ(slider_value_at(thumb, 900, 180, 1, 5), 5);
    thumb.setStops(std::span<const int>(stops.data(), std::size_t(make_scale_positions(6, stops))));
    EXPECT_EQ(slider_value_at(thumb, 28, 180, 1, 6), 2) << "16 pixels from 12 and from 44";

    CPngSlider linear;
    EXPECT_EQ(slider_value_at(linear, 55, 100, 0, 10), 5);
    EXPECT_EQ(slider_value_at(linear, 56, 100, 0, 10), 6);
    EXPECT_EQ(slider_value_at(linear, 250, 100, 0, 10), 10);
    EXPECT_EQ(slider_value_at(linear, 55, 0, 0, 10), 0) << "an empty track";
    EXPECT_EQ(slider_value_at(linear, 55, 100, 3, 3), 3) << "an empty range";
}

class SliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Cfg = Settings{};
        skin.add("dpi_bar.png", QSize(180, 18), QColor(40, 40, 40));
        thumbImage = QImage(18, 18, QImage::Format_ARGB32);
        thumbImage.fill(Qt::white);
        background = QImage(300, 200, QImage::Format_ARGB32);
        background.fill(QColor(10, 20, 30));
        owner.resize(300, 200);
        owner.show();
    }

    bool make(CPngSliderBar& track, int maximum, bool vertical = false)
    {
        const QRect rect = vertical ? QRect(20, 10, 18, 180) : QRect(15, 79, 180, 18);
        track.setVertical(vertical);
        return create_slider_bar(track, &owner, &background, thumbImage, maximum, 149, QPoint(0, 0), rect, rect);
    }

    test::TestSkin skin;
    QImage thumbImage;
    QImage background;
    test::MessageRecorder owner;
};

TEST_F(SliderTest, CreationNeedsTheBarAndTheThumbPictures)
{
    CPngSliderBar noThumb;
    EXPECT_FALSE(create_slider_bar(
        noThumb, &owner, &background, QImage(), 5, 1, {}, QRect(0, 0, 180, 18), QRect(0, 0, 180, 18)));
    EXPECT_EQ(noThumb.parentWidget(), nullptr);

    CPngSliderBar track;
    ASSERT_TRUE(make(track, 5));
    EXPECT_EQ(track.parentWidget(), &owner);
    EXPECT_EQ(track.geometry(), QRect(15, 79, 180, 18));
    EXPECT_EQ(track.controlId(), CPngSliderBar::SliderControlId);
    EXPECT_EQ(track.thumb().tag(), 149);
    EXPECT_EQ(track.thumb().minimum(), 1);
    EXPECT_EQ(track.thumb().maximum(), 5);
    EXPECT_EQ(track.thumb().index(), 1);
    EXPECT_TRUE(track.thumb().live());
    EXPECT_EQ(track.thumb().size(), QSize(18, 18));
    // The track picture: the owner's background with the bar over it.
    EXPECT_EQ(track.composedImage().size(), QSize(180, 18));
    EXPECT_EQ(track.composedImage().pixelColor(5, 5), QColor(40, 40, 40));

    test::TestSkin empty; // no dpi_bar.png
    CPngSliderBar noBar;
    EXPECT_FALSE(make(noBar, 5));
    EXPECT_EQ(noBar.parentWidget(), nullptr);
}

TEST_F(SliderTest, ABackgroundSmallerThanTheTrackLeavesNoPictureButAWorkingSlider)
{
    const QImage small(100, 10, QImage::Format_ARGB32);
    CPngSliderBar track;
    ASSERT_TRUE(
        create_slider_bar(track, &owner, &small, thumbImage, 5, 1, {}, QRect(0, 0, 180, 18), QRect(0, 0, 180, 18)));
    EXPECT_TRUE(track.composedImage().isNull());
    set_slider_value(track.thumb(), 4, false);
    EXPECT_EQ(get_slider_value(track.thumb()), 4);
    test::rendered(owner);
}

TEST_F(SliderTest, SettingValuesPlacesTheThumbOnItsStopAndOutOfRangeValuesGiveTheMinimum)
{
    CPngSliderBar track;
    ASSERT_TRUE(make(track, 5));
    CPngSlider& thumb = track.thumb();
    thumb.SetScalePos(5);
    set_slider_value(thumb, 4, false);
    EXPECT_EQ(thumb.index(), 4);
    EXPECT_EQ(thumb.pos(), QPoint(129 - 9, 0));
    set_slider_value(thumb, 0, false);
    EXPECT_EQ(thumb.index(), 1);
    EXPECT_EQ(thumb.x(), 12 - 9);
    set_slider_value(thumb, -3, false);
    EXPECT_EQ(thumb.index(), 1) << "negative values are out of range too";

    // Without stops the thumb sits on the step: 180 / 4 pixels per index.
    thumb.setStops({});
    thumb.setCrossPosition(2);
    set_slider_value(thumb, 3, false);
    EXPECT_EQ(thumb.pos(), QPoint(45 * 2 - 9, 2));
}

TEST_F(SliderTest, AValueTableMapsValuesToIndices)
{
    CPngSliderBar track;
    ASSERT_TRUE(make(track, 4));
    CPngSlider& thumb = track.thumb();
    const int table[] = {400, 800, 1600, 3200};
    thumb.setValueTable(table);
    set_slider_value(thumb, 1600, false);
    EXPECT_EQ(thumb.index(), 3);
    EXPECT_EQ(get_slider_value(thumb), 1600);
    set_slider_value(thumb, 1000, false); // not in the table: nothing changes
    EXPECT_EQ(thumb.index(), 3);
    EXPECT_EQ(thumb.valueOfIndex(1), 400);
    EXPECT_EQ(thumb.valueOfIndex(9), 0) << "too far from the minimum";
}

TEST_F(SliderTest, AScaleThatDoesNotMatchTheRangeWarnsAndIsInstalled)
{
    CPngSliderBar track;
    ASSERT_TRUE(make(track, 6));
    test::MessageCapture boxes;
    track.thumb().SetScalePos(6);
    EXPECT_TRUE(boxes.boxes().empty());
    track.thumb().SetScalePos(5);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].caption, "Warning");
    EXPECT_EQ(boxes.boxes()[0].text, "CPngSlider::SetScalePos  dwScale and Range unmatch!");
    EXPECT_EQ(track.thumb().stops().size(), 5u);
    set_slider_value(track.thumb(), 6, false); // past the last stop: stands on it
    EXPECT_EQ(track.thumb().x(), 168 - 9);
}

TEST_F(SliderTest, AClickOnTheTrackSetsTheValueAndTellsTheOwnerOnce)
{
    CPngSliderBar track;
    ASSERT_TRUE(make(track, 5));
    track.thumb().SetScalePos(5);
    test::processEvents();
    owner.messages.clear();
    QTest::mouseClick(&track, Qt::LeftButton, {}, QPoint(71, 9));
    test::processEvents();
    EXPECT_EQ(track.thumb().index(), 3);
    ASSERT_EQ(owner.messages.size(), 1u);
    EXPECT_EQ(owner.messages[0], (test::MessageRecorder::Message{MsgSliderSet, 3, 149}));

    track.setThumbNotifies(1);
    QTest::mouseClick(&track, Qt::LeftButton, {}, QPoint(165, 9));
    test::processEvents();
    ASSERT_EQ(owner.messages.size(), 2u) << "the thumb's message, passed on by the track";
    EXPECT_EQ(owner.messages[1], (test::MessageRecorder::Message{MsgSliderSet, 5, 149}));

    track.setDisabled(1);
    QTest::mouseClick(&track, Qt::LeftButton, {}, QPoint(70, 9));
    test::processEvents();
    EXPECT_EQ(owner.messages.size(), 2u);
    EXPECT_EQ(track.thumb().index(), 5);
}

TEST_F(SliderTest, DraggingStopsAtTheTrackEndReportsLiveAndSetsOnRelease)
{
    CPngSliderBar track;
    ASSERT_TRUE(make(track, 5));
    CPngSlider& thumb = track.thumb();
    thumb.SetScalePos(5);
    set_slider_value(thumb, 2, false);
    test::processEvents();
    owner.messages.clear();
    QTest::mousePress(&thumb, Qt::LeftButton, {}, QPoint(9, 9));
    QTest::mouseMove(&thumb, QPoint(9 + 500, 9));
    EXPECT_EQ(thumb.x() + thumb.width(), track.width()) << "the thumb stays inside the track";
    QTest::mouseRelease(&thumb, Qt::LeftButton, {}, QPoint(9, 9));
    test::processEvents();
    EXPECT_EQ(thumb.index(), 5);
    EXPECT_EQ(thumb.x(), 168 - 9);
    ASSERT_GE(owner.messages.size(), 2u);
    EXPECT_EQ(owner.messages.front().message, unsigned(MsgSliderChanging));
    EXPECT_EQ(owner.messages.back(), (test::MessageRecorder::Message{MsgSliderSet, 5, 149}));

    thumb.setDragEnabled(0);
    QTest::mousePress(&thumb, Qt::LeftButton, {}, QPoint(9, 9));
    EXPECT_FALSE(thumb.dragging());
}

TEST_F(SliderTest, AVerticalThumbMayOverhangByHalfItsHeight)
{
    CPngSliderBar track;
    ASSERT_TRUE(make(track, 5, true));
    CPngSlider& thumb = track.thumb();
    set_slider_value(thumb, 3, false);
    QTest::mousePress(&thumb, Qt::LeftButton, {}, QPoint(9, 9));
    QTest::mouseMove(&thumb, QPoint(9, 9 - 800));
    EXPECT_EQ(thumb.y(), -9);
    QTest::mouseMove(&thumb, QPoint(9, 9 + 1600));
    EXPECT_EQ(thumb.y() + thumb.height(), track.height() + 9);
    QTest::mouseRelease(&thumb, Qt::LeftButton, {}, QPoint(9, 9));
}

TEST_F(SliderTest, TheDebugFrameDrawsATickLineAtEveryStop)
{
    Cfg.UIDebug = 1;
    CPngSliderBar track;
    ASSERT_TRUE(make(track, 5));
    EXPECT_TRUE(track.frameFlag());
    track.thumb().SetScalePos(5);
    QImage picture(track.size(), QImage::Format_ARGB32);
    track.render(&picture, QPoint(), QRegion(), QWidget::DrawWindowBackground); // the track without its thumb
    int ticks = 0;
    for (int x = 1; x < picture.width() - 1; ++x)
        ticks += picture.pixelColor(x, 9) == QColor(255, 0, 0) ? 1 : 0;
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(picture.pixelColor(0, 9), QColor(255, 0, 0)) << "the frame";
}

} // namespace
} // namespace kavrel
