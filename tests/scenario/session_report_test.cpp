#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include "support/ScenarioRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

using State = ReportContent::Row::State;

// Rows of the sample product with identification 37: the siren list at 0x10 is row 0.
constexpr int kSiren = 0;
constexpr int kSirenAddress = 0x10;
constexpr std::uint8_t kWriteCode = 0x02;
const QString kOnToOff = QStringLiteral("01 - Siren: On \u2192 Off");

sim::BenchConfig standardBench() {
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/standard.json", error);
    EXPECT_TRUE(bench) << error;
    return bench ? *bench : sim::BenchConfig{};
}

struct SessionReportTest : ::testing::Test {
    std::unique_ptr<ScenarioRig> rig;
    QWidget container;
    QWidget moduleContainer;

    void connect(const sim::BenchConfig& bench = standardBench()) {
        rig = std::make_unique<ScenarioRig>(bench, false);
        ASSERT_TRUE(rig->installSampleDatabase());
        rig->controller->functions().setContainer(&container);
        ASSERT_TRUE(rig->connectProduct());
    }
    ProductPanel& panel() { return rig->controller->functions().panel(); }
    void chooseSirenOff() {
        QComboBox* combo = panel().row(kSiren).combo;
        const int off = combo->findText(QStringLiteral("Off"));
        ASSERT_GE(off, 0);
        combo->setCurrentIndex(off);
        emit combo->activated(off);
    }
    void set() {
        rig->controller->panelOperations().button_SetParameters_Click();
        ASSERT_TRUE(rig->rest());
    }
    ReportContent content() {
        return rig->controller->reportContent(QStringLiteral("Dravik  10.0.0"));
    }
};

// A report with nothing done still shows what was found, and every row as read.
TEST_F(SessionReportTest, NothingDoneShowsWhatWasFound) {
    connect();
    const ReportContent c = content();
    EXPECT_EQ(c.title, QStringLiteral("TAVIRON A37"));
    EXPECT_EQ(c.product[1].second, QStringLiteral("37"));
    EXPECT_EQ(c.adapter[0].second, QStringLiteral("12"));
    EXPECT_EQ(c.adapter[1].second, QStringLiteral("3.4"));
    EXPECT_TRUE(c.module.empty());
    ASSERT_EQ(c.rows.size(), static_cast<std::size_t>(panel().rowCount()));
    EXPECT_EQ(c.rows[kSiren].atConnection, QStringLiteral("On"));
    for (const ReportContent::Row& r : c.rows) {
        EXPECT_EQ(r.now, r.atConnection) << r.name.toStdString();
        EXPECT_EQ(r.state, State::Unchanged) << r.name.toStdString();
    }
    EXPECT_TRUE(c.operations.empty());
}

// What the row shows and what the operation says, by what the product did with the write.
TEST_F(SessionReportTest, AWriteIsConfirmedOnlyByItsReadBack) {
    struct Case {
        const char* name;
        int keepsAddress;
        State state;
        bool ok;
        QString detail;
    };
    const std::vector<Case> cases = {
        {"kept", -1, State::Confirmed, true, kOnToOff + QStringLiteral(", confirmed by read-back")},
        // The read-back shows what the product holds: the row is unchanged, the write failed.
        {"ignored", kSirenAddress, State::Unchanged, false,
         kOnToOff + QStringLiteral(", NOT confirmed: the product holds On")},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        sim::BenchConfig bench = standardBench();
        bench.product.keepsAddress = k.keepsAddress;
        connect(bench);
        chooseSirenOff();
        // Chosen and not yet written: red, not confirmed.
        EXPECT_EQ(content().rows[kSiren].state, State::Unconfirmed);
        set();
        const ReportContent c = content();
        EXPECT_EQ(c.rows[kSiren].atConnection, QStringLiteral("On"));
        EXPECT_EQ(c.rows[kSiren].state, k.state);
        ASSERT_EQ(c.operations.size(), 1u);
        EXPECT_EQ(c.operations[0].name, QStringLiteral("Parameters written"));
        EXPECT_EQ(c.operations[0].ok, k.ok);
        EXPECT_EQ(c.operations[0].detail, k.detail);
    }
}

