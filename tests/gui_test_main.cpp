#include <gtest/gtest.h>

#include <QApplication>

// The workbench's widgets need one application object for the whole run.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
