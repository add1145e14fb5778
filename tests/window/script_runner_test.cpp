#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include "window/ScriptTestWindow.h"

namespace dravik {
namespace {

using scripttest::Fixture;
using scripttest::run;
using scripttest::RunResult;

TEST(ScriptRunner, ClicksReachButtonsCheckBoxesAndMenuItems) {
    Fixture f;
    const RunResult r =
        run(f, QStringLiteral("click button\nclick button\nclick check\n"
                              "click \"Connection/Power off\"\nclick closeToolStripMenuItem\n"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(f.clicks, 2);
    EXPECT_TRUE(f.check->isChecked());
    EXPECT_EQ(f.powerOffs, 2);
}

TEST(ScriptRunner, DisabledControlsRefuseTheClickAsAFailedExpectation) {
    for (const char* script : {"click disabledButton", "click \"Settings/Language/English\""}) {
        Fixture f;
        const RunResult r = run(
            f, QStringLiteral("wait 0\n") + QString::fromLatin1(script) + QStringLiteral("\nclick button"));
        EXPECT_EQ(r.code, 1) << script;
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("line 2: expected "))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("disabled"))) << r.err.toStdString();
        EXPECT_EQ(f.clicks, 0) << "the script must stop at the failure";
    }
}

TEST(ScriptRunner, SelectIsAUsersChoiceAndFiresActivated) {
    Fixture f;
    const RunResult r = run(f, QStringLiteral("select combo 2\nselect combo \"1 - 9600\"\ntab Test\n"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(f.activated, (QList<int>{2, 1}));
    EXPECT_EQ(f.combo->currentIndex(), 1);
    EXPECT_EQ(f.tabs->currentIndex(), 1);

    const RunResult missing = run(f, QStringLiteral("select combo \"3 - 4800\""));
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("\"0 - No changes\", \"1 - 9600\", \"2 - 1200\"")))
        << missing.err.toStdString();
    EXPECT_EQ(run(f, QStringLiteral("select combo 3")).code, 1);
    EXPECT_EQ(run(f, QStringLiteral("tab \"Protocol selection\"")).code, 1);
    EXPECT_EQ(f.activated.size(), 2);
}

TEST(ScriptRunner, TypeReplacesTheTextOneKeyAtATime) {
    Fixture f;
    const RunResult r = run(f, QStringLiteral("type edit \"a b\"\n"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(f.edited, (QStringList{QStringLiteral("a"), QStringLiteral("a "), QStringLiteral("a b")}));
    EXPECT_EQ(f.edit->text(), QStringLiteral("a b"));

    f.edited.clear();
    EXPECT_EQ(run(f, QStringLiteral("type edit \"\"")).code, 0);
    EXPECT_EQ(f.edited, QStringList{QString()});

    f.edit->setReadOnly(true);
    EXPECT_EQ(run(f, QStringLiteral("type edit \"x\"")).code, 1);
    EXPECT_EQ(run(f, QStringLiteral("type button \"x\"")).code, 2);
}

TEST(ScriptRunner, ExpectationsReadTheControlsAsShown) {
    Fixture f;
    f.powerOff->setEnabled(false);
    const RunResult r = run(f, QStringLiteral(R"(expect label_Product text "No product connected."
expect label_Product color "#FF0000"
expect label_Product visible false
expect groupBox_Product title "Product"
expect mainWindow title "Dravik test"
expect combo currentText "0 - No changes"
expect combo count "3"
expect tabControl1 currentIndex "0"
expect check checked false
expect closeToolStripMenuItem enabled "false"
expect "Connection/Power off" text "Power &off	Ctrl+O"
expect-contains label_Product text "product"
tab "Test"
expect label_Product visible true
)"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
}

TEST(ScriptRunner, AFailedExpectationStopsWithStatus1AndTheLine) {
    Fixture f;
    const RunResult r =
        run(f, QStringLiteral("# check\nexpect combo currentIndex 0\nexpect label_Product text \"Found\"\n"
                              "click button\n"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, QStringLiteral("line 3: expected label_Product text to be \"Found\" but saw "
                                    "\"No product connected.\"\n"));
    EXPECT_EQ(f.clicks, 0);
}

// A password box is read as shown: a failed expectation cannot print what was typed into it.
TEST(ScriptRunner, AHiddenEntryIsReadAsShown) {
    Fixture f;
    f.edit->setEchoMode(QLineEdit::Password);
    f.edit->setText(QStringLiteral("123456"));
    const RunResult r = run(f, QStringLiteral("expect edit text \"000000\"\n"));
    EXPECT_EQ(r.code, 1);
    EXPECT_FALSE(r.err.contains(QStringLiteral("123456"))) << r.err.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("123456"))) << r.out.toStdString();
}

TEST(ScriptRunner, ScriptErrorsStopWithStatus2AndTheLine) {
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("click button\nclick nothing\n"),
         QStringLiteral("line 2: no control named 'nothing'")},
        {QStringLiteral("click button\nexpect combo title \"x\"\n"),
         QStringLiteral("line 2: combo (QComboBox) has no property 'title'")},
        {QStringLiteral("click button\nplug\n"), QStringLiteral("line 2: plug needs --simulate")},
        {QStringLiteral("click button\nclick Connection\n"),
         QStringLiteral("line 2: no control named 'Connection'")},
        {QStringLiteral("click button\nclick label_Product\n"),
         QStringLiteral("line 2: label_Product (QLabel) cannot be clicked")},
    };
    for (const auto& [script, message] : cases) {
        Fixture f;
        const RunResult r = run(f, script);
        EXPECT_EQ(r.code, 2) << script.toStdString();
        EXPECT_TRUE(r.err.startsWith(message)) << r.err.toStdString();
        EXPECT_EQ(f.clicks, 1);
    }
}

TEST(ScriptRunner, ABadLineRefusesTheWholeScriptBeforeItRuns) {
    Fixture f;
    const RunResult r = run(f, QStringLiteral("click button\nclick button\nwiat 10\n"));
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("line 3: unknown command 'wiat'"))) << r.err.toStdString();
    EXPECT_EQ(f.clicks, 0);

    const RunResult unreadable = run(f, {}, {}, QStringLiteral("/nonexistent/script.txt"));
    EXPECT_EQ(unreadable.code, 2);
    EXPECT_TRUE(unreadable.err.contains(QStringLiteral("cannot read script /nonexistent/script.txt")));
}

