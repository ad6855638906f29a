// Test main: a QApplication for the widgets, then GoogleTest.

#include <QApplication>

#include <gtest/gtest.h>

// Sanitizer builds: leaks inside system libraries (libdbus) are not ours.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libdbus-1.so\n";
}

int main(int argc, char **argv)
{
    // The same for the programs the e2e suite starts.
    if (qEnvironmentVariableIsEmpty("LSAN_OPTIONS"))
        qputenv("LSAN_OPTIONS", "suppressions=" MERKOLO_LSAN_SUPP);
    // Test discovery runs without a display; the fast suite always runs offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
