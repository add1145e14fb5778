#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "script/ScriptParser.h"

namespace dravik {
namespace {

struct GoodLine {
    const char* line;
    ScriptOp op;
    const char* name;
    const char* property;
    const char* text;
    int number;
    bool byIndex;
    bool cancel;
};

TEST(ScriptParser, GoodLinesParseToTheirCommands) {
    const GoodLine cases[] = {
        {"wait 250", ScriptOp::Wait, "", "", "", 250, false, false},
        {"wait-log \"Rx: OK\"", ScriptOp::WaitLog, "", "", "Rx: OK", kWaitLogDefaultMs, false, false},
        {"wait-log \"Rx: OK\" 15000", ScriptOp::WaitLog, "", "", "Rx: OK", 15000, false, false},
        {"  click   buttonReadAll  ", ScriptOp::Click, "buttonReadAll", "", "", -1, false, false},
        {"click \"Connection/Power off\"", ScriptOp::Click, "Connection/Power off", "", "", -1, false, false},
        {"select ComboBox_Baudrate 2", ScriptOp::Select, "ComboBox_Baudrate", "", "", 2, true, false},
        {"select ComboBox_Baudrate \"2\"", ScriptOp::Select, "ComboBox_Baudrate", "", "2", -1, false, false},
        {"select ComboBox_Baudrate \"1 - 9600\"", ScriptOp::Select, "ComboBox_Baudrate", "", "1 - 9600", -1,
         false, false},
        {"type textBox_Dest_address \"say \\\"hi\\\" \\\\ there\"", ScriptOp::Type, "textBox_Dest_address",
         "", "say \"hi\" \\ there", -1, false, false},
        {"type edit \"two\\nlines\"", ScriptOp::Type, "edit", "", "two\nlines", -1, false, false},
        {"type edit \"\"", ScriptOp::Type, "edit", "", "", -1, false, false},
        {"tab \"Car programmer\"", ScriptOp::Tab, "Car programmer", "", "", -1, false, false},
        {"answer Cancel", ScriptOp::Answer, "", "", "", -1, false, true},
        {"answer ok", ScriptOp::Answer, "", "", "", -1, false, false},
        {"plug", ScriptOp::Plug, "", "", "", -1, false, false},
        {"unplug # the adapter goes away", ScriptOp::Unplug, "", "", "", -1, false, false},
        {"expect label_Product text \"No product connected.\"", ScriptOp::Expect, "label_Product", "text",
         "No product connected.", -1, false, false},
        {"expect label_Product COLOR \"#ff0000\"", ScriptOp::Expect, "label_Product", "color", "#ff0000", -1,
         false, false},
        {"expect-contains StatusLabel_interface text \"Interface ID: \"", ScriptOp::ExpectContains,
         "StatusLabel_interface", "text", "Interface ID: ", -1, false, false},
        {"expect-log \"Stop thread \"", ScriptOp::ExpectLog, "", "", "Stop thread ", -1, false, false},
        {"expect-message \"Main folder check\"", ScriptOp::ExpectMessage, "", "", "Main folder check", -1,
         false, false},
        {"screenshot out/demo/a#1.png", ScriptOp::Screenshot, "out/demo/a#1.png", "", "", -1, false, false},
        {"screenshot out/about.png About", ScriptOp::Screenshot, "out/about.png", "", "About", -1, false,
         false},
        {"wait-until label_progressBar_car text \"Process terminated\"", ScriptOp::WaitUntil,
         "label_progressBar_car", "text", "Process terminated", kWaitLogDefaultMs, false, false},
        {"wait-until buttonReadAll Enabled \"true\" 30000", ScriptOp::WaitUntil, "buttonReadAll", "enabled",
         "true", 30000, false, false},
        {"expect-log \"a\\tb\"", ScriptOp::ExpectLog, "", "", "a\tb", -1, false, false},
        {"quit", ScriptOp::Quit, "", "", "", -1, false, false},
        {"wait-idle", ScriptOp::WaitIdle, "", "", "", kWaitLogDefaultMs, false, false},
        {"wait-idle 60000", ScriptOp::WaitIdle, "", "", "", 60000, false, false},
        {"theme light", ScriptOp::Theme, "", "", "", -1, false, false},
        {"choose-file \"out/my file.bkd\"", ScriptOp::ChooseFile, "", "", "out/my file.bkd", -1, false,
         false},
        {"choose-file Cancel", ScriptOp::ChooseFile, "", "", "Cancel", -1, false, true},
        {"choose-file \"Cancel\"", ScriptOp::ChooseFile, "", "", "Cancel", -1, false, false},
    };
    for (const GoodLine& c : cases) {
        SCOPED_TRACE(c.line);
        QString error;
        const auto cmd = parseScriptLine(QString::fromUtf8(c.line), 7, error);
        ASSERT_TRUE(cmd.has_value()) << error.toStdString();
        EXPECT_TRUE(error.isEmpty());
        EXPECT_EQ(cmd->op, c.op);
        EXPECT_EQ(cmd->line, 7);
        EXPECT_EQ(cmd->name, QString::fromUtf8(c.name));
        EXPECT_EQ(cmd->property, QString::fromUtf8(c.property));
        EXPECT_EQ(cmd->text, QString::fromUtf8(c.text));
        EXPECT_EQ(cmd->number, c.number);
        EXPECT_EQ(cmd->byIndex, c.byIndex);
        EXPECT_EQ(cmd->cancel, c.cancel);
    }
}

TEST(ScriptParser, BadLinesAreRefusedWithAReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"frobnicate x", "unknown command 'frobnicate'"},
        {"\"click\" button", "unknown command 'click'"},
        {"Click button", "unknown command 'Click'"},
        {"wait", "wait needs more arguments"},
        {"wait 10 20", "wait needs fewer arguments"},
        {"wait -5", "'-5' is not a number of milliseconds"},
        {"wait 1.5", "'1.5' is not a number of milliseconds"},
        {"wait 99999999999", "'99999999999' is not a number of milliseconds"},
        {"wait-log \"x\" soon", "'soon' is not a number of milliseconds"},
        {"wait-log \"\"", "the text to wait for is empty"},
        {"click", "click needs more arguments"},
        {"click a b", "click needs fewer arguments"},
        {"select combo", "select needs more arguments"},
        {"type edit", "type needs more arguments"},
        {"answer Maybe", "'Maybe' is neither OK nor Cancel"},
        {"plug now", "plug needs fewer arguments"},
        {"expect label text", "expect needs more arguments"},
        {"expect label colour \"#ff0000\"", "unknown property 'colour'"},
        {"expect label color #ff0000", "expect needs more arguments"},
        {"expect-log \"unterminated", "unterminated quoted string starting at column 12"},
        {"type edit \"bell\\aring\"", "unknown escape \\a"},
        {"wait-until label text", "wait-until needs more arguments"},
        {"theme grey", "'grey' is neither dark nor light"},
        {"wait-until label colour \"#ff0000\"", "unknown property 'colour'"},
        {"wait-until label text \"x\" later", "'later' is not a number of milliseconds"},
        {"wait-idle -5", "'-5' is not a number of milliseconds"},
        {"wait-idle 5 6", "wait-idle needs fewer arguments"},
        {"screenshot a.png About extra", "screenshot needs fewer arguments"},
        {"screenshot a.png \"\"", "the window name is empty"},
        {"type edit \"ends in backslash\\", "unterminated quoted string"},
        {"type edit \"glued\"text", "a quoted string must be followed by a blank"},
        {"screenshot \"\"", "the argument is empty"},
        {"choose-file", "choose-file needs more arguments"},
        {"choose-file \"\"", "the path is empty"},
    };
    for (const auto& [line, reason] : cases) {
        SCOPED_TRACE(line);
        QString error;
        const auto cmd = parseScriptLine(QString::fromUtf8(line), 3, error);
        EXPECT_FALSE(cmd.has_value());
        EXPECT_TRUE(error.contains(QString::fromUtf8(reason))) << error.toStdString();
    }
}

