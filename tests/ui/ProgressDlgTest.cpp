// The progress dialog: position and fill rules, the keyboard that cannot
// dismiss it, missing pictures, and its link to the apply worker.

#include "ui/CProgressDlg.h"

#include "UiTestSupport.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/ButtonFactory.h"
#include "controls/WindowMessage.h"
#include "device/ApplyWorker.h"
#include "ui/MissingPictures.h"

#include <QImage>

#include <gtest/gtest.h>

using namespace kavrel;
using namespace kavrel::test;

namespace {

const QRect Bar(45, 101, 441, 22);

class ProgressDlgTest : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        owner.setGeometry(50, 50, 1000, 600);
        owner.show();
    }
    // A dialog as the main window sets it up, pictures of two plain colours.
    std::unique_ptr<CProgressDlg> makeDialog()
    {
        writePicture("empty.png", Qt::blue);
        writePicture("full.png", Qt::red);
        auto dialog = std::make_unique<CProgressDlg>(&owner);
        dialog->setPictures(path("empty.png"), path("full.png"));
        dialog->setRange(0, 100);
        dialog->setPos(0);
        dialog->setBarRect(Bar);
        dialog->setText("Writing", QRect(15, 12, 440, 20));
        return dialog;
    }
    void writePicture(const char* name, Qt::GlobalColor color)
    {
        QImage image(530, 150, QImage::Format_ARGB32);
        image.fill(color);
        image.save(path(name));
    }
    QString path(const char* name) const { return QString::fromStdString((appData() / name).string()); }

    QWidget owner;
};

} // namespace

TEST_F(ProgressDlgTest, PositionsOutsideTheRangeShowTheMinimum)
{
    auto dialog = makeDialog();
    EXPECT_EQ(dialog->size(), QSize(530, 150));
    EXPECT_EQ(dialog->windowTitle().toStdString(), Text("tc_progress_title"));
    EXPECT_FALSE(dialog->windowTitle().isEmpty()) << "a title from the text table, not a debug name";
    dialog->setPos(70);
    EXPECT_EQ(dialog->position(), 70);
    EXPECT_EQ(dialog->fillEdge(), 45 + 70 * 441 / 100);
    dialog->setPos(101);
    EXPECT_EQ(dialog->position(), 0) << "not held at the maximum";
    EXPECT_EQ(dialog->fillEdge(), 45);
    dialog->setPos(-1);
    EXPECT_EQ(dialog->position(), 0);
    dialog->setRange(10, 20);
    dialog->setPos(15);
    EXPECT_EQ(dialog->fillEdge(), 45 + 5 * 441 / 10);
    dialog->setPos(20);
    EXPECT_EQ(dialog->fillEdge(), 45 + 441);
}

TEST_F(ProgressDlgTest, AnEmptyOrReversedRangeDrawsAnEmptyBar)
{
    auto dialog = makeDialog();
    dialog->setRange(5, 5);
    dialog->setPos(5);
    EXPECT_EQ(dialog->fillEdge(), 45);
    dialog->setRange(100, 0);
    dialog->setPos(50);
    EXPECT_EQ(dialog->fillEdge(), 45);
    // A huge range and position do not overflow.
    dialog->setRange(0, 2000000000);
    dialog->setPos(1500000000);
    EXPECT_EQ(dialog->fillEdge(), 45 + 330);
    EXPECT_FALSE(rendered(*dialog).isNull());
}

TEST_F(ProgressDlgTest, TheFullPictureCoversTheBarUpToThePosition)
{
    auto dialog = makeDialog();
    dialog->setText({}, {});
    dialog->show();
    EXPECT_EQ(sendWindowMessage(dialog.get(), MsgApplyProgress, 70), 1);
    const QImage image = rendered(*dialog);
    const int fill = 45 + 70 * 441 / 100;
    EXPECT_EQ(QColor(image.pixel(fill - 1, 140)), QColor(Qt::red));
    EXPECT_EQ(QColor(image.pixel(fill, 140)), QColor(Qt::blue));
    EXPECT_EQ(QColor(image.pixel(2, 2)), QColor(Qt::red)) << "the full picture is drawn from the left edge";
}

TEST_F(ProgressDlgTest, TheKeyboardCannotDismissItAndTheCloseButtonCancels)
{
    auto dialog = makeDialog();
    answerNextModal([](QDialog& shown) {
        for (const int vk : {0x0D, 0x1B, 0x20})
            tapKey(&shown, vk);
        sendKey(&shown, 0x0D | ExtendedVariant, true);
        EXPECT_TRUE(shown.isVisible());
        clickButton(shown, "close");
    });
    EXPECT_EQ(dialog->exec(), QDialog::Rejected);
    EXPECT_EQ(pendingModalAnswers(), 0);
}

TEST_F(ProgressDlgTest, MissingPicturesAreNamedOnceAndTheDialogCloses)
{
    forgetMissingSkinPictures();
    MessageCapture boxes;
    CProgressDlg dialog(&owner);
    dialog.setPictures(path("none.png"), path("none.png"));
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    const std::string named = TextWith("tc_skin_missing", {SkinsFolder() + "progress_nr.png"});
    EXPECT_EQ(boxes.boxes(), (std::vector<ShownBox>{{"Error", named, platform::BoxIcon::Error}}));
    CProgressDlg again(&owner);
    again.setPictures(path("none.png"), path("none.png"));
    EXPECT_EQ(again.exec(), QDialog::Rejected);
    EXPECT_EQ(boxes.boxes().size(), 1u) << "told once per run";
}

TEST_F(ProgressDlgTest, ARequestWithoutAWorkerClosesItsTargetAsFailed)
{
    StopApplyWorker();
    auto dialog = makeDialog();
    RequestApply(ApplyAll, QueuedApplyProgress::create(dialog.get()));
    EXPECT_EQ(dialog->exec(), QDialog::Rejected) << "closed, not left waiting";
    ASSERT_TRUE(dialog->applyOutcome());
    EXPECT_FALSE(*dialog->applyOutcome());
}

TEST_F(ProgressDlgTest, QueuedProgressReachesTheDialogAndEndsItsRun)
{
    auto dialog = makeDialog();
    ApplyProgress* link = QueuedApplyProgress::create(dialog.get());
    std::vector<int> seen;
    QObject::connect(dialog.get(), &QDialog::finished, [&] { seen.push_back(dialog->position()); });
    // Called from another thread, as the worker does.
    std::thread worker([link] {
        for (int percent : {20, 70, 100})
            link->progress(percent);
        link->close();
    });
    EXPECT_EQ(dialog->exec(), QDialog::Rejected);
    worker.join();
    EXPECT_EQ(seen, std::vector<int>{100}) << "every step arrived before the close";
}

TEST_F(ProgressDlgTest, ProgressForADestroyedDialogGoesNowhere)
{
    auto dialog = makeDialog();
    ApplyProgress* link = QueuedApplyProgress::create(dialog.get());
    link->progress(20);
    dialog.reset();
    link->progress(70);
    link->close();
    processEvents();
    SUCCEED() << "no dangling dialog was touched";
}
