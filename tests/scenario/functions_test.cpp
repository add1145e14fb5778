#include <gtest/gtest.h>

#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>

#include "support/ScenarioRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

constexpr std::uint8_t kReadCode = 0x01;
constexpr std::uint8_t kWriteCode = 0x02;

// Rows of the sample product with identification 37, in screen order.
enum Row { kSiren, kMode, kDelay, kCode, kSerial, kDuration, kClear, kLocking, kRows };

sim::BenchConfig standardBench() {
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/standard.json", error);
    EXPECT_TRUE(bench) << error;
    return bench ? *bench : sim::BenchConfig{};
}

struct FunctionsTest : ::testing::Test {
    std::unique_ptr<ScenarioRig> rig;
    QWidget container;
    bool parameterButtons = false;
    std::size_t framesBefore = 0;
    std::size_t writesBefore = 0;
    std::vector<std::string> setupSql;  // run on the sample database before connecting
    std::function<void()> beforeConnect;

    void connect(const sim::BenchConfig& bench = standardBench()) {
        rig = std::make_unique<ScenarioRig>(bench, false);
        ASSERT_TRUE(rig->installSampleDatabase());
        for (const std::string& sql : setupSql) execSql(sql);
        functions().setContainer(&container);
        functions().setParameterButtons([this](bool enabled) { parameterButtons = enabled; });
        if (beforeConnect) beforeConnect();
        ASSERT_TRUE(rig->connectProduct());
        mark();
    }
    void execSql(const std::string& sql) { EXPECT_TRUE(rig->changeDatabase(sql.c_str())) << sql; }
    Session& s() { return rig->s(); }
    EnterFunctions& functions() { return rig->controller->functions(); }
    PanelOperations& ops() { return rig->controller->panelOperations(); }
    ProductPanel& panel() { return functions().panel(); }
    bool rest(int ms = 60000) { return rig->rest(ms); }
    void mark() {
        framesBefore = rig->frames().size();
        rig->lib->withBench([&](sim::Bench& b) { writesBefore = b.productWrites().size(); });
    }
    // Product frames since mark(): memory reads and writes with their data bytes.
    std::vector<std::vector<std::uint8_t>> productFrames(std::uint8_t code) {
        std::vector<std::vector<std::uint8_t>> out;
        const auto frames = rig->frames();
        for (std::size_t i = framesBefore; i < frames.size(); ++i) {
            const auto& f = frames[i].frame;
            if (f.size() > 5 && f[1] == kDestProduct && f[4] == code)
                out.emplace_back(f.begin() + 5, f.end() - 1);
        }
        return out;
    }
    std::vector<std::pair<std::uint8_t, std::uint8_t>> writes() {
        std::vector<std::pair<std::uint8_t, std::uint8_t>> out;
        rig->lib->withBench([&](sim::Bench& b) {
            const auto& all = b.productWrites();
            out.assign(all.begin() + static_cast<std::ptrdiff_t>(writesBefore), all.end());
        });
        return out;
    }
    std::uint8_t memory(int address) {
        std::uint8_t v = 0;
        rig->lib->withBench([&](sim::Bench& b) { v = b.productMemory()[static_cast<std::size_t>(address)]; });
        return v;
    }
    QComboBox* combo(int row) { return panel().row(row).combo; }
    QLineEdit* text(int row) { return panel().row(row).text; }
    // What the user does: pick an item, type a text, press a row's button.
    void choose(int row, int item) {
        combo(row)->setCurrentIndex(item);
        emit combo(row)->activated(item);
    }
    void pressRowButton(int row) { panel().row(row).button->click(); }
    QColor listColour(int row) { return combo(row)->palette().color(QPalette::Text); }
    QColor textColour(int row) { return text(row)->palette().color(QPalette::Text); }
};

