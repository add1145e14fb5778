// Round trips on virtual time: an operation recorded on the simulated bench is replayed from its
// recording with the same steps, and the program sends the same reports byte for byte; other steps
// stop the replay at the first exchange that differs.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QWidget>

#include "config/ConfigurationFile.h"
#include "config/ModuleConfigAdapter.h"
#include "link/RecordingLibrary.h"
#include "link/ReplayInterfaceLibrary.h"
#include "support/FirmwareRig.h"
#include "support/ModuleBench.h"

namespace dravik::test {
namespace {

sim::BenchConfig benchFile(const char* name) {
    std::string error;
    auto bench = sim::loadBenchFile(std::string(DRAVIK_SOURCE_DIR "/data/benches/") + name, error);
    EXPECT_TRUE(bench) << error;
    return bench ? *bench : sim::BenchConfig{};
}

// What one run of the steps leaves behind.
struct StepsRun {
    QString recording;  // the run's own recording (of the bench, or of the replay)
    QStringList sent;   // its "tx" lines
    QStringList commands;  // "TX command" lines of the status log
    QString failure;    // the replay's first difference or unmade exchange; empty when it played through
    int matched = 0;
    int recorded = 0;
};

class ConfigFiles : public FileDialogs, public ConfigFileView {
  public:
    QString chooseFile(const FileDialogRequest&) override { return file; }
    void setConfigGroupVisible(bool) override {}
    void showConfigFileName(const QString&, const QString&) override {}
    void clearProductPanel() override {}
    void clearModulePanel() override {}
    QString file;
};

// The rig, with what some steps need beside it. Steps do not assert on what the device answers: a
// replay that stops at a difference leaves them waiting, and the test judges the replay itself.
struct Context {
    ScenarioRig& rig;
    QWidget& container;

    EnterModule& module() { return rig.controller->module(); }
    PanelOperations& ops() { return rig.controller->panelOperations(); }
    void choose(int row, int item) {
        QComboBox* combo = rig.controller->functions().panel().row(row).combo;
        ASSERT_NE(combo, nullptr);
        combo->setCurrentIndex(item);
        emit combo->activated(item);
    }
    void connectAll() {
        rig.runFor(50);
        rig.controller->iface().Restart();
        rig.runFor(500, [&] { return rig.s().connection.Interface_connected; });
        rig.rest(120000);
        rig.controller->autoConn().RebootConnectProduct();
        rig.rest(120000);
    }
};

using Steps = std::function<void(Context&)>;
using MakeRig = std::function<std::shared_ptr<ScenarioRig>(const ScenarioRig::LibraryLayer&)>;

MakeRig scenario(const char* bench) {
    return [bench](const ScenarioRig::LibraryLayer& layer) {
        return std::make_shared<ScenarioRig>(benchFile(bench), false, layer);
    };
}

QStringList linesOf(const QString& text, const QString& prefix) {
    QStringList out;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts))
        if (line.contains(prefix)) out << line;
    return out;
}

QString readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void installData(ScenarioRig& rig) {
    std::string error;
    ASSERT_TRUE(installSampleData(rig, error)) << error;
}

// Runs the steps on a rig whose library is recorded into file; with a recording to replay, the
// rig meets the replay instead of the bench.
StepsRun runSteps(const MakeRig& make, const Steps& steps, const QString& file,
             const std::optional<sim::Recording>& replayOf = std::nullopt) {
    // The layers use the rig's clock: they go before it.
    std::shared_ptr<ScenarioRig> rig;
    std::unique_ptr<ReplayInterfaceLibrary> replay;
    std::unique_ptr<RecordingLibrary> recorder;
    rig = make([&](SimulatedInterfaceLibrary& bench, Clock& clock) -> InterfaceLibrary& {
        InterfaceLibrary* inner = &bench;
        if (replayOf) {
            replay = std::make_unique<ReplayInterfaceLibrary>(clock, *replayOf);
            inner = replay.get();
        }
        recorder = std::make_unique<RecordingLibrary>(clock, *inner);
        QString error;
        EXPECT_TRUE(recorder->start(file, {QStringLiteral("Dravik test"), replayOf ? QStringLiteral("replay") : QStringLiteral("simulated"),
                                           QStringLiteral("none"), QStringLiteral("program")},
                                    &error))
            << error.toStdString();
        return *recorder;
    });
    if (replay) rig->scheduler.addTimer(1, false, true, [&] { replay->pollBus(); }).start();
    installData(*rig);
    QWidget container;
    rig->controller->functions().setContainer(&container);
    Context context{*rig, container};
    steps(context);
    recorder->stop();
    StepsRun run;
    run.recording = readAll(file);
    run.sent = linesOf(run.recording, QStringLiteral("\"ev\":\"tx\""));
    for (QString& line : run.sent) line.remove(QRegularExpression(QStringLiteral("^\\{\"t\":\\d+,")));
    run.commands = linesOf(rig->log(), QStringLiteral("TX command"));
    if (replay) {
        run.failure = replay->unplayed();
        run.matched = replay->exchangesMatched();
        run.recorded = replay->exchangesRecorded();
    }
    return run;
}

