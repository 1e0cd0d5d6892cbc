#include "ui/CKavrelApp.h"

#include "app/Config.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Texts.h"
#include "controls/SkinMenu.h"
#include "controls/SkinText.h"
#include "platform/AtomicFile.h"
#include "ui/CKavrelDlg.h"
#include "ui/SingleInstance.h"
#include "ui/SystemMessageBoxes.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>

#include <algorithm>
#include <ctime>

namespace kavrel {
namespace {

constexpr int AppFontPixelHeight = 15;
constexpr int AppFontWeight = 90; // as the skin was drawn: the lightest weight

QString appFontPath()
{
    return QString::fromStdString(ProgramFolder()) + "appfont.ttf";
}

void logLaunch()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    WriteLog("--------------------------------------------------");
    WriteLog("Launch %04d-%d-%d:%dH, App Ver=%s", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
        Text("tc_version").c_str());
}

} // namespace

QFont::Weight qtFontWeight(int weight)
{
    return QFont::Weight(std::clamp(weight, int(QFont::Thin), int(QFont::Black)));
}

QString instanceLockName()
{
    const std::string& name = Text("tc_mutex");
    return name.empty() ? QString("KAVREL_VALQORN_MUTEX") : QString::fromStdString(name);
}

CKavrelApp::CKavrelApp() = default;

CKavrelApp::~CKavrelApp() = default;

bool CKavrelApp::InitInstance()
{
    // Nothing may be logged before cfg.ini has said whether and where to log.
    LoadTexts(TextFilePath());
    LoadConfig();
    logLaunch();
    load_menu_library();
    MakeAppDataFolder();
    setUpFont();
    // While the window is built, the fonts its texts are measured in are loaded on the other core (a
    // second instance, which only signals the first, waits for that before it ends).
    m_fontWarmUp = std::make_unique<FontWarmUp>(applicationSkinFont().value_or(shellDlgFont(15)));

    const QString title = QString::fromStdString(Text("tc_title"));
    m_instance = std::make_unique<SingleInstance>(instanceLockName(), title, m_instanceFolder);
    if (!m_instance->acquire()) {
        m_secondInstance = true;
        if (!m_instance->signalRunning()) {
            WriteLog("Another instance runs, but its window did not answer");
            m_exitCode = 1;
        }
        return false;
    }
    // Only the first instance: a save of a killed run may have left temporary files.
    platform::removeStaleTempFiles(AppDataFolder());
    runMainWindow();
    return false;
}

void CKavrelApp::setUpFont()
{
    if (Cfg.FontName.empty() || !QFile::exists(appFontPath()))
        return;
    const int id = QFontDatabase::addApplicationFont(appFontPath());
    if (id < 0) {
        WriteLog("Add font failed: %s", qPrintable(appFontPath()));
        return;
    }
    m_fontId = id;
    QFont font(QString::fromStdString(Cfg.FontName));
    font.setPixelSize(AppFontPixelHeight);
    font.setWeight(qtFontWeight(AppFontWeight));
    setApplicationSkinFont(font);
}

void CKavrelApp::runMainWindow()
{
    // Hiding the window to the tray must not end the program; only the window's end does.
    QApplication::setQuitOnLastWindowClosed(false);
    SystemMessageBoxes boxes; // plain boxes from any thread, shown on this one
    CKavrelDlg window;
    m_instance->setReceiver(&window);
    m_exitCode = window.exec();
    m_instance->setReceiver(nullptr);
}

int CKavrelApp::ExitInstance()
{
    m_fontWarmUp.reset();
    m_instance.reset();
    WriteLog("Driver exit");
    if (m_fontId) {
        setApplicationSkinFont(std::nullopt);
        QFontDatabase::removeApplicationFont(*m_fontId);
        m_fontId.reset();
    }
    return m_exitCode;
}

} // namespace kavrel
