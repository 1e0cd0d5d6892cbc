// The dialogs an apply to the simulated keyboard talks to: the progress
// dialog closed while the apply runs, and the failure box the worker posts,
// also while the program is shutting down.

#include "ui/CProgressDlg.h"
#include "ui/SystemMessageBoxes.h"

#include "SimState.h"
#include "UiTestSupport.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "device/ApplyWorker.h"
#include "device/CUSBDriver.h"
#include "model/Lists.h"
#include "model/Profile.h"

#include <QApplication>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using namespace kavrel;
using namespace kavrel::test;

namespace {

constexpr const char* UpdateFailed = "   Update settings failed!      ";

class ApplyDialogsTest : public ProgramFolderFixture {
protected:
    void SetUp() override
    {
        ProgramFolderFixture::SetUp();
        setenv("KAVREL_HIDGATE", "libhidgate-sim.so", 1);
        setenv("KAVREL_SIM_STATE", (appData() / "sim.state").c_str(), 1);
        unsetenv("KAVREL_SIM_OPTIONS");
        InitLogWith(0, {});
        ProfileList.clear();
        PROFILE profile{};
        NewProfile("Dialogs", profile);
        ProfileList.appendCopy(profile);
        CurrentProfile = &*ProfileList.begin();
        owner.setGeometry(50, 50, 1000, 600);
        owner.show();
    }
    void TearDown() override
    {
        CurrentProfile = nullptr;
        ProfileList.clear();
        setApplySleep({});
        unsetenv("KAVREL_SIM_OPTIONS");
        unsetenv("KAVREL_SIM_STATE");
        unsetenv("KAVREL_HIDGATE");
        ProgramFolderFixture::TearDown();
    }

    // Opens the simulated keyboard with these options.
    void connect(CUSBDriver& link, const char* options)
    {
        setenv("KAVREL_SIM_OPTIONS", options, 1);
        ASSERT_TRUE(link.Init());
        ASSERT_TRUE(link.FindDev());
    }

    hidgate::SimState simState() const
    {
        const auto file = appData() / "sim.state";
        return std::filesystem::exists(file) ? hidgate::parseSimState(readFile(file)) : hidgate::SimState{};
    }

    std::unique_ptr<CProgressDlg> progressDialog()
    {
        auto dialog = std::make_unique<CProgressDlg>(&owner);
        const QString skins = QString::fromStdString(SkinsFolder());
        dialog->setPictures(skins + "progress_nr.png", skins + "progress_ov.png");
        dialog->setRange(0, 100);
        dialog->setPos(0);
        dialog->setBarRect(QRect(45, 101, 441, 22));
        return dialog;
    }

    static std::vector<QString> shownTexts()
    {
        std::vector<QString> texts;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
                texts.push_back(box->text());
        return texts;
    }

    QWidget owner;
};

} // namespace

TEST_F(ApplyDialogsTest, ProgressDialogClosedDuringAnApplyLeavesTheApplyRunning)
{
    CUSBDriver link;
    connect(link, "delay=300");
    SystemMessageBoxes boxes;
    ApplyWorker worker(link, boxes.sink());
    {
        auto dialog = progressDialog();
        answerNextModal([](QDialog& shown) {
            auto& progress = static_cast<CProgressDlg&>(shown);
            EXPECT_TRUE(waitFor([&] { return progress.position() == 20; }));
            clickButton(shown, "close");
        });
        worker.request(ApplyAll, QueuedApplyProgress::create(dialog.get()));
        EXPECT_EQ(dialog->exec(), QDialog::Rejected);
        EXPECT_EQ(worker.appliesDone(), 0) << "the dialog closed before the apply ended";
    } // the dialog is gone; later progress and the close must go nowhere
    ASSERT_TRUE(worker.waitForApplies(1, std::chrono::seconds(20)));
    processEvents();
    const hidgate::SimState state = simState();
    EXPECT_TRUE(state.count(9) && state.count(10)) << "matrix and lighting reached the keyboard";
    EXPECT_TRUE(shownTexts().empty()) << "the apply succeeded";
}

