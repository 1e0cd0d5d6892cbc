// One kavrel per session, tested with real processes: the built kavrel against
// an instance held by this test, and the other way round.

#include "ui/SingleInstance.h"
#include "UiTestSupport.h"
#include "app/Texts.h"
#include "support/TestSupport.h"
#include "ui/CKavrelApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace kavrel {
namespace {
namespace fs = std::filesystem;
using test::TempDir;

// A private runtime folder (0700, as the session's is) and the environment a kavrel process runs in.
class InstanceFolders : public ::testing::Test {
protected:
    TempDir runtime;
    TempDir data;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();

    void SetUp() override
    {
        fs::permissions(runtime.path(), fs::perms::owner_all);
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path()));
        environment.insert("XDG_DATA_HOME", QString::fromStdString(data.path()));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("KAVREL_HIDGATE", "libhidgate-sim.so");
        environment.insert("KAVREL_SIM_STATE", QString::fromStdString(data / "sim.state"));
        environment.remove("KAVREL_SIM_OPTIONS");
        LoadTexts((test::buildBinDir() / "text.xml").string());
    }
    QString folder() const { return QString::fromStdString(runtime.path()); }
    SingleInstance instance() const
    {
        return SingleInstance(instanceLockName(), QString::fromStdString(Text("tc_title")), folder());
    }
    std::unique_ptr<QProcess> startKavrel(const QProcessEnvironment& env)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessEnvironment(env);
        process->setProgram(QString::fromStdString(test::buildBinDir() / "kavrel"));
        process->start();
        return process;
    }
};

