#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "platform/SystemPaths.h"
#include "support/HostTools.h"
#include "support/SmallTmpfs.h"

namespace {

// Runs the real program in dir (its working folder, with its data folder under it).
struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun runDravik(const QTemporaryDir& dir, const QStringList& args, int timeoutMs = 60000,
                     const QString& program = QStringLiteral(DRAVIK_BINARY)) {
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DRAVIK_DATA_DIR", dir.filePath("data"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    ProgramRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.exitCode = p.exitCode();
    r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

QString writeScript(const QTemporaryDir& dir, const char* text) {
    const QString path = dir.filePath("script.txt");
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(text);
    return path;
}

// The text of a PDF as pdftotext lays it out (rows of a table on one line); scripts/setup installs it.
QString pdfText(const QString& path) {
    const dravik::test::HostRun run = dravik::test::runHostTool(
        QStringLiteral("pdftotext"), {QStringLiteral("-layout"), dravik::test::hostPath(path), QStringLiteral("-")});
    return run.ok ? QString::fromUtf8(run.out) : run.error;
}

void copyProtocolSamples(const QTemporaryDir& dir) {
    const QDir samples(QStringLiteral(DRAVIK_SOURCE_DIR "/data/protocols"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("data/protocols")));
    for (const QString& name : samples.entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(samples.filePath(name), dir.filePath("data/protocols/" + name)));
}

}  // namespace

// The real program, on the simulated bench, driven by a script: the road a technician takes.
TEST(EndToEnd, ScriptedRunConnectsTheAdapter) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString script = writeScript(dir,
                                       "expect StatusLabel_USB_connection text \"Searching for devices...\"\n"
                                       "wait-log \"Rx: OK\" 10000\n"
                                       "expect StatusLabel_interface text \"Interface ID: 12, ver. 3, subver. 4\"\n"
                                       "expect StatusLabel_working_mode text \"Standard mode.\"\n"
                                       "expect-message \"Main folder check\"\n"
                                       "choose-file \"log.txt\"\n"
                                       "click saveLogMenuItem\n"
                                       "unplug\n"
                                       "wait 500\n"
                                       "expect StatusLabel_USB_connection text \"USB not connected.\"\n"
                                       "expect StatusLabel_interface text \"No inteface connected.\"\n"
                                       "quit\n");
    const ProgramRun r = runDravik(dir, {"--simulate", "--script", script});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("TX command: INTERFACE IDENTIFICATION. Data: 1.f1.2.2.0.2.")) << r.out.toStdString();
    EXPECT_TRUE(QDir(dir.filePath("data/protocols")).exists());
    QFile saved(dir.filePath("log.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << "Save log wrote nothing";
    EXPECT_TRUE(saved.readAll().contains("TX command: INTERFACE IDENTIFICATION. Data: 1.f1.2.2.0.2.\r\n"));
}

// Started from a folder without a database, the build's program uses the one built beside it.
TEST(EndToEnd, BuildProgramFindsItsDatabaseFromAnyFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_FALSE(QFileInfo::exists(dir.filePath("VuzUvazuzuvar.db")));
    const ProgramRun r = runDravik(dir, {"--simulate", "--script",
                                         writeScript(dir,
                                                     "wait-log \"Found product\" 40000\n"
                                                     "expect-contains label_Product text \"TAVIRON A37\"\n"
                                                     "quit\n")});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("Cannot find the product database")) << r.err.toStdString();
}

TEST(EndToEnd, FailedExpectationExitsWithOneAndTheLine) {
    QTemporaryDir dir;
    const QString script = writeScript(dir, "# a comment\nexpect StatusLabel_interface text \"Interface ID: 99\"\n");
    const ProgramRun r = runDravik(dir, {"--simulate", "--script", script});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("line 2")) << r.err.toStdString();
}

