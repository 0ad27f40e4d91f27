// The main of widget test binaries: one QApplication for all their cases (Qt
// allows only one per process at a time), under whatever platform the test
// environment names (offscreen for ctest).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    testing::InitGoogleTest(&argc, argv);
    // ctest lists the cases before it sets the test environment; without a
    // display that listing would abort.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
