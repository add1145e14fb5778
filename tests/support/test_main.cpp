// Test entry point: one QApplication for the window tests, offscreen unless told otherwise.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/SystemPaths.h"
#include "support/HostTools.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef _WIN32
    // Wine's Windows folder holds no font files: the tests, and the programs they start, use the
    // host's sans-serif faces, the ones the Linux build's tests get for every family they name.
    QTemporaryDir fonts;
    if (dravik::test::underWine() && qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR") && fonts.isValid()) {
        const QDir host(QStringLiteral("Z:/usr/share/fonts/truetype/dejavu"));
        for (const QString& face :
             host.entryList({QStringLiteral("DejaVuSans.ttf"), QStringLiteral("DejaVuSans-*.ttf")}))
            QFile::copy(host.filePath(face), fonts.filePath(face));
        qputenv("QT_QPA_FONTDIR", QDir::toNativeSeparators(fonts.path()).toLocal8Bit());
    }
#endif
    dravik::prepareOffscreenFonts();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
