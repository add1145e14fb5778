#pragma once
// Targets that build widgets need one application for the whole run, on the offscreen platform.

#include <QApplication>
#include <cstdlib>

namespace fuzz {

inline void startOffscreenApplication(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
}

}  // namespace fuzz
