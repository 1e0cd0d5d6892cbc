#include "ui/FileChooser.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include <deque>

namespace kavrel {

namespace {

std::deque<FileChoiceAnswer>& answers()
{
    static std::deque<FileChoiceAnswer> queue;
    return queue;
}

std::optional<QString> answered(const FileChoice& choice)
{
    FileChoiceAnswer answer = std::move(answers().front());
    answers().pop_front();
    return answer(choice);
}

std::optional<QString> runDialog(QWidget* owner, const FileChoice& choice)
{
    if (!answers().empty())
        return answered(choice);
    QFileDialog dialog(owner);
    dialog.setWindowTitle(QString());
    if (choice.kind == FileChoice::Folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        dialog.setNameFilter(choice.filter);
        dialog.setDefaultSuffix(choice.defaultSuffix);
        dialog.setFileMode(choice.kind == FileChoice::OpenFile ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setAcceptMode(choice.kind == FileChoice::OpenFile ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    }
    const QFileInfo initial(choice.initialPath);
    if (!choice.initialPath.isEmpty()) {
        if (choice.kind == FileChoice::SaveFile) {
            dialog.setDirectory(initial.absolutePath());
            dialog.selectFile(initial.fileName());
        } else {
            dialog.setDirectory(choice.initialPath);
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

// Where a chooser opens: the given folder or file; nothing given, or a bare file name, is taken in the
// home folder. The program's working directory means nothing to the user.
QString startingPlace(const QString& path)
{
    if (path.isEmpty())
        return QDir::homePath();
    if (QFileInfo(path).isRelative())
        return QDir::home().filePath(path);
    return path;
}

} // namespace

std::optional<QString> chooseOpenFile(
    QWidget* owner, const QString& filter, const QString& defaultSuffix, const QString& initialPath)
{
    return runDialog(owner, {FileChoice::OpenFile, filter, defaultSuffix, startingPlace(initialPath)});
}

std::optional<QString> chooseSaveFile(
    QWidget* owner, const QString& filter, const QString& defaultSuffix, const QString& suggestedPath)
{
    return runDialog(owner, {FileChoice::SaveFile, filter, defaultSuffix, startingPlace(suggestedPath)});
}

std::optional<QString> chooseFolder(QWidget* owner, const QString& initialPath)
{
    return runDialog(owner, {FileChoice::Folder, {}, {}, startingPlace(initialPath)});
}

void answerNextFileChoice(FileChoiceAnswer answer)
{
    answers().push_back(std::move(answer));
}

int pendingFileChoiceAnswers()
{
    return int(answers().size());
}

void clearFileChoiceAnswers()
{
    answers().clear();
}

} // namespace kavrel
