// GoogleTest inside a Qt application; tests drive the event loop themselves.
#include "OffscreenScreen.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    useDesktopSizedOffscreenScreen(); // inherited by the app the tests start
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