TEST(ScriptParser, BlankAndCommentLinesYieldNothing) {
    for (const char* line : {"", "   ", "\t", "# a comment", "   # indented comment", "#"}) {
        QString error;
        EXPECT_FALSE(parseScriptLine(QString::fromUtf8(line), 1, error).has_value()) << line;
        EXPECT_TRUE(error.isEmpty()) << line;
    }
}

TEST(ScriptParser, WholeScriptKeepsLineNumbersAcrossBlanksAndCrLf) {
    const ScriptParseResult result =
        parseScript(QStringLiteral("# demo\r\n\r\nwait 10\r\n  \nclick \"a # b\"\r\nquit"));
    ASSERT_TRUE(result.ok()) << result.error.toStdString();
    ASSERT_EQ(result.commands.size(), 3);
    EXPECT_EQ(result.commands[0].line, 3);
    EXPECT_EQ(result.commands[1].line, 5);
    EXPECT_EQ(result.commands[1].name, QStringLiteral("a # b"));
    EXPECT_EQ(result.commands[2].line, 6);
}

TEST(ScriptParser, WholeScriptStopsAtTheFirstBadLineAndKeepsNothing) {
    const ScriptParseResult result = parseScript(QStringLiteral("wait 10\nclick a\nwiat 5\nbogus\n"));
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.errorLine, 3);
    EXPECT_EQ(result.error, QStringLiteral("unknown command 'wiat'"));
    EXPECT_TRUE(result.commands.isEmpty());
}

TEST(ScriptParser, ShippedScriptsParse) {
    const QDir folder(QStringLiteral(DRAVIK_SOURCE_DIR "/data/scripts"));
    const QStringList files = folder.entryList({QStringLiteral("*.txt")}, QDir::Files);
    EXPECT_TRUE(files.contains(QStringLiteral("demo.txt")));
    for (const QString& name : files) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const ScriptParseResult result = parseScript(QString::fromUtf8(file.readAll()));
        EXPECT_TRUE(result.ok()) << name.toStdString() << " line " << result.errorLine << ": "
                                 << result.error.toStdString();
    }
}

}  // namespace
}  // namespace dravik