TEST_F(FunctionsTest, ConnectingBuildsThePanelAndReadsEveryKind) {
    connect();
    ASSERT_EQ(panel().rowCount(), kRows);
    const QStringList labels{"01 - Siren",
                             "02 - Operating mode",
                             "03 - Arming delay",
                             "04 - Entry code",
                             "05 - Serial number",
                             "06 - Alarm duration (s)",
                             "07 - Clear remote controls",
                             "30 - Central locking"};
    for (int r = 0; r < kRows; ++r) {
        QLabel* label = container.findChild<QLabel*>(QStringLiteral("label_Function_%1").arg(r + 1));
        ASSERT_NE(label, nullptr) << r;
        EXPECT_EQ(label->text(), labels[r]);
        EXPECT_EQ(label->geometry(), QRect(20, 20 + 25 * r, 254, 21));
        EXPECT_EQ(label->font().family(), "Arial");
        EXPECT_TRUE(label->font().bold());
        EXPECT_NE(container.findChild<QComboBox*>(QStringLiteral("comboBox_Function_%1").arg(r + 1)),
                  nullptr);
    }
    EXPECT_EQ(panel().row(kSiren).label->toolTip(), "Siren sound when the alarm goes off");
    EXPECT_EQ(combo(kSiren)->currentText(), "On");
    EXPECT_EQ(combo(kMode)->currentText(), "Standard");
    EXPECT_EQ(combo(kDelay)->currentText(), "0");
    EXPECT_EQ(combo(kLocking)->currentText(), "Off");
    EXPECT_EQ(text(kCode)->text(), "1234");
    EXPECT_EQ(text(kSerial)->text(), "1ba");    // 0x0A at 0x16, 0x1B at 0x17
    EXPECT_EQ(text(kDuration)->text(), "300");  // 0x01 at 0x24, 0x2C at 0x25
    // What each kind shows.
    EXPECT_FALSE(combo(kCode)->isVisibleTo(&container));
    EXPECT_TRUE(text(kCode)->isVisibleTo(&container));
    EXPECT_TRUE(panel().row(kClear).button->isVisibleTo(&container));
    EXPECT_FALSE(text(kClear)->isVisibleTo(&container));
    EXPECT_FALSE(panel().row(kSiren).button->isVisibleTo(&container));

    EXPECT_TRUE(parameterButtons);
    EXPECT_TRUE(writes().empty());
    EXPECT_EQ(rig->progress.text, "Process terminated");
    EXPECT_EQ(s().machines.EnterFunctions_state, EnterFunc_WAITING);
}

TEST_F(FunctionsTest, TwoListsSharingAByteKeepEachOthersBitsAndTheBitsOutsideBoth) {
    sim::BenchConfig bench = standardBench();
    bench.product.memory[0x10] = 0xF1;  // siren On, mode Standard, upper bits owned by nobody
    connect(bench);
    choose(kSiren, 2);  // Chirp only: 2 under mask 0x03
    choose(kMode, 2);   // Parking: 0x08 under mask 0x0C
    EXPECT_EQ(listColour(kSiren), QColor(Qt::red));
    ops().button_SetParameters_Click();
    ASSERT_TRUE(rest());
    // The second write reads the byte again just before, so it keeps the siren's new bits.
    using W = std::pair<std::uint8_t, std::uint8_t>;
    EXPECT_EQ(writes(), (std::vector<W>{{0x10, 0xF2}, {0x10, 0xFA}}));
    EXPECT_EQ(memory(0x10), 0xFA);
    EXPECT_EQ(combo(kSiren)->currentText(), "Chirp only");
    EXPECT_EQ(combo(kMode)->currentText(), "Parking");
    EXPECT_EQ(listColour(kSiren), QColor(Qt::black));
}

TEST_F(FunctionsTest, SetWithNothingChangedSendsNoWrite) {
    connect();
    ops().button_SetParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_TRUE(productFrames(kWriteCode).empty());
    EXPECT_FALSE(productFrames(kReadCode).empty());  // pre-reads and the read-back
    EXPECT_TRUE(writes().empty());
}

TEST_F(FunctionsTest, TheLaterOfTwoMatchingItemsIsSelected) {
    setupSql = {"INSERT INTO Parameter_Value VALUES ('On again', 'On', 'On', 1001, 1);"};
    connect();
    EXPECT_EQ(combo(kSiren)->currentText(), "On again");
}

TEST_F(FunctionsTest, AValueMatchingNoItemShowsUnexpectedAndIsNotWritten) {
    sim::BenchConfig bench = standardBench();
    bench.product.memory[0x10] = 0x03;  // siren bits 3: no item
    connect(bench);
    EXPECT_EQ(combo(kSiren)->currentIndex(), -1);
    EXPECT_EQ(combo(kSiren)->placeholderText(), "Unexpected value!");

    // A read that finds an unexpected value again does not leave an earlier choice in place.
    choose(kSiren, 1);
    ops().button_ReadParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(combo(kSiren)->currentIndex(), -1);
    mark();
    ops().button_SetParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_TRUE(writes().empty());
}