// A text row written with its own button is confirmed only when the product holds the bytes
// written; otherwise its box stays red and the report says "NOT confirmed" for the row and the
// operation.
TEST_F(SessionReportTest, ATextRowIsConfirmedOnlyByItsReadBack) {
    constexpr int kCode = 3;  // the entry code, one digit per byte from 0x20
    struct Case {
        const char* name;
        int keepsAddress;
        State state;
        bool ok;
        QString now;
        QString detail;
    };
    const std::vector<Case> cases = {
        {"kept", -1, State::Confirmed, true, QStringLiteral("5678"),
         QStringLiteral("04 - Entry code: 5678, confirmed by read-back")},
        {"third digit ignored", 0x22, State::Unconfirmed, false, QStringLiteral("5638"),
         QStringLiteral("04 - Entry code: 5638, NOT confirmed")},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        sim::BenchConfig bench = standardBench();
        bench.product.keepsAddress = k.keepsAddress;
        connect(bench);
        panel().row(kCode).text->setText(QStringLiteral("5678"));
        rig->controller->panelOperations().FunctionButton_Click(kCode);
        ASSERT_TRUE(rig->rest());
        const ReportContent c = content();
        EXPECT_EQ(c.rows[kCode].atConnection, QStringLiteral("1234"));
        EXPECT_EQ(c.rows[kCode].now, k.now);
        EXPECT_EQ(c.rows[kCode].state, k.state);
        ASSERT_EQ(c.operations.size(), 1u);
        EXPECT_EQ(c.operations[0].name, QStringLiteral("Function written"));
        EXPECT_EQ(c.operations[0].ok, k.ok);
        EXPECT_EQ(c.operations[0].detail, k.detail);
    }
}

// A product that stops answering during the write: the failure in words, the row unconfirmed.
TEST_F(SessionReportTest, AFailedWriteIsToldInWords) {
    connect();
    chooseSirenOff();
    // The identification of the operation is answered, every memory write is not.
    rig->lib->withBench([](sim::Bench& b) { b.config().faults.dropCommand = {{kWriteCode, 0, 50}}; });
    set();
    const ReportContent c = content();
    ASSERT_EQ(c.operations.size(), 1u);
    EXPECT_FALSE(c.operations[0].ok);
    EXPECT_TRUE(c.operations[0].detail.startsWith(QStringLiteral("the product stopped answering")))
        << c.operations[0].detail.toStdString();
    EXPECT_TRUE(c.operations[0].detail.contains(kOnToOff + QStringLiteral(", NOT confirmed")));
    EXPECT_FALSE(c.operations[0].detail.contains(QStringLiteral("MEMORY")));
    EXPECT_EQ(c.rows[kSiren].state, State::Unconfirmed);
}

// A write stopped half-way is in the report as not finished, with what it had sent.
TEST_F(SessionReportTest, AWriteStoppedHalfWayIsNotFinished) {
    connect();
    chooseSirenOff();
    rig->controller->panelOperations().button_SetParameters_Click();
    ASSERT_TRUE(rig->runFor(10000, [&] { return rig->log().contains("TX command: MEMORY_WRITE_write"); }));
    rig->controller->handler().StopProcess();
    ASSERT_TRUE(rig->rest());
    const ReportContent c = content();
    ASSERT_EQ(c.operations.size(), 1u);
    EXPECT_EQ(c.operations[0].name, QStringLiteral("Parameters written"));
    EXPECT_FALSE(c.operations[0].ok);
    EXPECT_EQ(c.operations[0].detail, QStringLiteral("stopped before its end\n") + kOnToOff + QStringLiteral(", NOT confirmed"));
    // Recorded once: the next report does not add it again.
    EXPECT_EQ(content().operations.size(), 1u);
}

// "Power off" empties the panel; the report keeps the rows as the write left them.
TEST_F(SessionReportTest, PowerOffKeepsTheRowsOfTheSession) {
    connect();
    chooseSirenOff();
    set();
    rig->controller->product().closeToolStripMenuItem_Click();
    ASSERT_TRUE(rig->rest());
    // The window's clearForm deletes the panel's controls.
    qDeleteAll(container.findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
    ASSERT_EQ(panel().rowCount(), 0);
    const ReportContent c = content();
    ASSERT_FALSE(c.rows.empty());
    EXPECT_EQ(c.rows[kSiren].atConnection, QStringLiteral("On"));
    EXPECT_EQ(c.rows[kSiren].now, QStringLiteral("Off"));
    EXPECT_EQ(c.rows[kSiren].state, State::Confirmed);
}

// The same product identified again (a language change, a reboot) keeps its session; another
// product starts a new one.
TEST_F(SessionReportTest, AnotherProductStartsANewSession) {
    connect();
    chooseSirenOff();
    set();
    rig->controller->autoConn().RebootConnectProduct();
    ASSERT_TRUE(rig->rest());
    ReportContent c = content();
    EXPECT_EQ(c.operations.size(), 1u);
    EXPECT_EQ(c.rows[kSiren].atConnection, QStringLiteral("On"));
    EXPECT_EQ(c.rows[kSiren].now, QStringLiteral("Off"));

    rig->lib->withBench([](sim::Bench& b) { b.config().product.identification = {0, 12, 1, 0}; });
    rig->controller->autoConn().RebootConnectProduct();
    ASSERT_TRUE(rig->rest());
    c = content();
    EXPECT_EQ(c.title, QStringLiteral("TAVIRON 12"));
    EXPECT_TRUE(c.operations.empty());
    for (const ReportContent::Row& r : c.rows) EXPECT_EQ(r.state, State::Unchanged) << r.name.toStdString();
}

}  // namespace
