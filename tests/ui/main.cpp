#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Widget tests draw offscreen, on the two screens of tests/ui/screens.json (primary first), so
// they never reach a real display and the banner's placement can be checked across screens.
int main(int argc, char** argv) {
    const std::string platform = std::string("offscreen:configfile=") + OSTREL_UI_SCREENS;
    setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
