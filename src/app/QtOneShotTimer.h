#pragma once

#include <QTimer>

#include "link/OneShotTimer.h"

namespace dravik {

// timerHandler: a QTimer the logic may start and stop.
class QtOneShotTimer final : public OneShotTimer {
public:
    QtOneShotTimer() { timer.setSingleShot(true); }
    void start(int ms) override { timer.start(ms); }
    void stop() override { timer.stop(); }
    bool isActive() const override { return timer.isActive(); }
    QTimer timer;
};

}  // namespace dravik
