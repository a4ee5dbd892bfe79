// The graphics tests measure and draw text, which needs a QGuiApplication; it runs on the
// offscreen platform so that no display is needed.

#include <QGuiApplication>

#include <cstdlib>

#include <gtest/gtest.h>

#include "graphics/Canvas.h"
#include "support/TestEnvironment.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TTestEnvironment environment;  // private HOME and XDG folders, which also keeps Qt quiet
    QGuiApplication application(argc, argv);
    InstallFontSubstitutions();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
