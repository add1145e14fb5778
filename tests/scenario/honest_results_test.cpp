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

// A memory-read answer without data, for another address, or for the right address with a data
// byte too many is logged, handled as the request's time-out and never used: the set ends before
// anything is written.
TEST_F(HonestResultsTest, WrongMemoryAnswersAreNeverUsed) {
    const WrongAnswerCase cases[] = {
        {"NoData", [](sim::Faults& f) { f.truncateNext = 1; }},
        {"OtherAddress", [](sim::Faults& f) { f.misaddressNext = 1; }},
        {"RightAddressWrongLength", [](sim::Faults& f) { f.lengthenNext = 1; }},
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
        EXPECT_TRUE(rig->log().contains("No answer to MEMORY_WRITE_read: operation stopped\r\n"));
        EXPECT_EQ(rig->progress.text, "Process failed: no answer to MEMORY_WRITE_read");
        EXPECT_EQ(framesWithCode(kDestProduct, kWriteCode), 0);
        EXPECT_EQ(memory(0x10), 0xF1);
        EXPECT_EQ(listColour(kRowSiren), QColor(Qt::red));
    }
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

// An action that changes bits of a byte a list row also shows: that row is black afterwards only
// with the value the product now holds, and stays red when its read-back is lost.
TEST_F(HonestResultsTest, AnActionOnAListRowsByteLeavesThatRowTrue) {
    for (const bool readBackLost : {false, true}) {
        SCOPED_TRACE(readBackLost ? "read-back lost" : "read back");
        sim::BenchConfig bench = standardBenchConfig();
        bench.product.memory[0x10] = 0x02;  // siren "Chirp only"
        // "Clear remote controls" moved onto the siren's bits: it sets them to 01, "On".
        ASSERT_TRUE(
            connect(false, bench, "UPDATE Parameters_Addr SET Address = 16, Mask = 3 WHERE Location_key = 7"));
        ASSERT_EQ(panel().row(kRowSiren).combo->currentText(), "Chirp only");
        ops().FunctionButton_Click(kRowClear);
        if (readBackLost) {
            ASSERT_TRUE(rig->runFor(10000, [&] { return framesWithCode(kDestProduct, kWriteCode) > 0; }));
            faults([](sim::Faults& f) { f.dropNext = 1; });  // the answer to the siren's read
        }
        ASSERT_TRUE(rest());
        EXPECT_EQ(memory(0x10), 0x01);
        if (readBackLost) {
            EXPECT_EQ(listColour(kRowSiren), QColor(Qt::red));
        } else {
            EXPECT_EQ(panel().row(kRowSiren).combo->currentText(), "On");
            EXPECT_EQ(listColour(kRowSiren), QColor(Qt::black));
        }
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