// The demo plays the road of one operation: adapter and product connected automatically, the panel
// read, a value changed and set, read back black; then a product with a slot module on the cable,
// whose protocols combo offers the sample protocol files.
TEST(EndToEnd, DemoPlaysTheWholeRoad) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DRAVIK_SAMPLE_DATABASE, dir.filePath("VuzUvazuzuvar.db")));
    const QDir samples(QStringLiteral(DRAVIK_SOURCE_DIR "/data/protocols"));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("data/protocols")));
    for (const QString& name : samples.entryList(QDir::Files))
        ASSERT_TRUE(QFile::copy(samples.filePath(name), dir.filePath("data/protocols/" + name)));
    const ProgramRun r = runDravik(dir, {"--demo"}, 180000);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("TX command: MEMORY_WRITE_write. Data: 1.f2.2.5.2.10.0.")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("TX command: ALL_SLOT_SETTINGS_INFO")) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("out/demo/04-panel-after-set.png")));
    EXPECT_TRUE(QFile::exists(dir.filePath("out/demo/05-module-file-protocol.png")));
    EXPECT_TRUE(r.out.contains("TX command: VERIFY_FIRMWARE")) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("out/demo/06-module-programming.png")));
    EXPECT_TRUE(QFile::exists(dir.filePath("out/demo/07-module-programmed.png")));
}

// A technician's backup: save through the tool bar, change two values on the product, open the
// backup through the product menu (differences red), "Download" writes them back.
TEST(EndToEnd, ConfigurationBackupIsSavedOpenedAndDownloaded) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DRAVIK_SAMPLE_DATABASE, dir.filePath("VuzUvazuzuvar.db")));
    const ProgramRun r = runDravik(dir,
                                   {"--simulate=" DRAVIK_SOURCE_DIR "/data/benches/configuration.json", "--script",
                                    DRAVIK_SOURCE_DIR "/data/scripts/configuration.txt"},
                                   120000);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    QFile backup(dir.filePath("out/configuration/vehicle.bkd"));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_TRUE(backup.readAll().startsWith("<?xml version=\"1.0\"?>\r\n<VuzUvazuzuvar Product=\"TAVIRON ZED 63\""));
    EXPECT_TRUE(QFile::exists(dir.filePath("out/configuration/03-downloaded.png")));
}

// Without the product database the program says so at start, naming every folder it looked in,
// and ends with status -1 when the first product operation needs the database.
TEST(EndToEnd, MissingDatabaseIsToldAtStartAndEndsWithMinusOne) {
    QTemporaryDir dir;
    // A copy of the program in a folder of its own: the build folder holds the database it made.
    const QString bin = dir.filePath("bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    const QString program = bin + "/" + QFileInfo(DRAVIK_BINARY).fileName();
    ASSERT_TRUE(QFile::copy(DRAVIK_BINARY, program));
    // <bin>/../share/dravik on Linux, the program's own folder on Windows.
    const QString installed = dravik::installedDataFolder(bin);
    const ProgramRun r = runDravik(dir,
                                   {"--simulate", "--script",
                                    writeScript(dir,
                                                "expect-message \"Cannot find the product database\"\n"
                                                "expect-log \"Looked in:\"\n"
                                                "wait 60000\n")},
                                   60000, program);
#ifdef _WIN32
    EXPECT_EQ(r.exitCode, -1);  // Windows keeps the whole status
#else
    EXPECT_EQ(r.exitCode, 255);  // -1 as the shell sees it
#endif
    for (const QString& place : {QDir::cleanPath(dir.path()), bin, installed}) {
        EXPECT_TRUE(r.err.contains(QDir::toNativeSeparators(place))) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QDir::toNativeSeparators(place))) << r.out.toStdString();
    }
    EXPECT_TRUE(r.err.contains("Cannot open the product database")) << r.err.toStdString();
}

