#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// Runs the real program in dir (its working folder, with its data folder under it).
struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ProgramRun runDravik(const QTemporaryDir& dir, const QStringList& args, int timeoutMs = 60000) {
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DRAVIK_DATA_DIR", dir.filePath("data"));
    p.setProcessEnvironment(env);
    p.start(DRAVIK_BINARY, args);
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

TEST(EndToEnd, FailedExpectationExitsWithOneAndTheLine) {
    QTemporaryDir dir;
    const QString script = writeScript(dir, "# a comment\nexpect StatusLabel_interface text \"Interface ID: 99\"\n");
    const ProgramRun r = runDravik(dir, {"--simulate", "--script", script});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("line 2")) << r.err.toStdString();
}

// The demo plays the road of one operation: adapter and product connected automatically, the panel
// read, a value changed and set, read back black.
TEST(EndToEnd, DemoPlaysTheWholeRoad) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DRAVIK_SAMPLE_DATABASE, dir.filePath("VuzUvazuzuvar.db")));
    const ProgramRun r = runDravik(dir, {"--demo"}, 120000);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("TX command: MEMORY_WRITE_write. Data: 1.f2.2.5.2.10.0.")) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("out/demo/04-panel-after-set.png")));
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
    const QString installed = QDir::cleanPath(QFileInfo(DRAVIK_BINARY).absolutePath() + "/../share/dravik");
    const ProgramRun r = runDravik(dir, {"--simulate", "--script",
                                         writeScript(dir,
                                                     "expect-message \"Cannot find the product database\"\n"
                                                     "expect-log \"Looked in:\"\n"
                                                     "wait 60000\n")});
    EXPECT_EQ(r.exitCode, 255);  // -1 as the shell sees it
    for (const QString& place : {QDir::cleanPath(dir.path()), installed}) {
        EXPECT_TRUE(r.err.contains(QDir::toNativeSeparators(place))) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QDir::toNativeSeparators(place))) << r.out.toStdString();
    }
    EXPECT_TRUE(r.err.contains("Cannot open the product database")) << r.err.toStdString();
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
