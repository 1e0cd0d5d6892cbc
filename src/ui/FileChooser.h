#pragma once

#include <QString>

#include <functional>
#include <optional>

class QWidget;

// The desktop's file and folder choosers (through its portal where one
// runs), behind one small door that tests can answer instead of a person.
namespace kavrel {

// What a chooser is asked for; tests see it in their answer.
struct FileChoice {
    enum Kind { OpenFile, SaveFile, Folder };
    Kind kind = OpenFile;
    QString filter; // "mck(*.mck)" for macro files
    QString defaultSuffix; // "mck": added to a typed name without one
    QString initialPath; // folder or suggested file
};

// Each returns the chosen path, or nothing when the user cancelled. Open
// offers existing files only; save asks before replacing a file; the folder
// chooser offers folders only. Without a starting place (or with a bare file
// name) a chooser opens in the home folder.
std::optional<QString> chooseOpenFile(
    QWidget* owner, const QString& filter, const QString& defaultSuffix, const QString& initialPath = {});
std::optional<QString> chooseSaveFile(
    QWidget* owner, const QString& filter, const QString& defaultSuffix, const QString& suggestedPath);
std::optional<QString> chooseFolder(QWidget* owner, const QString& initialPath = {});

// Tests: the next chooser shown is answered by this function instead of a
// dialog (answers are taken in order; nothing returned = cancelled).
using FileChoiceAnswer = std::function<std::optional<QString>(const FileChoice&)>;
void answerNextFileChoice(FileChoiceAnswer answer);
int pendingFileChoiceAnswers();
void clearFileChoiceAnswers();

} // namespace kavrel