// The acceptance run of the trustworthy operations, on the standard bench with the real worker
// thread. Each part some rounds in a row: a row's own button with "Auto conn" unticked right after
// a check's answer (DRAVIK_ACCEPTANCE_ROW_ROUNDS); with the automatic connection polling, the big
// "Set" after typing into a text row, and "Power off" (DRAVIK_ACCEPTANCE_ROUNDS). One round each
// by default; the by-hand figures use 200 and 50.
TEST(EndToEnd, AcceptanceRunWithTheAutomaticConnectionPolling) {
    const auto count = [](const char* name) {
        return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : 1;
    };
    const int rowRounds = count("DRAVIK_ACCEPTANCE_ROW_ROUNDS");
    const int rounds = count("DRAVIK_ACCEPTANCE_ROUNDS");
    QString script = "wait-log \"Found product\" 30000\n";
    for (int i = 0; i < rowRounds; ++i) {
        const QString value = i % 2 == 0 ? "5678" : "4321";
        script += "wait-log \"AutoConn: Identification\" 15000\n"
                  "wait-log \"Rx: OK\" 5000\n"
                  "click checkBoxAutoConn\n"
                  "expect checkBoxAutoConn checked \"false\"\n"
                  "type textBox_Function_4 \"" + value + "\"\n"
                  "click button_Function_4\n"
                  "wait-log \"TX command: MEMORY_WRITE_2\" 10000\n"
                  "wait-log \"Stop thread\" 15000\n"
                  "expect textBox_Function_4 text \"" + value + "\"\n"
                  "expect textBox_Function_4 color \"#000000\"\n"
                  "click checkBoxAutoConn\n";
    }
    for (int i = 0; i < rounds; ++i) {
        // Text rows are written by their own button: the big "Set" keeps the row red and says so,
        // and polling goes on.
        script += "wait-log \"AutoConn: Identification\" 15000\n"
                  "type textBox_Function_4 \"5678\"\n"
                  "click buttonSetAll\n"
                  "wait-log \"not written: text rows are set with their own button\" 20000\n"
                  "wait-log \"Stop thread\" 15000\n"
                  "expect textBox_Function_4 color \"#ff0000\"\n"
                  "expect label_progressBar_car text \"Process terminated: text rows are set with their own button\"\n"
                  "wait-log \"AutoConn: Identification\" 15000\n"
                  "wait-log \"AutoConn: Identification\" 15000\n";
    }
    for (int i = 0; i < rounds; ++i) {
        // "Power off" takes over from a pending check and switches every output off.
        script += "wait-log \"AutoConn: Identification\" 15000\n"
                  "click closeToolStripMenuItem\n"
                  "wait-log \"TX command: MBUS_SETUP. Data: 1.f1.2.a.40.1.0.ff.\" 5000\n"
                  "wait-log \"Stop thread\" 5000\n"
                  "expect label_Product text \"No product connected.\"\n"
                  "click toolStripButton1\n"
                  "wait-log \"Found product\" 30000\n";
    }
    script += "quit\n";
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DRAVIK_SAMPLE_DATABASE, dir.filePath("VuzUvazuzuvar.db")));
    const ProgramRun r = runDravik(dir, {"--simulate", "--script", writeScript(dir, script.toLatin1().constData())},
                                   60000 + (rowRounds + 2 * rounds) * 20000);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString() << r.out.right(3000).toStdString();
    EXPECT_FALSE(r.out.contains("Wait until the previous command is completed!"));
    // Each check's line comes before the request it asked for, never after it.
    const QStringList lines = r.out.split(u'\n');
    int checks = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (!lines[i].startsWith("AutoConn: Identification")) continue;
        ++checks;
        EXPECT_FALSE(lines[i - 1].startsWith("TX command: IDENTIFICATION.")) << "line " << i;
    }
    EXPECT_GT(checks, 0);
}

// The firmware demo: the adapter restarts into its loader, takes the 48 KiB image, verifies it and
// comes back with the version the image holds.
TEST(EndToEnd, FirmwareDemoUpgradesTheAdapter) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DRAVIK_SAMPLE_DATABASE, dir.filePath("VuzUvazuzuvar.db")));
    ASSERT_TRUE(QDir(dir.path()).mkpath("data/firmware"));
    ASSERT_TRUE(QFile::copy(DRAVIK_SOURCE_DIR "/data/firmware/good.fmd", dir.filePath("data/firmware/good.fmd")));
    const ProgramRun r =
        runDravik(dir, {"--simulate", "--script", DRAVIK_SOURCE_DIR "/data/scripts/firmware-demo.txt"}, 120000);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("Memory successfully verified")) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("out/firmware-demo/02-new-version.png")));
}

