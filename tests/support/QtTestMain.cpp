// The GoogleTest main for tests that need a Qt application object (QSerialPort
// and other QObjects that use the event loop). Linking bitreel_qt_test_main
// puts this main in the test itself, ahead of the one of GTest::gtest_main.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
