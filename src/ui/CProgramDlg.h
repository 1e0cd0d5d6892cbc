#pragma once

#include <QDialog>
#include <QString>

#include <string>
#include <vector>

class QComboBox;
class QLabel;

namespace kavrel {

// "Switch automatically when…": which program's start switches the keyboard
// to a profile. The list holds the names of the programs running now, as
// automatic switching matches them; any other name can be typed. OK takes the
// text (an empty text turns switching off, as "Off" does); a name the profile
// cannot hold is refused with the reason and the dialog stays open.
//
// Child names for tests: "program" (the editable list), "problem" (the
// reason a name was refused), "ok", "off", "cancel".
class CProgramDlg : public QDialog {
    Q_OBJECT
public:
    CProgramDlg(QWidget* owner, const QString& profileName, const std::string& current,
        const std::vector<std::string>& running);

    // After OK or Off: the program name, empty for none.
    const std::string& program() const { return m_program; }

private:
    void onOk();

    QComboBox* m_list = nullptr;
    QLabel* m_problem = nullptr;
    std::string m_program;
};

} // namespace kavrel