TEST(ScriptRunner, WaitLogWaitsForTextAppendedLaterAndMovesPastEachMatch) {
    Fixture f;
    QString log = QStringLiteral("Rx: OK. Data: 1.\r\n");  // there before the script: does not count
    ScriptHooks hooks;
    hooks.logText = [&] { return log; };
    QTimer::singleShot(60,
                       [&] { log += QStringLiteral("TX command: IDENTIFICATION\r\nRx: OK. Data: 2.\r\n"); });
    const RunResult r = run(f,
                            QStringLiteral("wait-log \"Rx: OK\" 1000\nclick button\nexpect-log \"Data: 2.\"\n"
                                           "wait-log \"Rx: OK\" 100\nclick button\n"),
                            hooks);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(f.clicks, 1);
    EXPECT_TRUE(
        r.err.startsWith(QStringLiteral("line 4: expected \"Rx: OK\" in the status log within 100 ms")))
        << r.err.toStdString();
}

// A log emptied and refilled with a longer text (a page that starts its own log) is searched from
// its start: the first "Starting" of the new log is the one matched, not a later one.
TEST(ScriptRunner, WaitLogSearchesAReplacedLogFromItsStart) {
    Fixture f;
    QString log = QStringLiteral("old line\r\n").repeated(3);
    quint64 generation = 0;
    ScriptHooks hooks;
    hooks.logText = [&] { return log; };
    hooks.logGeneration = [&] { return generation; };
    QTimer::singleShot(20, [&] {
        log += QStringLiteral("Starting connection\r\n");
        // The page replaces the log: its new text is longer than the old search position.
        log = QStringLiteral("Starting upgrade\r\n") + QStringLiteral("block written\r\n").repeated(4) +
              QStringLiteral("Starting application\r\n");
        ++generation;
    });
    const RunResult r = run(f,
                            QStringLiteral("wait 60\nwait-log \"Starting\" 500\nclick button\n"
                                           "wait-log \"Starting\" 500\nclick button\n"
                                           "wait-log \"Starting\" 50\nclick button\n"),
                            hooks);
    // "Starting upgrade", then "Starting application"; no third one.
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    EXPECT_EQ(f.clicks, 2);
}