// A scripted run recorded with --record replays with the same script: the same "TX command" lines,
// exit 0. The same run with another speed on the test page stops at that request with status 3,
// naming the exchange, what was recorded and what was sent. A bad recording never opens a window.
TEST(EndToEnd, RecordedRunReplaysAndAnotherScriptStopsAtItsDifference) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir().mkpath(dir.filePath("data/protocols")));
    QFile developer(dir.filePath("data/Developer.txt"));  // the test page's layout
    ASSERT_TRUE(developer.open(QIODevice::WriteOnly));
    developer.close();
    const char* script =
        "wait-log \"Rx: OK\" 10000\n"
        "click checkBoxAutoConn\n"
        "wait-log \"Stop thread\" 5000\n"
        "tab \"Test\"\n"
        "select ComboBox_Baudrate 1\n"
        "click button_Send_Mbus_Setup_Req\n"
        "wait-log \"Operative mode\" 5000\n"
        "quit\n";
    const QString same = writeScript(dir, script);
    const QString recording = dir.filePath("session.jsonl");
    const ProgramRun recorded = runDravik(dir, {"--simulate", "--record", recording, "--script", same});
    ASSERT_EQ(recorded.exitCode, 0) << recorded.out.toStdString() << recorded.err.toStdString();

    auto commands = [](const QString& out) {
        QStringList lines = out.split(QStringLiteral("\n"));
        lines.removeIf([](const QString& l) { return !l.contains(QStringLiteral("TX command")); });
        return lines;
    };
    const ProgramRun replayed = runDravik(dir, {"--replay", recording, "--script", same});
    EXPECT_EQ(replayed.exitCode, 0) << replayed.out.toStdString() << replayed.err.toStdString();
    EXPECT_EQ(commands(replayed.out), commands(recorded.out));
    EXPECT_TRUE(replayed.err.contains("Replay: 3 of 3 recorded exchanges sent as recorded")) << replayed.err.toStdString();

    QFile other(dir.filePath("other.txt"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write(QByteArray(script).replace("select ComboBox_Baudrate 1", "select ComboBox_Baudrate 2"));
    other.close();
    const ProgramRun differs = runDravik(dir, {"--replay", recording, "--script", other.fileName()});
    EXPECT_EQ(differs.exitCode, 3) << differs.out.toStdString() << differs.err.toStdString();
    EXPECT_TRUE(
        differs.err.contains("Replay stopped at exchange 3 (line 6 of the recording): recorded TX 01 f1 02 "
                             "0a 40 01 00 ff 01 00 00 00 00 4b "
                             "(MBUS_SETUP), sent TX 01 f1 02 0a 40 01 00 ff 02 00 00 00 00 4c (MBUS_SETUP); "
                             "first difference at byte 9, "
                             "counting the bytes shown from 1"))
        << differs.err.toStdString();

    // A script that stops before the test page's request leaves it unsent: the replay says so.
    const ProgramRun shorter = runDravik(dir, {"--replay", recording, "--script",
                                               writeScript(dir, "wait-log \"Rx: OK\" 10000\nquit\n")});
    EXPECT_EQ(shorter.exitCode, 3) << shorter.err.toStdString();
    EXPECT_TRUE(shorter.err.contains(
        "Replay stopped at exchange 3 (line 6 of the recording): recorded TX 01 f1 02 0a 40 "
        "01 00 ff 01 00 00 00 00 4b (MBUS_SETUP), but the program ended after 2 of 3 "
        "exchanges"))
        << shorter.err.toStdString();

    // The recorded run's command line with --replay added names the recording twice: refused, and
    // the recording is kept.
    QFile original(recording);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray kept = original.readAll();
    original.close();
    const ProgramRun onto =
        runDravik(dir, {"--simulate", "--record", recording, "--script", same, "--replay", recording});
    EXPECT_EQ(onto.exitCode, 2) << onto.err.toStdString();
    EXPECT_TRUE(onto.err.contains("names the recording that --replay plays")) << onto.err.toStdString();
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), kept);
    original.close();

    QFile bad(recording);
    ASSERT_TRUE(bad.open(QIODevice::Append));
    bad.write("{\"t\":1,\"ev\":\"tx\"}\n");
    bad.close();
    const ProgramRun refused = runDravik(dir, {"--replay", recording});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("session.jsonl: line 9: \"data\" is missing")) << refused.err.toStdString();
    EXPECT_EQ(runDravik(dir, {"--replay", recording, "--simulate"}).exitCode, 2);  // still the bad recording
}

// The vehicle report of the standard bench: the product read, function 1 set to "Off", the report
// saved through the tool bar into the folder the script names.
TEST(EndToEnd, VehicleReportOfAWrittenFunction) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DRAVIK_SAMPLE_DATABASE, dir.filePath("VuzUvazuzuvar.db")));
    const ProgramRun r =
        runDravik(dir, {"--simulate", "--script", DRAVIK_SOURCE_DIR "/data/scripts/report.txt"}, 120000);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    // The dialog was offered in the data folder's "Reports", which is made for it.
    EXPECT_TRUE(QDir(dir.filePath("data/Reports")).exists());
    const QString text = pdfText(dir.filePath("out/report/vehicle.pdf"));
    for (const char* shown : {"TAVIRON A37", "Off", "Dravik", "Parameters written"})
        EXPECT_TRUE(text.contains(shown)) << shown << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("01 - Siren +On +Off +changed, confirmed"))) << text.toStdString();
}

