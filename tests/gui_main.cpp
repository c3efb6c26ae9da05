// The main of the tests that need widgets: the application object lives for the whole run and goes before
// the program's static objects do.

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