// wait-idle goes on once no operation runs, and fails when one is still running at its limit.
TEST(ScriptRunner, WaitIdleWaitsForTheOperationToEnd) {
    Fixture f;
    bool busy = true;
    ScriptHooks hooks;
    hooks.busy = [&] { return busy; };
    QTimer::singleShot(60, [&] { busy = false; });
    QTimer::singleShot(200, [&] { busy = true; });
    const RunResult r = run(f, QStringLiteral("wait-idle 1000\nclick button\nwait 300\nwait-idle 50\nclick button\n"),
                            hooks);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(f.clicks, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("line 4: expected no operation in progress within 50 ms")))
        << r.err.toStdString();
}

// wait-until polls a property until it reads the value, also of a control that appears later, and
// fails with what it saw last when the time runs out.
TEST(ScriptRunner, WaitUntilWaitsForAPropertyAndFailsWithTheLastValueSeen) {
    Fixture f;
    QTimer::singleShot(60, [&] { f.label->setText(QStringLiteral("Process terminated")); });
    QTimer::singleShot(80, [&] {
        auto* late = new QLabel(QStringLiteral("late\trow"), f.tabs->widget(0));
        late->setObjectName(QStringLiteral("lateLabel"));
    });
    const RunResult r = run(f, QStringLiteral("wait-until label_Product text \"Process terminated\" 1000\n"
                                              "click button\n"
                                              "wait-until lateLabel text \"late\\trow\" 1000\n"
                                              "wait-until mainWindow title \"Dravik test\" 0\n"
                                              "wait-until label_Product text \"Never\" 100\n"));
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(f.clicks, 1);
    EXPECT_TRUE(
        r.err.startsWith(QStringLiteral("line 5: expected label_Product text to be \"Never\" within 100 ms "
                                        "but saw \"Process terminated\"")))
        << r.err.toStdString();

    const RunResult missing = run(f, QStringLiteral("wait-until nothingHere text \"x\" 50\n"));
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("no control named 'nothingHere'")))
        << missing.err.toStdString();
}

TEST(ScriptRunner, WithoutALogHookTheLogIsWhatOnLogReceived) {
    Fixture f;
    ScriptRunner runner(&f.window, {});
    QString out;
    runner.setPrinters([&](const QString& t) { out += t; }, [](const QString&) {});
    QEventLoop loop;
    QObject::connect(&runner, &ScriptRunner::finished, &loop, [&](int code) { loop.exit(code); });
    QTimer::singleShot(2000, &loop, [&] { loop.exit(-99); });
    QTimer::singleShot(30, [&] { runner.onLog(QStringLiteral("..")); });
    QTimer::singleShot(40, [&] { runner.onLog(QStringLiteral("Rx: TIMEOUT \r\n")); });
    runner.startText(QStringLiteral("wait-log \"Rx: TIMEOUT\" 1000\nexpect-log \"..Rx\""));
    EXPECT_EQ(loop.exec(), 0);
    EXPECT_EQ(out, QStringLiteral("..Rx: TIMEOUT \n"));
}