TEST_F(FunctionsTest, DigitCodeIsPaddedWithOnesAndActionSetsItsBitOnly) {
    sim::BenchConfig bench = standardBench();
    bench.product.memory[0x1A] = 0x10;
    connect(bench);
    text(kCode)->setText("25");
    EXPECT_EQ(textColour(kCode), QColor(Qt::red));
    pressRowButton(kCode);
    EXPECT_EQ(textColour(kCode), QColor(Qt::red));  // black only once read back equal
    ASSERT_TRUE(rest());
    EXPECT_EQ(textColour(kCode), QColor(Qt::black));
    using W = std::pair<std::uint8_t, std::uint8_t>;
    EXPECT_EQ(writes(), (std::vector<W>{{0x20, 1}, {0x21, 1}, {0x22, 2}, {0x23, 5}}));
    EXPECT_EQ(text(kCode)->text(), "1125");

    mark();
    pressRowButton(kClear);
    ASSERT_TRUE(rest());
    EXPECT_EQ(writes(), (std::vector<W>{{0x1A, 0x11}}));
}

TEST_F(FunctionsTest, TextsThatCannotBeWrittenAreRefusedBeforeAnythingIsSent) {
    connect();
    text(kSerial)->setText("12");  // two hexadecimal bytes need four digits
    pressRowButton(kSerial);
    ASSERT_TRUE(rest());
    ASSERT_EQ(rig->dialogs.shown.size(), 1u);
    EXPECT_EQ(rig->dialogs.shown[0].caption, "Set product parameter     ");
    EXPECT_TRUE(rig->frames().size() == framesBefore);
}

TEST_F(FunctionsTest, InputCheckCutsAtTheFirstNonDigitOnlyWhileResting) {
    connect();
    text(kCode)->setText("1203");  // maximum length 4: zeros become ones
    EXPECT_EQ(text(kCode)->text(), "1213");
    EXPECT_TRUE(rig->dialogs.shown.empty());

    text(kDuration)->setText("12a");  // maximum length 3
    EXPECT_EQ(text(kDuration)->text(), "12");
    ASSERT_EQ(rig->dialogs.shown.size(), 1u);
    EXPECT_EQ(rig->dialogs.shown[0].text, "Value must be contain only numbers ! ");
    EXPECT_EQ(rig->dialogs.shown[0].caption, "Set product parameter     ");
    EXPECT_EQ(textColour(kDuration), QColor(Qt::red));

    ops().button_ReadParameters_Click();
    rig->runFor(3000, [&] { return s().machines.EnterFunctions_state == EnterFunc_READ; });
    ASSERT_NE(s().machines.EnterFunctions_state, EnterFunc_WAITING);
    text(kSerial)->setText("9x");
    EXPECT_EQ(text(kSerial)->text(), "9x");
    EXPECT_EQ(rig->dialogs.shown.size(), 1u);
    EXPECT_EQ(textColour(kSerial), QColor(Qt::black));
}

TEST_F(FunctionsTest, AnotherProductAnsweringStopsTheOperation) {
    connect();
    rig->lib->withBench([](sim::Bench& b) { b.config().product.identification = {0, 12, 1, 0}; });
    choose(kSiren, 2);
    ops().button_SetParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_TRUE(productFrames(kReadCode).empty());
    EXPECT_TRUE(writes().empty());
    EXPECT_TRUE(rig->log().contains("Another product answers"));
}

// The panel is read again afterwards, so no row keeps showing an old value in black.
TEST_F(FunctionsTest, DefaultSettingsRestoreTheProductAndReadItAgain) {
    sim::BenchConfig bench = standardBench();
    bench.product.defaults[0x10] = 0x02;
    connect(bench);
    ops().DefaultParameters_fnc();
    ASSERT_TRUE(rest());
    EXPECT_EQ(memory(0x10), 0x02);
    EXPECT_EQ(productFrames(0x0F).size(), 1u);
    EXPECT_FALSE(productFrames(kReadCode).empty());
    EXPECT_EQ(rig->progress.text, "Process terminated");
    EXPECT_TRUE(rig->log().contains("AutoConn: EnterFunc_sta = 2 EnterFunc_WAITING \r\n"));
}

