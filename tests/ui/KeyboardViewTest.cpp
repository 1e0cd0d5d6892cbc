#include "controls/WindowMessage.h"
#include "ui/CKBColorDlg.h"

#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace kavrel {
namespace {

// The parent of the view: records the key clicks (message 1153) it receives.
class ClickRecorder : public QWidget {
public:
    std::vector<int> keys;

protected:
    bool event(QEvent* event) override
    {
        if (const WindowMessageEvent* message = asWindowMessage(event)) {
            if (message->message() == MsgKeyClicked)
                keys.push_back(int(message->wParam()));
            return true;
        }
        return QWidget::event(event);
    }
};

constexpr std::uint32_t Red = 0x0000FF; // 0x00BBGGRR
constexpr std::uint32_t Green = 0x00FF00;
constexpr std::uint32_t Blue = 0xFF0000;

// Three keys: 0 and 1 overlap at x 40..49, 2 stands apart; key 3 is the shaped one, an L whose bounding
// rectangle covers a corner the polygon leaves out.
class KeyboardView : public ::testing::Test {
protected:
    ClickRecorder parent;
    CKBColorDlg* view = new CKBColorDlg(&parent);
    const std::vector<Rect> rects{{10, 10, 50, 50}, {40, 10, 80, 50}, {100, 10, 140, 50}, {150, 10, 200, 90}};
    const std::vector<Point> enter{{150, 10}, {200, 10}, {200, 90}, {170, 90}, {170, 50}, {150, 50}, {150, 10}};

    void SetUp() override
    {
        parent.resize(240, 120);
        view->setGeometry(0, 0, 240, 120);
        view->setKeyRects(rects);
        view->setKeyColors(Green, Blue, Red);
        parent.show();
    }
    void release(QPoint at)
    {
        QTest::mouseRelease(view, Qt::LeftButton, {}, at);
        QCoreApplication::processEvents();
    }
    void press(QPoint at) { QTest::mousePress(view, Qt::LeftButton, {}, at); }
    void hover(QPoint at) { QTest::mouseMove(view, at); }
    // The view as it paints itself, over nothing (no window background).
    QImage picture()
    {
        QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return image.convertToFormat(QImage::Format_ARGB32);
    }
};

TEST_F(KeyboardView, ReleaseSelectsTheFirstKeyInIndexOrderAndAGapClearsTheSelection)
{
    press(QPoint(45, 20)); // a press alone selects nothing
    EXPECT_EQ(view->selectedKey(), CKBColorDlg::NoKey);
    release(QPoint(45, 20)); // overlap of keys 0 and 1: the lower index wins
    EXPECT_EQ(view->selectedKey(), 0);
    press(QPoint(20, 20)); // pressed on key 0, released over key 2: the release point counts
    release(QPoint(120, 30));
    EXPECT_EQ(view->selectedKey(), 2);
    release(QPoint(90, 30)); // the gap
    EXPECT_EQ(view->selectedKey(), CKBColorDlg::NoKey);
    release(QPoint(50, 30)); // right edge of key 0 is outside it, inside key 1
    EXPECT_EQ(parent.keys, (std::vector<int>{0, 2, 1}));
}

TEST_F(KeyboardView, TheShapedKeyIsHitOnlyInsideItsPolygon)
{
    view->setShapedKey(3, enter);
    EXPECT_EQ(view->hitTest(QPoint(160, 70)), CKBColorDlg::NoKey); // inside the rectangle, outside the L
    EXPECT_EQ(view->hitTest(QPoint(185, 70)), 3);
    EXPECT_EQ(view->hitTest(QPoint(155, 20)), 3);
    hover(QPoint(160, 70));
    EXPECT_EQ(view->hoverKey(), CKBColorDlg::NoKey);
    hover(QPoint(185, 70));
    EXPECT_EQ(view->hoverKey(), 3);

    // Too few points or an index past the table leave the key as it was.
    CKBColorDlg plain;
    plain.setKeyRects(rects);
    plain.setShapedKey(3, std::vector<Point>{{150, 10}, {200, 90}});
    plain.setShapedKey(144, enter);
    EXPECT_EQ(plain.shapedKey(), CKBColorDlg::NoKey);
    EXPECT_EQ(plain.hitTest(QPoint(160, 70)), 3);
}

TEST_F(KeyboardView, HoverFollowsThePointerAndStaysWhenItLeaves)
{
    hover(QPoint(120, 30));
    EXPECT_EQ(view->hoverKey(), 2);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(view, &leave);
    EXPECT_EQ(view->hoverKey(), 2);
    hover(QPoint(90, 30));
    EXPECT_EQ(view->hoverKey(), CKBColorDlg::NoKey);
}

TEST_F(KeyboardView, NegativeIndicesMeanTheSelectedKeyAndOutOfRangeOnesAreIgnored)
{
    view->setKeyColor(-1, Blue); // nothing selected: nothing changes
    view->setHasFunction(-1, true);
    EXPECT_EQ(view->keyColors(), (std::array<std::uint32_t, 144>{}));
    release(QPoint(120, 30));
    view->setKeyColor(-1, Blue);
    view->setHasFunction(-1, true);
    view->setKeyColor(144, Red);
    view->setHasFunction(200, true);
    EXPECT_EQ(view->keyColors()[2], Blue);
    EXPECT_TRUE(view->hasFunction(2));
    view->setAllColors({}); // reloading the colours clears the selection
    EXPECT_EQ(view->selectedKey(), CKBColorDlg::NoKey);
}

TEST_F(KeyboardView, FillsLieOverFunctionOutlinesAndTheHoverOutlineOverBoth)
{
    view->setHasFunction(0, true);
    view->setHasFunction(2, true);
    std::array<std::uint32_t, 144> colours{};
    colours[0] = Blue;
    colours[1] = 0; // no fill: pure black cannot be shown
    colours[2] = Blue;
    view->setAllColors(colours);
    hover(QPoint(120, 30)); // key 2

    const QImage image = picture();
    // Key 0: its outline's left edge at x = 10 is red under a blue fill of alpha 120.
    const QColor edge = image.pixelColor(10, 30);
    EXPECT_GT(edge.blue(), 100);
    EXPECT_GT(edge.red(), 100);
    EXPECT_EQ(edge.alpha(), 255);
    // Inside key 0 only the fill: blue at alpha 120 over nothing.
    const QColor inside = image.pixelColor(30, 30);
    EXPECT_EQ(inside.alpha(), 120);
    EXPECT_GT(inside.blue(), 240);
    EXPECT_EQ(inside.red(), 0);
    // Key 1 has no function and no colour: untouched where it does not meet key 0.
    EXPECT_EQ(image.pixelColor(70, 30).alpha(), 0);
    // Key 2: the hover outline covers the function outline and the fill.
    EXPECT_EQ(image.pixelColor(100, 30), QColor(0, 255, 0));
    EXPECT_EQ(image.pixelColor(120, 30).alpha(), 120);
}

TEST_F(KeyboardView, TheShapedKeyIsOutlinedAndFilledAlongItsPolygon)
{
    view->setShapedKey(3, enter);
    view->setHasFunction(3, true);
    std::array<std::uint32_t, 144> colours{};
    colours[3] = Blue;
    view->setAllColors(colours);
    const QImage image = picture();
    EXPECT_EQ(image.pixelColor(160, 70).alpha(), 0); // the corner the L leaves out
    EXPECT_EQ(image.pixelColor(185, 70).alpha(), 120);
    const QColor outline = image.pixelColor(170, 70); // the L's inner edge
    EXPECT_GT(outline.red(), 100);
}

} // namespace
} // namespace kavrel
