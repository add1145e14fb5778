#include "support/ScenarioRig.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>

namespace dravik::test {

VirtualAsyncRunner::VirtualAsyncRunner(VirtualScheduler& s) {
    timer_ = &s.addTimer(0, true, false, [this] {
        const int result = work_();
        busy_ = false;
        ++runs;
        done_(result);
    });
}

void VirtualAsyncRunner::start(std::function<int()> work, std::function<void(int)> done, int delayMs) {
    busy_ = true;
    work_ = std::move(work);
    done_ = std::move(done);
    timer_->start(std::max(delayMs, 1));
}

ScenarioRig::ScenarioRig(sim::BenchConfig bench, bool autoConn, const LibraryLayer& layer)
    : autoConnChecked(autoConn) {
    lib = std::make_unique<SimulatedInterfaceLibrary>(clock, std::move(bench));
    device = layer ? &layer(*lib, clock) : lib.get();
    timerHandler = &scheduler.addTimer(2000, true, false, [this] { controller->timerHandlerFired(); });
    ControllerDeps deps{clock,
                        *device,
                        logView,
                        dialogs,
                        progress,
                        view,
                        counter,
                        *timerHandler,
                        [this](Clock& c, CommandHandler& h, LogView& l) {
                            auto p = std::make_unique<VirtualPump>(c, h, l, scheduler);
                            scheduler.setPump(p.get());
                            return p;
                        },
                        [this] { return autoConnChecked; },
                        [this] { return languageRead; },
                        [this] { return dataDir.path(); },
                        [this](const QString& message) { databaseFatals << message; },
                        [this] { return QDir(dataDir.path()).filePath(QStringLiteral("protocols")); }};
    controller = std::make_unique<Controller>(std::move(deps));
    scheduler.addTimer(100, false, true, [this] { controller->timer1Tick(); }).start();
    scheduler.addTimer(1000, false, false, [this] { controller->timerAutoConnTick(); }).start();
    controller->start();
}

bool ScenarioRig::installSampleDatabase() {
    const QString target = QDir(dataDir.path()).filePath(QString::fromLatin1(kProductDatabaseFileName));
    QFile::remove(target);
    return QFile::copy(QStringLiteral(DRAVIK_SAMPLE_DATABASE), target);
}

bool ScenarioRig::changeDatabase(const char* sql) {
    const QString path = QDir(dataDir.path()).filePath(QString::fromLatin1(kProductDatabaseFileName));
    QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    sqlite3* db = nullptr;
    const bool opened =
        sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK;
    const bool ran = opened && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ran;
}

bool ScenarioRig::rest(int ms) {
    return runFor(ms, [this] { return !controller->handler().ProcessIsInProgress(false); });
}

bool ScenarioRig::connectProduct() {
    runFor(50);
    controller->iface().Restart();
    if (!runFor(500, [this] { return s().connection.Interface_connected; }) || !rest()) return false;
    controller->autoConn().RebootConnectProduct();
    return rest();
}

std::vector<sim::ReceivedFrame> ScenarioRig::frames() {
    std::vector<sim::ReceivedFrame> out;
    lib->withBench([&](sim::Bench& b) { out = b.received(); });
    return out;
}

}  // namespace dravik::test
