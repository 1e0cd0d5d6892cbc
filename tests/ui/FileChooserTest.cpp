// Where the file and folder choosers open.

#include "ui/FileChooser.h"

#include <QDir>

#include <gtest/gtest.h>

#include <vector>

namespace kavrel {
namespace {

TEST(FileChoosers, OpenInTheHomeFolderUnlessToldWhere)
{
    std::vector<QString> places;
    for (int i = 0; i < 4; ++i)
        answerNextFileChoice([&places](const FileChoice& choice) {
            places.push_back(choice.initialPath);
            return std::nullopt;
        });
    chooseOpenFile(nullptr, "mck(*.mck)", "mck");
    chooseSaveFile(nullptr, "mck(*.mck)", "mck", "Combo one.mck");
    chooseFolder(nullptr);
    chooseFolder(nullptr, "/tmp");
    EXPECT_EQ(places,
        (std::vector<QString>{QDir::homePath(), QDir::home().filePath("Combo one.mck"), QDir::homePath(), "/tmp"}));
    clearFileChoiceAnswers();
}

} // namespace
} // namespace kavrel