sim::Recording parsed(const QString& file) {
    QString error;
    auto recording = readRecordingFile(file, &error);
    EXPECT_TRUE(recording) << error.toStdString();
    return recording ? *recording : sim::Recording{};
}

// Rows of the sample product 37, in screen order.
constexpr int kSiren = 0;

void connectReadSet(Context& c, int sirenItem) {
    c.rig.controller->functions().setParameterButtons([](bool) {});
    c.rig.connectProduct();
    c.choose(kSiren, sirenItem);
    c.ops().buttonSetAll_Click();
    c.rig.rest();
}

void programModule(Context& c) {
    c.connectAll();
    ASSERT_TRUE(chooseProtocol(c.module(), QStringLiteral("CAN DEMO 250")));
    c.module().button_SetProtocol_Click();
    c.rig.rest(120000);
}

void unlockModule(Context& c) {
    c.connectAll();
    c.module().controls().textBox_modue_password->setText(QStringLiteral("123456"));
    c.module().button_lock_unlock_protection_Click();
    c.rig.rest();
}

void downloadBackup(Context& c) {
    c.rig.connectProduct();
    Session& s = c.rig.s();
    ConfigFiles files;
    files.file = QStringLiteral(DRAVIK_SOURCE_DIR "/data/configurations/taviron-zed-63.bkd");
    ConfigurationFile cfg({s.product, s.module, c.rig.controller->functions().panel(), c.ops(), c.rig.logView,
                           c.rig.progress, c.rig.dialogs, files, files, [&] { return c.rig.dataDir.path(); },
                           [&] { return c.rig.controller->handler().panelOperationRunning(); }});
    ModuleConfigAdapter port(c.module(), s.moduleStatus, s.machines);
    cfg.setModulePort(&port);
    cfg.button_LoadParameters_Click();
    c.ops().reloadConfiguration = [&] { return cfg.reloadCurrent(); };
    c.ops().buttonCfgDownload_Click();
    c.rig.rest(120000);
    c.ops().reloadConfiguration = nullptr;
}

sim::BenchConfig product63() {
    sim::BenchConfig b = benchFile("standard.json");
    b.product.identification = {0, 63, 1, 0};
    b.product.hasModule = true;
    b.product.memory[0x20] = 2;  // siren, arming delay and flashes other than the backup's
    b.product.memory[0x21] = 5;
    b.product.memory[0x22] = 7;
    return b;
}

void upgradeFirmware(Context& c, const char* image) {
    auto& rig = static_cast<FirmwareRig&>(c.rig);
    rig.runFor(20000, [&] { return rig.s().connection.Interface_connected; });
    rig.choose(image);
    rig.firmware->button_UpgradeFirmware_Click();
    rig.runFor(60000, [&] { return rig.worker.runs > 0 && !rig.worker.isBusy(); });
    // The new application is found and identified again.
    rig.runFor(20000, [&] { return rig.s().connection.Interface_connected; });
}

// The same operation another way: another value, another protocol operation, another image.
void readModuleLog(Context& c) {
    c.connectAll();
    c.module().button_read_log_Click();
    c.rig.rest();
}

void readProtocols(Context& c) {
    c.connectAll();
    c.module().button_ReadProtocols_Click();
    c.rig.rest(120000);
}

void setAllInsteadOfDownload(Context& c) {
    c.rig.connectProduct();
    c.ops().buttonSetAll_Click();
    c.rig.rest(120000);
}

struct RoundTrip {
    const char* name;
    MakeRig make;
    Steps steps;
    Steps changed;
    const char* operation;  // what the recorded run must hold: its operation was done
};

