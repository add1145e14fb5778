#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

// The real program, on the simulated bench, driven by a script: the road a technician takes.
TEST(EndToEnd, ScriptedRunConnectsTheAdapter) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString script = dir.filePath("road.txt");
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("expect StatusLabel_USB_connection text \"Searching for devices...\"\n"
            "wait-log \"Rx: OK\" 10000\n"
            "expect StatusLabel_interface text \"Interface ID: 12, ver. 3, subver. 4\"\n"
            "expect StatusLabel_working_mode text \"Standard mode.\"\n"
            "expect-message \"Main folder check\"\n"
            "unplug\n"
            "wait 500\n"
            "expect StatusLabel_USB_connection text \"USB not connected.\"\n"
            "expect StatusLabel_interface text \"No inteface connected.\"\n"
            "quit\n");
    f.close();

    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DRAVIK_DATA_DIR", dir.filePath("data"));
    p.setProcessEnvironment(env);
    p.start(DRAVIK_BINARY, {"--simulate", "--script", script});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString() << p.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains("TX command: INTERFACE IDENTIFICATION. Data: 1.f1.2.2.0.2.")) << out.toStdString();
    EXPECT_TRUE(QDir(dir.filePath("data/protocols")).exists());
}

TEST(EndToEnd, FailedExpectationExitsWithOneAndTheLine) {
    QTemporaryDir dir;
    const QString script = dir.filePath("bad.txt");
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# a comment\nexpect StatusLabel_interface text \"Interface ID: 99\"\n");
    f.close();
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DRAVIK_DATA_DIR", dir.filePath("data"));
    p.setProcessEnvironment(env);
    p.start(DRAVIK_BINARY, {"--simulate", "--script", script});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1);
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardError()).contains("line 2"));
}

// The demo plays the road of one operation: adapter and product connected automatically, the panel
// read, a value changed and set, read back black.
TEST(EndToEnd, DemoPlaysTheWholeRoad) {
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(DRAVIK_SAMPLE_DATABASE, dir.filePath("VuzUvazuzuvar.db")));
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DRAVIK_DATA_DIR", dir.filePath("data"));
    p.setProcessEnvironment(env);
    p.start(DRAVIK_BINARY, {"--demo"});
    ASSERT_TRUE(p.waitForFinished(120000));
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    EXPECT_EQ(p.exitCode(), 0) << out.toStdString() << p.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains("TX command: MEMORY_WRITE_write. Data: 1.f2.2.5.2.10.0.")) << out.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("out/demo/04-panel-after-set.png")));
}

// Without the product database the program ends with status -1, but not silently.
TEST(EndToEnd, MissingDatabaseEndsWithMinusOneAndSaysWhy) {
    QTemporaryDir dir;
    const QString script = dir.filePath("wait.txt");
    QFile f(script);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("wait 60000\n");
    f.close();
    QProcess p;
    p.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("DRAVIK_DATA_DIR", dir.filePath("data"));
    p.setProcessEnvironment(env);
    p.start(DRAVIK_BINARY, {"--simulate", "--script", script});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 255);  // -1 as the shell sees it
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    EXPECT_TRUE(err.contains("VuzUvazuzuvar.db")) << err.toStdString();
    EXPECT_TRUE(QString::fromLocal8Bit(p.readAllStandardOutput()).contains("Product database")) ;
}