// A product with its slot module on the cable: a function written, a protocol file programmed into
// the module; the report has both values of the row and the programming's result.
TEST(EndToEnd, VehicleReportOfAProgrammedModule) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DRAVIK_SAMPLE_DATABASE, dir.filePath("VuzUvazuzuvar.db")));
    copyProtocolSamples(dir);
    const ProgramRun r = runDravik(
        dir,
        {"--simulate=" DRAVIK_SOURCE_DIR "/data/benches/vrak1-direct.json", "--script",
         writeScript(dir,
                     "wait-log \"Found product\" 30000\n"
                     "wait-log \"TX command: ACTUAL_SLOT_CONFIGURATION\" 30000\n"
                     "wait-idle 30000\n"
                     "select comboBox_Function_1 \"Off\"\n"
                     "click button_SetParameters\n"
                     "wait-log \"TX command: MEMORY_WRITE_write\" 15000\n"
                     "wait-idle 30000\n"
                     "select comboBox_Module_0 \"32  D  CAN DEMO 250    ver. 1 *\"\n"
                     "click button_SetProtocol\n"
                     "wait-log \"TX command: VERIFY_FIRMWARE\" 60000\n"
                     "wait-log \"TX command: INDEX_SLOT_SETUP\" 10000\n"
                     "wait-idle 30000\n"
                     "choose-file \"module.pdf\"\n"
                     "click toolStripButtonSaveReport\n"
                     "expect-log \"Report saved: \"\n"
                     "quit\n")},
        180000);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    const QString text = pdfText(dir.filePath("module.pdf"));
    for (const char* shown : {"TAVIRON D51", "VRAK-1", "Working protocol", "Protocol programmed", "VRAK1-CAN-DEMO.txt",
                              "verified by the module's checksum"})
        EXPECT_TRUE(text.contains(shown)) << shown << "\n" << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("01 - Siren +On +Off +changed, confirmed"))) << text.toStdString();
}

// Refused while an operation runs (no dialog is offered), and a write that fails (into a "folder"
// that is a file; onto a read-only file system) leaves no file, or the earlier report as it was,
// with a box and a log line.
TEST(EndToEnd, VehicleReportRefusedWhileBusyAndNeverHalfWritten) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DRAVIK_SAMPLE_DATABASE, dir.filePath("VuzUvazuzuvar.db")));
    dravik::test::SmallTmpfs fs(64);
    const QString old = fs.filePath("old.pdf");
    if (fs.mounted()) {
        QFile f(old);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the earlier report");
        f.close();
        ASSERT_TRUE(fs.makeReadOnly());
    }
    QString script = "wait-log \"Found product\" 30000\n"
                     "wait-until label_progressBar_car text \"Process terminated\" 30000\n"
                     "click buttonReadAll\n"
                     "click toolStripButtonSaveReport\n"
                     "expect-message \"There is another process in progress\"\n"
                     "wait-idle 30000\n"
                     "choose-file \"VuzUvazuzuvar.db/report.pdf\"\n"
                     "click toolStripButtonSaveReport\n"
                     "expect-message \"cannot be written\"\n"
                     "expect-log \"Report not saved: \"\n";
    if (fs.mounted()) script += "choose-file \"" + old + "\"\nclick toolStripButtonSaveReport\n";
    script += "quit\n";
    const ProgramRun r = runDravik(dir, {"--simulate", "--script", writeScript(dir, script.toUtf8().constData())});
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(r.out.count("File dialog \"Save report\""), fs.mounted() ? 2 : 1) << r.out.toStdString();
    EXPECT_TRUE(QFileInfo(dir.filePath("VuzUvazuzuvar.db")).isFile());
    EXPECT_TRUE(QDir(dir.path()).entryList({"*.pdf"}, QDir::Files).isEmpty());
    if (!fs.mounted()) GTEST_SKIP() << "no tmpfs could be mounted: the earlier report's case is not run";
    QFile kept(old);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("the earlier report"));
    EXPECT_EQ(QDir(fs.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.pdf"});
}