class SessionReplayTest : public ::testing::TestWithParam<RoundTrip> {
  protected:
    QTemporaryDir dir;
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

TEST_P(SessionReplayTest, ReplayWithTheSameStepsSendsTheSameReports) {
    const RoundTrip& trip = GetParam();
    const StepsRun recorded = runSteps(trip.make, trip.steps, file("recorded.jsonl"));
    ASSERT_TRUE(recorded.recording.contains(QLatin1String(trip.operation))) << trip.operation;
    const StepsRun replayed = runSteps(trip.make, trip.steps, file("replayed.jsonl"), parsed(file("recorded.jsonl")));
    EXPECT_TRUE(replayed.failure.isEmpty()) << replayed.failure.toStdString();
    EXPECT_EQ(replayed.matched, replayed.recorded);
    EXPECT_EQ(replayed.sent, recorded.sent);
    EXPECT_EQ(replayed.commands, recorded.commands);
}

TEST_P(SessionReplayTest, ReplayWithOtherStepsStopsAtTheFirstDifference) {
    const RoundTrip& trip = GetParam();
    runSteps(trip.make, trip.steps, file("recorded.jsonl"));
    const StepsRun replayed = runSteps(trip.make, trip.changed, file("replayed.jsonl"), parsed(file("recorded.jsonl")));
    EXPECT_TRUE(replayed.failure.startsWith(QStringLiteral("exchange %1 (line ").arg(replayed.matched + 1)))
        << replayed.failure.toStdString();
    EXPECT_TRUE(replayed.failure.contains(QStringLiteral(" of the recording): recorded ")))
        << replayed.failure.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Operations, SessionReplayTest,
    ::testing::Values(RoundTrip{"ConnectReadSet", scenario("standard.json"), [](Context& c) { connectReadSet(c, 2); },
                                [](Context& c) { connectReadSet(c, 0); }, R"("tx","data":"01 f2 02 05 02 10 00 02)"},
                      RoundTrip{"ModuleProgramming", scenario("vrak1-direct.json"), programModule, readProtocols,
                                R"("tx","data":"01 f2 02 14 7c)"},
                      RoundTrip{"Protection", scenario("vrak2-locked.json"), unlockModule, readModuleLog,
                                R"("tx","data":"01 f2 02 07 0e 00 ** ** ** ** **")"},
                      RoundTrip{"BackupDownload",
                                [](const ScenarioRig::LibraryLayer& layer) {
                                    return std::make_shared<ScenarioRig>(product63(), false, layer);
                                },
                                downloadBackup, setAllInsteadOfDownload, R"("tx","data":"01 f2 02 05 02 2)"},
                      RoundTrip{"FirmwareUpgrade",
                                [](const ScenarioRig::LibraryLayer& layer) {
                                    return std::make_shared<FirmwareRig>(sim::BenchConfig{}, loadFirmwareResources(),
                                                                         layer);
                                },
                                [](Context& c) { upgradeFirmware(c, "good.fmd"); },
                                [](Context& c) { upgradeFirmware(c, "odd.fmd"); },
                                R"("op":"BSL_CRC_Check","result":0)"}),
    [](const ::testing::TestParamInfo<RoundTrip>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dravik::test

namespace dravik::test {
namespace {

class SessionReplayDifferenceTest : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

// Other steps: the replay stops at the first exchange that differs and names it, with the
// recorded and the sent report.
TEST_F(SessionReplayDifferenceTest, AnotherValueStopsAtTheFirstExchangeThatDiffers) {
    runSteps(scenario("standard.json"), [](Context& c) { connectReadSet(c, 2); }, file("recorded.jsonl"));
    const StepsRun replayed = runSteps(scenario("standard.json"), [](Context& c) { connectReadSet(c, 3); },
                                       file("replayed.jsonl"), parsed(file("recorded.jsonl")));
    // Up to the set both runs sent the same; where the recorded run wrote 2, this one differs.
    const QString failure = replayed.failure;
    EXPECT_TRUE(failure.startsWith(QStringLiteral("exchange %1 (line ").arg(replayed.matched + 1))) << failure.toStdString();
    EXPECT_TRUE(
        failure.contains(QStringLiteral("of the recording): recorded TX 01 f2 02 05 02 10 00 02 19 "
                                        "(MEMORY_WRITE_write/MEMORY_WRITE_2), sent TX 01 f2 ")))
        << failure.toStdString();
    EXPECT_TRUE(failure.contains(QStringLiteral("; first difference at byte "))) << failure.toStdString();
    EXPECT_LT(replayed.matched, replayed.recorded);
}

// The password goes to the module as it was typed, and only there: the recording shows its bytes,
// their sum and the checksum masked, and holds no digit of it anywhere.
TEST_F(SessionReplayDifferenceTest, ProtectionRecordingHoldsNoPasswordDigits) {
    const StepsRun recorded = runSteps(scenario("vrak2-locked.json"), unlockModule, file("recorded.jsonl"));
    EXPECT_TRUE(recorded.sent.contains(QStringLiteral("\"ev\":\"tx\",\"data\":\"01 f2 02 07 0e 00 ** ** ** ** **\"}")))
        << recorded.sent.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(recorded.recording.contains(QStringLiteral("12 34 56")));
    EXPECT_FALSE(recorded.recording.contains(QStringLiteral("123456")));
}

}  // namespace
}  // namespace dravik::test