// A location the program cannot hold shows "Not available" with the reason as tool tip and a log
// line, and neither the stored address nor what it would wrap to is ever read.
TEST_F(FunctionsTest, AnUnusableListRowIsShownWithItsReasonAndNeverRead) {
    const struct {
        const char* change;
        const char* reason;
        int wrapped;  // where a value cut to 8 bits would have pointed
    } cases[] = {
        {"UPDATE Parameters_Addr SET Length = 5 WHERE Location_key = 9", "value length 5 bytes", 0x1C},
        {"UPDATE Parameters_Addr SET Length = 4294967298 WHERE Location_key = 9", "value length 4294967298", 0x1C},
        {"UPDATE Parameters_Addr SET Address = 511 WHERE Location_key = 9", "address 511 is outside 0 to 255", 0xFF},
        {"UPDATE Parameters_Addr SET Address = 255 WHERE Location_key = 9",
         "address 255 with length 2 passes the end of the 256-byte memory", 0xFF},
        {"UPDATE Parameter_Value SET Value = 1024 WHERE FunctionParameter_ID = 1009 AND Value = 512",
         "Parameter_Value row of parameter key 1009: value 0x400 has bits outside the mask 0x300", 0x1C},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        setupSql = {c.change};
        connect();
        ASSERT_EQ(panel().rowCount(), kRows);
        EXPECT_EQ(text(kLocking)->text(), "Not available");
        EXPECT_TRUE(text(kLocking)->toolTip().contains(QString::fromLatin1(c.reason)))
            << text(kLocking)->toolTip().toStdString();
        EXPECT_FALSE(combo(kLocking)->isVisibleTo(&container));
        EXPECT_TRUE(rig->log().contains(QStringLiteral("Function \"Central locking\" is not used: ")))
            << rig->log().toStdString();
        EXPECT_TRUE(rig->log().contains(QString::fromLatin1(c.reason)));
        mark();
        ops().button_ReadParameters_Click();
        ASSERT_TRUE(rest());
        for (const auto& data : productFrames(kReadCode)) {
            EXPECT_NE(data.at(0), 0x1C);
            EXPECT_NE(data.at(0), c.wrapped);
        }
    }
}

TEST_F(FunctionsTest, SetAllWithAModuleTypeThatTakesPartWritesItsProtocolAfterTheReadBack) {
    connect();
    int setProtocol = 0;
    functions().moduleHooks().SetProtocol_fnc = [&] { ++setProtocol; };
    s().module.Mod_SoftwareType = 0x10;
    choose(kSiren, 0);
    ops().buttonSetAll_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(setProtocol, 1);
    EXPECT_EQ(rig->controller->functionState().loadConfiguration_SelectedProtocol_flag, 0);

    // Without a module only the product is read; nothing is chained.
    s().module.Mod_SoftwareType = 0;
    ops().buttonReadAll_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(setProtocol, 1);
    EXPECT_EQ(rig->progress.text, "Process terminated");
}

// ---- The panel across passes ----

struct RowWidgets {
    QPointer<QLabel> label;
    QPointer<QComboBox> combo;
    QPointer<QPushButton> button;
    QPointer<QLineEdit> text;
    bool operator==(const RowWidgets&) const = default;
};

std::vector<RowWidgets> widgetsOf(ProductPanel& panel) {
    std::vector<RowWidgets> out;
    for (int r = 0; r < panel.rowCount(); ++r) {
        const ProductPanel::Row& row = panel.row(r);
        out.push_back({row.label, row.combo, row.button, row.text});
    }
    return out;
}

// A read pass refreshes the values in the controls built at connection: what the product holds now
// is shown in black, choices and texts the user did not write give way to the product's values
// (as on a panel built anew), and the unusable-row lines of the log come on every pass.
TEST_F(FunctionsTest, ReadPassRefreshesTheValuesInTheControlsBuiltAtConnection) {
    setupSql = {"UPDATE Parameters_Addr SET Address = 511 WHERE Location_key = 9"};
    connect();
    const std::vector<RowWidgets> built = widgetsOf(panel());
    ASSERT_EQ(built.size(), static_cast<std::size_t>(kRows));
    ASSERT_EQ(combo(kSiren)->currentText(), "On");

    rig->lib->withBench([](sim::Bench& b) {
        b.config().product.memory[0x10] = 0x02 | 0x08;  // siren "Chirp only", mode "Parking"
        b.config().product.memory[0x20] = 5;            // entry code 5234
    });
    choose(kDelay, 3);              // chosen, not written
    text(kSerial)->setText("abc");  // typed, not written
    ASSERT_EQ(listColour(kDelay), QColor(Qt::red));
    ASSERT_EQ(textColour(kSerial), QColor(Qt::red));

    ops().button_ReadParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(widgetsOf(panel()), built);
    const struct {
        int row;
        const char* shown;
    } lists[] = {{kSiren, "Chirp only"}, {kMode, "Parking"}, {kDelay, "0"}, {kLocking, ""}};
    for (const auto& l : lists) {
        SCOPED_TRACE(l.row);
        EXPECT_EQ(combo(l.row)->currentText(), l.shown);
        if (l.row != kLocking) EXPECT_EQ(listColour(l.row), QColor(Qt::black));
    }
    EXPECT_EQ(text(kCode)->text(), "5234");
    EXPECT_EQ(text(kSerial)->text(), "1ba");
    EXPECT_EQ(textColour(kSerial), QColor(Qt::black));
    EXPECT_EQ(text(kLocking)->text(), "Not available");
    EXPECT_EQ(rig->log().count(QStringLiteral("Function \"Central locking\" is not used: ")), 2);

    // A value that matches no item is shown as such, and a later pass that finds one shows it.
    rig->lib->withBench([](sim::Bench& b) { b.config().product.memory[0x10] = 0x03; });
    ops().button_ReadParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(combo(kSiren)->currentIndex(), -1);
    EXPECT_EQ(combo(kSiren)->placeholderText(), "Unexpected value!");
    rig->lib->withBench([](sim::Bench& b) { b.config().product.memory[0x10] = 0x01; });
    ops().button_ReadParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(combo(kSiren)->currentText(), "On");
    EXPECT_EQ(widgetsOf(panel()), built);

    // A set writes from the items the last pass read, not from those of the first.
    choose(kSiren, 2);
    mark();
    ops().button_SetParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(memory(0x10), 0x02);
    EXPECT_EQ(combo(kSiren)->currentText(), "Chirp only");
    EXPECT_EQ(listColour(kSiren), QColor(Qt::black));
}

