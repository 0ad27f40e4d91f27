// The main of widget test binaries: one QApplication for all their cases (Qt
// allows only one per process at a time), under whatever platform the test
// environment names (offscreen for ctest).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
