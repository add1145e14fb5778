#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include "PumpLoop.h"

using namespace dravik;
using namespace dravik::benchsupport;

// The real worker thread and event loop against the bench, on real time.
TEST(ThreadedPump, ExchangesWithTheBenchAlternateAndComplete) {
    PumpLoop loop(sim::BenchConfig{});
    const long n = loop.run(150);
    EXPECT_GT(n, 10);
    EXPECT_EQ(loop.timeouts(), 0);
    EXPECT_GT(loop.logged(), 0);
}

namespace {

struct LineLog : LogView, Dialogs, ProgressView {
    void appendLog(const QString& t) override { text += t; }
    Answer message(const QString&, const QString&, Buttons, Icon) override { return Ok; }
    void setProgressText(const QString&, bool) override {}
    void setProgressValue(int) override {}
    QString text;
};

// Two identifications in a row on the threaded pump: the first asked from outside the pump (as
// a timer's handler or a click asks), the second from the machine step that took the first
// answer. Each asker logs a line right after asking.
struct TwoRequests {
    TwoRequests() {
        lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
        pump.setDispatch([this] { return step(); });
    }
    bool step() {
        const CmdHandler_Result_ENUM r = handler.WatchBus(0, true);
        if (r != RESULT_ANSWER_OK && r != RESULT_TIMEOUT) return true;
        hs.Rx_timeout_cnt = 0;
        if (++answers == 1) {
            handler.SendCommand(INTERFACE_IDENTIFICATION, true);
            log.appendLog(QStringLiteral("Step: second request \r\n"));
        }
        return true;
    }
    // Lets the event loop run until both answers are taken and the pump has stopped.
    bool runToRest() {
        QElapsedTimer waited;
        waited.start();
        while (log.text.count(QStringLiteral("Stop thread")) == 0 && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return answers == 2 && log.text.contains(QStringLiteral("Stop thread"));
    }

    RealClock clock;
    SimulatedInterfaceLibrary lib{clock, sim::BenchConfig{}};
    HandlerState hs;
    MachineStates ms;
    LineLog log;
    CommandHandler handler{hs, ms, lib, log, log};
    ThreadedPump pump{clock, handler, log};
    int answers = 0;
};

}  // namespace

// A request's dump never overtakes the line its asker logs right after asking: the run that
// builds the request starts once the asker has returned, whether the asker is a handler of the
// window or a machine step.
TEST(ThreadedPump, TheAskersLineComesBeforeTheRequestItAskedFor) {
    TwoRequests t;
    t.handler.SendCommand(INTERFACE_IDENTIFICATION, true);
    t.log.appendLog(QStringLiteral("Handler: first request \r\n"));
    ASSERT_TRUE(t.runToRest()) << t.log.text.toStdString();

    const QStringList lines = t.log.text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QStringList order;
    for (const QString& line : lines)
        if (line.startsWith(QStringLiteral("TX command")) || line.startsWith(QStringLiteral("Handler")) ||
            line.startsWith(QStringLiteral("Step")))
            order << line.section(QStringLiteral(". Data"), 0, 0).trimmed();
    EXPECT_EQ(order.join(u'|').toStdString(),
              "Handler: first request|TX command: INTERFACE IDENTIFICATION|"
              "Step: second request|TX command: INTERFACE IDENTIFICATION")
        << t.log.text.toStdString();
}