TEST_F(InstanceFolders, ASecondKavrelSignalsTheRunningOneAndEnds)
{
    SingleInstance running(instanceLockName(), QString::fromStdString(Text("tc_title")), folder());
    ASSERT_TRUE(running.acquire());
    QSignalSpy received(&running, &SingleInstance::messageReceived);

    // Logging to standard error shows the start-up lines of the second process.
    TempDir program;
    for (const char* file : {"text.xml", "cfg.ini"})
        fs::copy_file(test::buildBinDir() / file, program / file);
    std::string cfg = test::readFile(program / "cfg.ini");
    cfg.replace(cfg.find("Debug=0"), 7, "Debug=1");
    test::writeFile(program / "cfg.ini", cfg);
    QProcessEnvironment env = environment;
    env.insert("KAVREL_PROGRAM_DIR", QString::fromStdString(program.path()));

    auto second = startKavrel(env);
    ASSERT_TRUE(second->waitForStarted());
    ASSERT_TRUE(test::waitFor([&] { return second->state() == QProcess::NotRunning; }, 20000));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    ASSERT_TRUE(test::waitFor([&] { return received.count() > 0; }));
    EXPECT_EQ(received.at(0).at(0).toUInt(), 1132u);
    EXPECT_EQ(received.at(0).at(2).toLongLong(), 515);

    const QStringList lines = QString::fromLocal8Bit(second->readAllStandardError()).split('\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0], QString(50, '-'));
    EXPECT_TRUE(lines[1].startsWith("Launch ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(", App Ver=" + QString::fromStdString(Text("tc_version"))));
    EXPECT_TRUE(lines.contains("Driver exit"));
}

TEST_F(InstanceFolders, ARunningKavrelAnswersALaterInstance)
{
    auto first = startKavrel(environment);
    ASSERT_TRUE(first->waitForStarted());
    SingleInstance later = instance();
    // The first process holds the lock once it has read its files; from then on it answers.
    ASSERT_TRUE(
        test::waitFor([&] { return QFile::exists(later.lockPath()) && QFile::exists(later.serverPath()); }, 20000));
    EXPECT_FALSE(later.acquire());
    EXPECT_TRUE(later.signalRunning());
    EXPECT_EQ(first->state(), QProcess::Running) << "answering a later instance does not end the first";
    first->kill();
    first->waitForFinished();

    // A lock left by a process that is gone is taken over.
    SingleInstance after = instance();
    EXPECT_TRUE(after.acquire());
}

TEST_F(InstanceFolders, OnlyTheOpeningRequestIsTakenFromTheSocket)
{
    SingleInstance running = instance();
    ASSERT_TRUE(running.acquire());
    QSignalSpy received(&running, &SingleInstance::messageReceived);
    QLocalSocket socket;
    socket.connectToServer(running.serverPath());
    ASSERT_TRUE(socket.waitForConnected(2000));
    socket.write("1153 7 0\nnonsense\n1132 0 517\n1132 x 515\n" + QByteArray(100, '7') + "\n");
    ASSERT_TRUE(socket.waitForBytesWritten(2000));

    SingleInstance later = instance();
    EXPECT_FALSE(later.acquire());
    EXPECT_TRUE(later.signalRunning());
    ASSERT_TRUE(test::waitFor([&] { return received.count() >= 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(received.count(), 1) << "garbage and other messages are dropped";
}

TEST_F(InstanceFolders, SilentOrFloodingClientsDoNotKeepLaterInstancesOut)
{
    // A file left where the socket goes (a crash, or anything else) is replaced.
    const SingleInstance probe = instance();
    test::writeFile(probe.serverPath().toStdString(), "left over");
    SingleInstance running = instance();
    ASSERT_TRUE(running.acquire());
    QSignalSpy received(&running, &SingleInstance::messageReceived);

    // One client connects and says nothing, one sends half a line and goes, one floods without a line end.
    QLocalSocket silent;
    silent.connectToServer(running.serverPath());
    ASSERT_TRUE(silent.waitForConnected(2000));
    QLocalSocket half;
    half.connectToServer(running.serverPath());
    ASSERT_TRUE(half.waitForConnected(2000));
    half.write("1132 0");
    ASSERT_TRUE(half.waitForBytesWritten(2000));
    half.disconnectFromServer();
    QLocalSocket flood;
    flood.connectToServer(running.serverPath());
    ASSERT_TRUE(flood.waitForConnected(2000));
    flood.write(QByteArray(4096, '1'));
    ASSERT_TRUE(test::waitFor([&] {
        if (flood.state() != QLocalSocket::UnconnectedState)
            flood.waitForBytesWritten(10);
        return flood.state() == QLocalSocket::UnconnectedState;
    })) << "a connection that never ends a line is closed";

    EXPECT_TRUE(instance().signalRunning());
    ASSERT_TRUE(test::waitFor([&] { return received.count() >= 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(received.count(), 1) << "half a line is no request";
    EXPECT_EQ(silent.state(), QLocalSocket::ConnectedState);
}

TEST(InstanceNames, LockAndSocketNamesAreSafeFileNames)
{
    EXPECT_TRUE(instanceFileName("KAVREL_VALQORN_MUTEX").startsWith("KAVREL_VALQORN_MUTEX-"));
    const QString odd = instanceFileName("../a b/\xC3\xA4");
    EXPECT_FALSE(odd.contains('/'));
    EXPECT_TRUE(odd.startsWith("%2E%2E%2Fa%20b%2F%C3%A4-")) << odd.toStdString();
    EXPECT_NE(instanceFileName(QString(100, 'a')), instanceFileName(QString(101, 'a')));
    EXPECT_LE(instanceFileName(QString(500, '/')).size(), 64 + 9);
}

TEST(AppFont, WeightsStayOnQtsScale)
{
    // The skin's font weight 90 lies below Qt 6's lightest weight; Qt would take it as an invalid weight.
    EXPECT_EQ(qtFontWeight(90), QFont::Thin);
    EXPECT_EQ(qtFontWeight(400), QFont::Normal);
    EXPECT_EQ(qtFontWeight(1000), QFont::Black);
}

} // namespace
} // namespace kavrel