// What the panel was built from changes: the next pass builds it again.
TEST_F(FunctionsTest, ChangedDatabaseOrLanguageBuildsThePanelAgain) {
    const struct {
        const char* name;
        std::function<void(FunctionsTest&)> change;
        const char* sirenLabel;
    } cases[] = {
        {"database",
         [](FunctionsTest& t) { t.execSql("UPDATE Fnc_Name SET Name_EN = 'Horn' WHERE FncName_ID = 1"); },
         "01 - Horn"},
        {"language", [](FunctionsTest& t) { t.s().connection.Language_type = 2; }, "01 - Sirena"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        connect();
        const std::vector<RowWidgets> built = widgetsOf(panel());
        c.change(*this);
        ops().button_ReadParameters_Click();
        ASSERT_TRUE(rest());
        EXPECT_EQ(panel().row(kSiren).label->text(), c.sirenLabel);
        EXPECT_TRUE(built[kSiren].label.isNull());
        EXPECT_EQ(combo(kSiren)->currentText(), c.name == std::string("language") ? "Accesa" : "On");
    }
}

// A panel of 255 rows is built a slice at a time, so that the window keeps answering, and read
// again without being built again.
TEST_F(FunctionsTest, LongPanelIsBuiltInSlicesAndNotBuiltAgainForARead) {
    constexpr int kExtra = 255 - kRows;
    setupSql = {
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kExtra) +
            ") INSERT INTO Programmer_Quillomark SELECT 1, 1, NULL, 1000 + i, 5000 + i FROM n",
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kExtra) +
            ") INSERT INTO Fnc_Name SELECT 'Extra ' || i, 'Extra ' || i, 1000 + i, 'Extra ' || i, NULL, "
            "NULL, "
            "NULL, NULL, '', '', '' FROM n",
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kExtra) +
            ") INSERT INTO Parameters_Addr SELECT 100 + i, 5000 + i, 0, 0, 0, 1, 0x03, 0x30 + i % 0xC0, "
            "NULL, 1, "
            "1001 FROM n",
    };
    // The panel's size seen at each machine step of the connection.
    std::vector<int> sizes;
    beforeConnect = [&] {
        static_cast<VirtualPump&>(rig->controller->pump()).stepDelayUs = [&] {
            sizes.push_back(panel().rowCount());
            return std::int64_t{0};
        };
    };
    connect();
    ASSERT_EQ(panel().rowCount(), 255);
    int largestStep = 0;
    for (std::size_t i = 1; i < sizes.size(); ++i)
        largestStep = std::max(largestStep, sizes[i] - sizes[i - 1]);
    EXPECT_GT(largestStep, 0);
    EXPECT_LE(largestStep, EnterFunctions::kRowsPerBuildStep);
    const char* const names[] = {"Off", "On", "Chirp only", ""};
    EXPECT_EQ(combo(254)->currentText(), names[memory(0x30 + kExtra % 0xC0) & 0x03]);

    const std::vector<RowWidgets> built = widgetsOf(panel());
    rig->lib->withBench([](sim::Bench& b) { b.config().product.memory[0x30 + 200 % 0xC0] = 0x02; });
    sizes.clear();
    ops().button_ReadParameters_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(widgetsOf(panel()), built);
    EXPECT_EQ(combo(kRows + 199)->currentText(), "Chirp only");
    for (int size : sizes) EXPECT_EQ(size, 255);
}

}  // namespace
