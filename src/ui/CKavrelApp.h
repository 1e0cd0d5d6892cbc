#pragma once

#include <QFont>
#include <QString>

#include <memory>
#include <optional>

namespace kavrel {

class CKavrelDlg;
class FontWarmUp;
class SingleInstance;

// The program's start and exit. Start resolves the program folder, loads the texts and cfg.ini, writes the
// first log lines, prepares the skinned menus, the application-data folder and the application font, and
// makes sure one instance runs per user session; the first instance then runs the main window until it
// ends, a later one hands message 1132 / 515 to the first and ends. Needs a QApplication.
class CKavrelApp {
public:
    CKavrelApp();
    ~CKavrelApp();
    CKavrelApp(const CKavrelApp&) = delete;
    CKavrelApp& operator=(const CKavrelApp&) = delete;

    // Start; false in every case, so the process ends when it returns.
    bool InitInstance();
    // Exit: releases the instance lock, logs "Driver exit", removes the application font. Returns the
    // program's exit status: 0, or 1 when the start failed (no skin, no keyboard without Suwnd, a running
    // instance that did not answer).
    int ExitInstance();

    // Where the instance lock and socket live (tests); empty for the user's runtime folder.
    void setInstanceFolder(const QString& folder) { m_instanceFolder = folder; }
    // True when this run found another instance and signalled it.
    bool wasSecondInstance() const { return m_secondInstance; }

private:
    void setUpFont();
    void runMainWindow();

    QString m_instanceFolder;
    std::unique_ptr<SingleInstance> m_instance;
    std::unique_ptr<FontWarmUp> m_fontWarmUp;
    std::optional<int> m_fontId;
    bool m_secondInstance = false;
    int m_exitCode = 0;
};

// A font weight on Qt's scale (100 ... 900): lighter or heavier weights are held at its ends.
QFont::Weight qtFontWeight(int weight);

// The mutex name: tc_mutex, or "KAVREL_VALQORN_MUTEX" when the text file has none.
QString instanceLockName();

} // namespace kavrel
