#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>
#include <fstream>

#include "app/CommandLine.h"

namespace dravik {
namespace {

const QString kSource = QStringLiteral(DRAVIK_SOURCE_DIR);

struct Parsed {
    CommandLineOptions options;
    QString out;
    QString err;
};

// Parses the arguments after the program's name; checks that err holds errContains, or is empty.
Parsed parse(const QStringList& args, const QString& errContains) {
    Parsed p;
    QTextStream outStream(&p.out);
    QTextStream errStream(&p.err);
    p.options = parseCommandLine(QStringList{QStringLiteral("/opt/dravik/dravik")} + args, outStream, errStream);
    if (errContains.isEmpty())
        EXPECT_TRUE(p.err.isEmpty()) << p.err.toStdString();
    else
        EXPECT_TRUE(p.err.contains(errContains)) << p.err.toStdString();
    return p;
}

struct Case {
    QStringList args;  // after the program name
    bool exitNow;
    int exitCode;
    bool simulate;
    QString bench;
    QString script;
    bool demo;
    QString outContains;
    QString errContains;
};

TEST(CommandLine, OptionsTable) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString bench = dir.filePath(QStringLiteral("my bench.json"));
    const QString script = dir.filePath(QStringLiteral("run.txt"));
    std::ofstream(bench.toStdString()) << "{}";
    std::ofstream(script.toStdString()) << "quit\n";
    const QString standard = kSource + QStringLiteral("/data/benches/standard.json");
    const QString demo = kSource + QStringLiteral("/data/scripts/demo.txt");
    const QString version = QStringLiteral("Dravik %1.%2.%3\n")
                                .arg(DRAVIK_VERSION_MAJOR)
                                .arg(DRAVIK_VERSION_MINOR)
                                .arg(DRAVIK_VERSION_PATCH);

    const Case cases[] = {
        {{}, false, 0, false, {}, {}, false, {}, {}},
        {{"--simulate"}, false, 0, true, standard, {}, false, {}, {}},
        {{"--simulate=" + bench}, false, 0, true, bench, {}, false, {}, {}},
        {{"--simulate=" + bench, "--simulate"}, false, 0, true, standard, {}, false, {}, {}},
        {{"--script", script}, false, 0, false, {}, script, false, {}, {}},
        {{"--script=" + script, "--simulate"}, false, 0, true, standard, script, false, {}, {}},
        {{"--demo"}, false, 0, true, standard, demo, true, {}, {}},
        {{"--demo", "--script", script, "--simulate=" + bench}, false, 0, true, bench, script, true, {}, {}},
        {{"--version"}, true, 0, false, {}, {}, false, version, {}},
        {{"-v"}, true, 0, false, {}, {}, false, version, {}},
        {{"--help"}, true, 0, false, {}, {}, false, "--script <FILE>", {}},
        {{"-h", "--simulate"}, true, 0, false, {}, {}, false, "--simulate", {}},
        {{"--bogus"}, true, 2, false, {}, {}, false, {}, "dravik: unknown option 'bogus'\nTry --help.\n"},
        {{"-simulate"}, true, 2, false, {}, {}, false, {}, "dravik: unknown option"},
        {{"--script"}, true, 2, false, {}, {}, false, {}, "dravik: missing value after '--script'"},
        {{"--script", dir.filePath("absent.txt")},
         true,
         2,
         false,
         {},
         {},
         false,
         {},
         "dravik: cannot read the script"},
        {{"--simulate="}, true, 2, false, {}, {}, false, {}, "dravik: '--simulate=' needs a bench file"},
        {{"--simulate=/nonexistent/bench.json"},
         true,
         2,
         false,
         {},
         {},
         false,
         {},
         "dravik: cannot read the bench file"},
        // Other arguments are ignored: "Open with" passes a file's path; the options around it work.
        {{"some-file.bkd"}, false, 0, false, {}, {}, false, {}, {}},
        {{"C:\\Tov_Dravik\\car 1.bkd", "--simulate"}, false, 0, true, standard, {}, false, {}, {}},
        {{"--", "--demo"}, false, 0, false, {}, {}, false, {}, {}},
        {{"--bogus", "some-file.bkd"}, true, 2, false, {}, {}, false, {}, "dravik: unknown option 'bogus'"},
        {{"--simulate", "bench.json"}, false, 0, true, standard, {}, false, {}, "--simulate=bench.json"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const Parsed p = parse(c.args, c.errContains);
        const CommandLineOptions& o = p.options;
        const QString& out = p.out;
        EXPECT_EQ(o.exitNow, c.exitNow);
        EXPECT_EQ(o.exitCode, c.exitCode);
        EXPECT_EQ(o.simulate, c.simulate);
        EXPECT_EQ(o.benchPath, c.bench);
        EXPECT_EQ(o.scriptPath, c.script);
        EXPECT_EQ(o.demo, c.demo);
        if (c.outContains.isEmpty())
            EXPECT_TRUE(out.isEmpty()) << out.toStdString();
        else
            EXPECT_TRUE(out.contains(c.outContains)) << out.toStdString();
    }
}

// --record and --replay take a file each; a replay with --simulate replays instead of the bench.
TEST(CommandLine, RecordAndReplay) {
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("car 1.jsonl"));
    std::ofstream(recording.toStdString()) << "{}";
    struct RecordCase {
        QStringList args;
        int exitCode;  // -1: runs
        QString record;
        QString replay;
        QString errContains;
    };
    const RecordCase cases[] = {
        {{"--record", recording}, -1, recording, {}, {}},
        {{"--record=" + dir.filePath("new.jsonl"), "--replay", recording}, -1, dir.filePath("new.jsonl"), recording, {}},
        {{"--replay", recording, "--simulate"}, -1, {}, recording, "the simulated bench is not used"},
        {{"--replay", dir.filePath("absent.jsonl")}, 2, {}, {}, "cannot read the recording"},
        {{"--replay", dir.path()}, 2, {}, {}, "cannot read the recording"},
        {{"--record"}, 2, {}, {}, "dravik: missing value after '--record'\nTry --help.\n"},
        {{"--record="}, 2, {}, {}, "dravik: '--record' needs a file\nTry --help.\n"},
    };
    for (const RecordCase& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const CommandLineOptions o = parse(c.args, c.errContains).options;
        EXPECT_EQ(o.exitNow, c.exitCode >= 0);
        if (c.exitCode >= 0) EXPECT_EQ(o.exitCode, c.exitCode);
        if (c.exitCode < 0) {
            EXPECT_EQ(o.recordPath, c.record);
            EXPECT_EQ(o.replayPath, c.replay);
        }
    }
}

}  // namespace
}  // namespace dravik
