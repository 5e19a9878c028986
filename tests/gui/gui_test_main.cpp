// The widget suites share one QApplication on the offscreen platform, so
// they run without a display, on a screen of a common desktop's size and,
// beside it, on the small screens the window must fit (1024 x 768, 800 x 600).
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen:configfile=" QUORVA_TEST_DATA "/offscreen_screen.json", 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
