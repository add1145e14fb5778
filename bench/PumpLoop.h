#pragma once
// A device link on real time with the threaded pump and a requester that keeps asking the
// adapter for its identification: the loop the pump benchmarks and the threaded test measure.

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "link/CommandHandler.h"
#include "link/SimulatedInterfaceLibrary.h"
#include "link/ThreadedPump.h"

namespace dravik::benchsupport {

struct NullViews : LogView, Dialogs, ProgressView {
    void appendLog(const QString& t) override { logged += t.size(); }
    Answer message(const QString&, const QString&, Buttons, Icon) override { return Ok; }
    void setProgressText(const QString&, bool) override {}
    void setProgressValue(int) override {}
    qsizetype logged = 0;
};

class PumpLoop {
public:
    explicit PumpLoop(sim::BenchConfig bench) : lib_(clock_, std::move(bench)) {
        lib_.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
        ms_.EnterFunctions_state = kEnterFunctionsWaiting;
        pump_.setDispatch([this] { return step(); });
    }

    // Runs exchanges for the given wall time; returns the number of complete exchanges.
    long run(int ms) {
        ms_.EnterProduct_state = 2;  // in progress while requests are made
        stopAt_ = clock_.nowUs() + std::int64_t{ms} * 1000;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [this] { handler_.tick100ms(); });
        ticker.start(100);
        QEventLoop loop;
        done_ = [&loop] { loop.quit(); };
        handler_.wakeup();
        loop.exec();
        return exchanges_;
    }
    long timeouts() const { return timeouts_; }
    qsizetype logged() const { return views_.logged; }

private:
    bool step() {
        if (waiting_) {
            const auto r = handler_.WatchBus(0, true);
            if (r == RESULT_ANSWER_OK) ++exchanges_;
            if (r == RESULT_TIMEOUT) ++timeouts_;
            if (r == RESULT_ANSWER_OK || r == RESULT_TIMEOUT) waiting_ = false;
        }
        if (!waiting_) {
            if (clock_.nowUs() >= stopAt_) {
                ms_.EnterProduct_state = 0;
                hs_.Rx_timeout_cnt = 0;
                QTimer::singleShot(0, [this] { done_(); });
                return true;
            }
            if (handler_.WatchBus(INTERFACE_IDENTIFICATION, true) == RESULT_ACCEPTED) {
                hs_.Rx_timeout_val = 25;
                waiting_ = true;
            }
        }
        return true;
    }

    RealClock clock_;
    SimulatedInterfaceLibrary lib_;
    HandlerState hs_;
    MachineStates ms_;
    NullViews views_;
    CommandHandler handler_{hs_, ms_, lib_, views_, views_};
    ThreadedPump pump_{clock_, handler_, views_};
    bool waiting_ = false;
    long exchanges_ = 0;
    long timeouts_ = 0;
    std::int64_t stopAt_ = 0;
    std::function<void()> done_;
};

inline sim::BenchConfig instantBench() {
    sim::BenchConfig b;
    b.timing.usbFrameUs = 0;
    b.timing.adapterTurnaroundUs = 0;
    b.timing.productTurnaroundUs = 0;
    return b;
}

}  // namespace dravik::benchsupport