TEST_F(ApplyDialogsTest, TheWorkerMovesTheProgressDialogAndClosesIt)
{
    CUSBDriver link;
    connect(link, "");
    setApplySleep([](int) {});
    SystemMessageBoxes boxes;
    ApplyWorker worker(link, boxes.sink());
    auto dialog = progressDialog();
    std::vector<int> positions;
    QObject::connect(dialog.get(), &QDialog::finished, [&] { positions.push_back(dialog->position()); });
    worker.request(ApplyAll, QueuedApplyProgress::create(dialog.get()));
    EXPECT_EQ(dialog->exec(), QDialog::Rejected) << "closed by the worker, as a window close";
    EXPECT_EQ(positions, std::vector<int>{100});
    ASSERT_TRUE(worker.waitForApplies(1, std::chrono::seconds(20)));
    EXPECT_EQ(simState().count(9), 1u);
}

TEST_F(ApplyDialogsTest, AFailingApplyShowsItsBoxOnceWithoutBlockingTheWorker)
{
    CUSBDriver link;
    connect(link, "fail=led:always");
    setApplySleep([](int) {});
    SystemMessageBoxes boxes;
    ApplyWorker worker(link, boxes.sink());
    worker.request(ApplyLighting);
    ASSERT_TRUE(worker.waitForApplies(1, std::chrono::seconds(20))) << "the worker did not wait for the box";
    EXPECT_TRUE(waitFor([&] { return std::ranges::count(shownTexts(), QString(UpdateFailed)) > 0; }));
    processEvents();
    // The failed report has its own box before it ("Set led data, err=...").
    EXPECT_EQ(std::ranges::count(shownTexts(), QString(UpdateFailed)), 1);
    EXPECT_EQ(boxes.openBoxes(), int(shownTexts().size()));
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            clickOk(*box);
    EXPECT_TRUE(waitFor([&] { return boxes.openBoxes() == 0; }));
}

TEST_F(ApplyDialogsTest, ShuttingDownWithTheWorkersBoxPendingNeitherHangsNorCrashes)
{
    CUSBDriver link;
    connect(link, "fail=led:always");
    setApplySleep([](int) {});
    {
        auto boxes = std::make_unique<SystemMessageBoxes>();
        ApplyWorker worker(link, boxes->sink());
        worker.request(ApplyLighting);
        ASSERT_TRUE(worker.waitForApplies(1, std::chrono::seconds(20)));
        // The program ends before the interface thread ran again: the worker
        // is joined, then the boxes go, with the failure still queued.
        worker.stop();
        boxes.reset();
    }
    processEvents();
    EXPECT_TRUE(shownTexts().empty()) << "a box queued for a program that has ended is dropped";
    // And with the box already on screen: it is closed with its owner.
    {
        SystemMessageBoxes boxes;
        ApplyWorker worker(link, boxes.sink());
        worker.request(ApplyLighting);
        ASSERT_TRUE(waitFor([&] { return boxes.openBoxes() > 0; }));
        worker.stop();
    }
    processEvents();
    EXPECT_TRUE(shownTexts().empty());
}

TEST_F(ApplyDialogsTest, PlainBoxesOnTheInterfaceThreadWaitForTheUser)
{
    SystemMessageBoxes boxes;
    answerNextModal([](QDialog& box) {
        EXPECT_EQ(box.windowTitle(), "Error");
        EXPECT_EQ(static_cast<QMessageBox&>(box).text(), "Load skins failed.");
        clickOk(box);
    });
    platform::showMessageBox("Error", "Load skins failed.", platform::BoxIcon::Error);
    EXPECT_EQ(pendingModalAnswers(), 0);
    // From another thread the call returns at once; the box follows on the interface thread.
    std::thread other([] { platform::showMessageBox("Warning", "Capture keycode=0", platform::BoxIcon::Warning); });
    other.join();
    EXPECT_EQ(boxes.openBoxes(), 0);
    EXPECT_TRUE(waitFor([&] { return boxes.openBoxes() == 1; }));
    EXPECT_EQ(shownTexts(), std::vector<QString>{"Capture keycode=0"});
}
