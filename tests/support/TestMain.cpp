#include <gtest/gtest.h>
#include <QCoreApplication>

// Engine tests: a core application, no windows and no display.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
