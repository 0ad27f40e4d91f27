// The main of widget test binaries: one QApplication for all their cases (Qt
// allows only one per process at a time), under whatever platform the test
// environment names (offscreen for ctest).
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    testing::InitGoogleTest(&argc, argv);
    // ctest lists the cases without the test environment, so without a
    // platform to open; listing needs no application.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
