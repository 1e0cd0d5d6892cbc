#include "ui/CProgramDlg.h"

#include "app/Texts.h"
#include "model/Profile.h"
#include "ui/WindowBasics.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kavrel {

CProgramDlg::CProgramDlg(
    QWidget* owner, const QString& profileName, const std::string& current, const std::vector<std::string>& running)
    : QDialog(owner)
{
    setObjectName("programDialog");
    setWindowTitle(text("tc_pf_switch").remove(QChar(0x2026)).trimmed() + " - " + profileName);
    auto* layout = new QVBoxLayout(this);
    auto* prompt = new QLabel(text("tc_pf_program_ask"), this);
    prompt->setWordWrap(true);
    layout->addWidget(prompt);

    m_list = new QComboBox(this);
    m_list->setObjectName("program");
    m_list->setEditable(true);
    m_list->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& name : running)
        m_list->addItem(QString::fromStdString(name));
    m_list->setEditText(QString::fromStdString(current));
    m_list->lineEdit()->setMaxLength(ProgramNameUnits - 1 + 1); // one more, so that "too long" can be said
    prompt->setBuddy(m_list);
    layout->addWidget(m_list);

    m_problem = new QLabel(this);
    m_problem->setObjectName("problem");
    m_problem->setWordWrap(true);
    m_problem->hide();
    layout->addWidget(m_problem);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(text("tc_ok"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    QPushButton* off = buttons->addButton(text("tc_pf_program_off"), QDialogButtonBox::ResetRole);
    off->setObjectName("off");
    QPushButton* cancel = buttons->addButton(text("tc_cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName("cancel");
    layout->addWidget(buttons);
    connect(ok, &QPushButton::clicked, this, &CProgramDlg::onOk);
    connect(off, &QPushButton::clicked, this, [this] {
        m_program.clear();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    m_list->setFocus();
}

void CProgramDlg::onOk()
{
    const std::string typed = m_list->currentText().trimmed().toStdString();
    const std::string problem = programNameProblem(typed);
    if (!problem.empty()) {
        m_problem->setText(QString::fromStdString(problem));
        m_problem->show();
        return;
    }
    m_program = typed;
    accept();
}

} // namespace kavrel
