// The window tests share one QApplication for the whole program, made before
// the first test; the offscreen platform is used unless the environment chose
// another.
#include <QApplication>

#include <gtest/gtest.h>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (QApplication::instance())
            return;
        static int argc = 1;
        static char name[] = "test_ui";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // lives until the program ends: widgets may outlive a test's scope
    }
};

[[maybe_unused]] const ::testing::Environment* const environment
    = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
