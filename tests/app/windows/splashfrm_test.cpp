// The splash on its own: shown again it starts its bar from nothing, in the middle of the
// screen, and each step moves the bar on without ever passing its end.
#include "app/windows/splashfrm.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <gtest/gtest.h>

namespace pinora::test {
namespace {

TEST(Splash, EachShowingStartsTheBarAgainCentredAndStepsStopAtTheEnd) {
    Tsplashfrm splash;
    splash.pb1()->setValue(12);
    splash.show();
    EXPECT_EQ(splash.pb1()->value(), 0);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(std::abs(splash.geometry().center().x() - screen.center().x()), 1);
    for (int i = 0; i < splash.pb1()->maximum() + 5; ++i) splash.splashStep();
    EXPECT_EQ(splash.pb1()->value(), splash.pb1()->maximum());
    splash.hide();
    splash.show();
    EXPECT_EQ(splash.pb1()->value(), 0);
}

} // namespace
} // namespace pinora::test
