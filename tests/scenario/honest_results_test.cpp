// What the user is shown after faults: a failure is visible and named, a row is black only when
// the product holds what it shows, and a wrong answer is never used.

#include <gtest/gtest.h>

#include "support/PanelRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

constexpr std::uint8_t kReadCode = 0x01;
constexpr std::uint8_t kWriteCode = 0x02;

struct HonestResultsTest : ::testing::Test, PanelRig {
    // Runs until the operation's identification went out: its answer is queued, so a fault set
    // now hits the operation's next answer.
    bool untilIdentificationSent() {
        return rig->runFor(10000, [&] { return framesWithCode(kDestProduct, 0x00) > 0; });
    }
};

struct WrongAnswerCase {
    const char* name;
    std::function<void(sim::Faults&)> fault;
};

// A memory-read answer without its data byte or for another address is logged, never used, and
// ends the operation as an answer not understood (not as a silent product): the set ends before
// anything is written.
TEST_F(HonestResultsTest, WrongMemoryAnswersAreNeverUsed) {
    const WrongAnswerCase cases[] = {
        {"NoData", [](sim::Faults& f) { f.truncateNext = 1; }},
        {"OtherAddress", [](sim::Faults& f) { f.misaddressNext = 1; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim::BenchConfig bench = standardBenchConfig();
        bench.product.memory[0x10] = 0xF1;  // bits outside the siren's and mode's masks set
        ASSERT_TRUE(connect(false, bench));
        chooseOther(kRowSiren);
        ops().button_SetParameters_Click();
        ASSERT_TRUE(untilIdentificationSent());
        faults(c.fault);
        ASSERT_TRUE(rest());
        EXPECT_TRUE(rig->log().contains("Rx: WRONG ANSWER. Data: "));
        EXPECT_TRUE(rig->log().contains("Answer to MEMORY_WRITE_read not understood: operation stopped\r\n"));
        EXPECT_FALSE(rig->log().contains("No answer to MEMORY_WRITE_read"));
        EXPECT_EQ(rig->progress.text, "Process failed: answer to MEMORY_WRITE_read not understood");
        EXPECT_EQ(framesWithCode(kDestProduct, kWriteCode), 0);
        EXPECT_EQ(memory(0x10), 0xF1);
        EXPECT_EQ(listColour(kRowSiren), QColor(Qt::red));
    }
}

// Memory answers longer than address and byte are taken: only bytes 9 and 10 are known, the
// address echo is checked and the rest is not looked at. A set with every answer one byte longer
// writes, reads back and ends well.
TEST_F(HonestResultsTest, LongerMemoryAnswersAreUsed) {
    ASSERT_TRUE(connect(false));
    chooseOther(kRowSiren);
    const QString chosen = panel().row(kRowSiren).combo->currentText();
    faults([](sim::Faults& f) { f.lengthenNext = 1000; });
    ops().button_SetParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_FALSE(rig->log().contains("WRONG ANSWER"));
    EXPECT_EQ(rig->progress.text, "Process terminated");
    EXPECT_EQ(framesWithCode(kDestProduct, kWriteCode), 1);
    EXPECT_EQ(panel().row(kRowSiren).combo->currentText(), chosen);
    EXPECT_EQ(listColour(kRowSiren), QColor(Qt::black));
}

// A text row turns black only when the bytes read back are the ones written: a product that
// answers a write but keeps one of the bytes leaves the row red.
TEST_F(HonestResultsTest, ATextRowWhoseReadBackDiffersStaysRed) {
    sim::BenchConfig bench = standardBenchConfig();
    bench.product.keepsAddress = 0x22;  // the third digit of the entry code
    ASSERT_TRUE(connect(false, bench));
    const std::uint8_t kept = memory(0x22);
    type(kRowCode, kept == 7 ? "5688" : "5678");
    ops().FunctionButton_Click(kRowCode);
    ASSERT_TRUE(rest());
    EXPECT_EQ(memory(0x22), kept);
    EXPECT_EQ(textColour(kRowCode), QColor(Qt::red)) << rig->log().toStdString();
}

// A single write whose answer never comes leaves its row red and says which request failed.
TEST_F(HonestResultsTest, LostWriteLeavesTheRowRedWithTheReason) {
    ASSERT_TRUE(connect(false));
    type(kRowCode, "5678");
    ops().FunctionButton_Click(kRowCode);
    ASSERT_TRUE(untilIdentificationSent());
    faults([](sim::Faults& f) { f.dropNext = 1; });
    ASSERT_TRUE(rest());
    EXPECT_EQ(textColour(kRowCode), QColor(Qt::red));
    EXPECT_EQ(rig->progress.text, "Process failed: no answer to MEMORY_WRITE_2");
    EXPECT_TRUE(rig->log().contains("No answer to MEMORY_WRITE_2: operation stopped\r\n"));
    EXPECT_NE(rig->progress.text, "Process terminated");
}

// A product that answers too late for every memory command: the read ends at once, visibly.
TEST_F(HonestResultsTest, SlowProductEndsTheReadVisibly) {
    ASSERT_TRUE(connect(false));
    faults([](sim::Faults& f) { f.extraDelayUs = 950000; });
    ops().button_ReadParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_TRUE(rig->progress.text.startsWith("Process failed: no answer to ")) << rig->progress.text.toStdString();
    EXPECT_TRUE(rig->log().contains(": operation stopped\r\n"));
}

// A text row the user edited is not silently replaced by the read-back of a set that does not
// write text rows.
TEST_F(HonestResultsTest, SetKeepsAnEditedTextRowRedAndSaysWhy) {
    ASSERT_TRUE(connect(false));
    type(kRowCode, "5678");
    chooseOther(kRowSiren);
    ops().button_SetParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(panel().text(kRowCode), "5678");
    EXPECT_EQ(textColour(kRowCode), QColor(Qt::red));
    EXPECT_TRUE(rig->log().contains("not written: text rows are set with their own button"));
    EXPECT_EQ(rig->progress.text, "Process terminated: text rows are set with their own button");
    EXPECT_EQ(listColour(kRowSiren), QColor(Qt::black));
    EXPECT_EQ(framesWithCode(kDestProduct, kWriteCode), 1);
}

// An action that changes bits of a byte a list row also shows, at the row's first byte or at a
// later byte of a longer row: that row is black afterwards only with the value the product now
// holds, and stays red when its read-back is lost.
TEST_F(HonestResultsTest, AnActionOnAListRowsByteLeavesThatRowTrue) {
    const struct {
        const char* name;
        const char* change;  // "Clear remote controls" moved onto the row's byte: it sets 01 there
        int row;
        int address;
        const char* before;
        const char* after;
    } cases[] = {
        {"first byte of the siren",
         "UPDATE Parameters_Addr SET Address = 16, Mask = 3 WHERE Location_key = 7", kRowSiren, 0x10,
         "Chirp only", "On"},
        // Central locking: two bytes from 0x1C, its bits 0x0300 in the second.
        {"second byte of the central locking",
         "UPDATE Parameters_Addr SET Address = 29, Mask = 3 WHERE Location_key = 7", kRowLocking, 0x1D,
         "Continuous", "Pulse"},
    };
    for (const auto& c : cases) {
        for (const bool readBackLost : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (readBackLost ? ", read-back lost" : ", read back"));
            sim::BenchConfig bench = standardBenchConfig();
            bench.product.memory[c.address] = 0x02;
            ASSERT_TRUE(connect(false, bench, c.change));
            ASSERT_EQ(panel().row(c.row).combo->currentText(), c.before);
            ops().FunctionButton_Click(kRowClear);
            if (readBackLost) {
                ASSERT_TRUE(rig->runFor(10000, [&] { return framesWithCode(kDestProduct, kWriteCode) > 0; }));
                faults([](sim::Faults& f) { f.dropNext = 1; });  // the answer to the first read after it
            }
            ASSERT_TRUE(rest());
            EXPECT_EQ(memory(c.address), 0x01);
            if (readBackLost) {
                EXPECT_EQ(listColour(c.row), QColor(Qt::red));
            } else {
                EXPECT_EQ(panel().row(c.row).combo->currentText(), c.after);
                EXPECT_EQ(listColour(c.row), QColor(Qt::black));
            }
        }
    }
}

// A list value that matches no item shows "Unexpected value!" whatever the row showed before the
// pass: after an action, whose read pass keeps the rows as they were, and after a choice the user
// did not write. A read that stops before a row leaves no earlier choice shown on it.
TEST_F(HonestResultsTest, AValueMatchingNoItemIsUnexpectedWhateverTheRowShowedBefore) {
    {
        SCOPED_TRACE("after an action");
        sim::BenchConfig bench = standardBenchConfig();
        bench.product.memory[0x10] = 0x02;  // siren "Chirp only"
        // "Clear remote controls" moved onto the siren's bits: it sets them to 11, no item.
        ASSERT_TRUE(connect(false, bench,
                            "UPDATE Parameters_Addr SET Address = 16, Mask = 3 WHERE Location_key = 7;"
                            "UPDATE Parameter_Value SET Value = 3 WHERE FunctionParameter_ID = 1007"));
        ASSERT_EQ(panel().row(kRowSiren).combo->currentText(), "Chirp only");
        ops().FunctionButton_Click(kRowClear);
        ASSERT_TRUE(rest());
        EXPECT_EQ(memory(0x10), 0x03);
        EXPECT_EQ(panel().row(kRowSiren).combo->currentIndex(), -1);
        EXPECT_EQ(panel().row(kRowSiren).combo->placeholderText(), "Unexpected value!");
    }
    {
        SCOPED_TRACE("after a choice");
        sim::BenchConfig bench = standardBenchConfig();
        bench.product.memory[0x10] = 0x03;
        ASSERT_TRUE(connect(false, bench));
        choose(kRowSiren, 1);
        ops().button_ReadParameters_Click();
        ASSERT_TRUE(rest());
        EXPECT_EQ(panel().row(kRowSiren).combo->currentIndex(), -1);
        EXPECT_EQ(panel().row(kRowSiren).combo->placeholderText(), "Unexpected value!");

        choose(kRowSiren, 1);
        mark();
        ops().button_ReadParameters_Click();
        ASSERT_TRUE(untilIdentificationSent());
        faults([](sim::Faults& f) { f.dropNext = 1; });  // the siren's read
        ASSERT_TRUE(rest());
        EXPECT_TRUE(rig->progress.text.startsWith("Process failed")) << rig->progress.text.toStdString();
        EXPECT_EQ(panel().row(kRowSiren).combo->currentIndex(), -1) << rig->log().right(3000).toStdString();
    }
}

// Without a product, "Set" and "Read" say so and start nothing.
TEST_F(HonestResultsTest, OperationsWithoutAProductAreRefused) {
    ASSERT_TRUE(connect(false));
    rig->controller->product().closeToolStripMenuItem_Click();
    ASSERT_TRUE(rest());
    EXPECT_FALSE(rig->view.readSetAll);
    for (auto start : {&PanelOperations::button_ReadParameters_Click, &PanelOperations::button_SetParameters_Click,
                       &PanelOperations::buttonSetAll_Click}) {
        mark();
        (ops().*start)();
        EXPECT_EQ(rig->progress.text, "No product connected.");
        EXPECT_TRUE(resting());
        rig->runFor(2000);
        EXPECT_EQ(framesWithCode(kDestProduct, kReadCode) + framesWithCode(kDestProduct, 0x00), 0);
    }
}

}  // namespace