TEST(ScriptRunner, AnswerCancelIsUsedUpByTheNextMessageBox) {
    Fixture f;
    const RunResult r = run(f, QStringLiteral("answer Cancel\nclick askButton\nclick askButton\n"
                                              "expect-message \"Really?\"\nexpect-message \"Command\"\n"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(f.answers, (QList<Dialogs::Answer>{Dialogs::Cancel, Dialogs::Ok}));
    EXPECT_EQ(r.out, QStringLiteral("Message \"Command\": Really?\nMessage \"Command\": Really?\n"));

    const RunResult none = run(f, QStringLiteral("expect-message \"Really?\""));
    EXPECT_EQ(none.code, 1);
    EXPECT_TRUE(none.err.contains(QStringLiteral("but saw none")));
}

TEST(ScriptRunner, TakeAnswerAfterOnMessageGivesThatBoxsAnswer) {
    Fixture f;
    ScriptRunner runner(&f.window, {});
    runner.setPrinters([](const QString&) {}, [](const QString&) {});
    QEventLoop loop;
    QObject::connect(&runner, &ScriptRunner::finished, &loop, [&](int code) { loop.exit(code); });
    runner.startText(QStringLiteral("answer Cancel"));
    ASSERT_EQ(loop.exec(), 0);
    runner.onMessage(QStringLiteral("Command"), QStringLiteral("first"));
    EXPECT_EQ(runner.takeAnswer(), Dialogs::Cancel);
    runner.onMessage(QStringLiteral("Command"), QStringLiteral("second"));
    EXPECT_EQ(runner.takeAnswer(), Dialogs::Ok);
}

TEST(ScriptRunner, ChooseFileAnswersTheNextFileDialogOnlyAndCancelIsTheDefault) {
    Fixture f;
    const RunResult r =
        run(f, QStringLiteral("choose-file \"backups/a.bkd\"\nclick fileButton\nclick fileButton\n"
                              "choose-file Cancel\nclick fileButton\n"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QString chosen = QDir::current().absoluteFilePath(QStringLiteral("backups/a.bkd"));
    EXPECT_EQ(f.files, (QStringList{chosen, QString(), QString()}));
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("File dialog \"Open configuration file\": ") + chosen +
                                 QStringLiteral("\nFile dialog \"Open configuration file\": Cancel\n")));
}

TEST(ScriptRunner, AModalDialogDoesNotStallTheScript) {
    Fixture f;
    const RunResult r = run(f, QStringLiteral("click dialogButton\nexpect aboutDialog title \"About\"\n"
                                              "click aboutOk\nwait 10\nclick button\n"));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(f.dialogResult, QDialog::Accepted);
    EXPECT_EQ(f.clicks, 1);
}

TEST(ScriptRunner, PlugAndUnplugGoThroughTheHookAndQuitEndsEarly) {
    Fixture f;
    QList<bool> plugged;
    ScriptHooks hooks;
    hooks.setPlugged = [&](bool on) { plugged.append(on); };
    const RunResult r = run(f, QStringLiteral("unplug\nplug\nquit\nclick nothing\n"), hooks);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(plugged, (QList<bool>{false, true}));
}

TEST(ScriptRunner, ScreenshotWritesAPngAndMakesItsFolders) {
    Fixture f;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("out/demo/window.png"));
    const RunResult r = run(f, QStringLiteral("screenshot \"%1\"").arg(path));
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QImage image(path);
    EXPECT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), f.window.size());
    EXPECT_TRUE(r.out.contains(path));
}

// A screenshot of a named dialog shows the dialog alone, taken while it is open.
TEST(ScriptRunner, ScreenshotOfANamedDialog) {
    Fixture f;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("about.png"));
    const RunResult r =
        run(f, QStringLiteral("click dialogButton\nscreenshot \"%1\" aboutDialog\nclick aboutOk\n"
                              "screenshot \"%2\" nothingHere\n")
                   .arg(path, dir.filePath(QStringLiteral("none.png"))));
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("line 4: no window or control named 'nothingHere'")))
        << r.err.toStdString();
    const QImage image(path);
    ASSERT_FALSE(image.isNull());
    EXPECT_NE(image.size(), f.window.size());
}

}  // namespace
}  // namespace dravik
