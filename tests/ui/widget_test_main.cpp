// main() of the widget tests: one QApplication on the offscreen platform (unless the caller chose
// another), then every GoogleTest test of the executable.
#include <QApplication>

#include <gtest/gtest.h>

#include <clocale>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    // Qt has set the user's locale; the system's reasons inside messages are checked in English.
    std::setlocale(LC_MESSAGES, "C");
    return RUN_ALL_TESTS();
}
