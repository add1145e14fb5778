// Test entry point: one QApplication for the window tests, offscreen unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/SystemPaths.h"
#include "support/HostTools.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef _WIN32
    // Wine's Windows folder holds no font files: the tests, and the programs they start, use the
    // host's, as the Linux build's tests do.
    if (dravik::test::underWine() && qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
        qputenv("QT_QPA_FONTDIR", "Z:\\usr\\share\\fonts\\truetype\\dejavu");
#endif
    dravik::prepareOffscreenFonts();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
