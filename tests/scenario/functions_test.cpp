#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

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

    void connect(const sim::BenchConfig& bench = standardBench()) {
        rig = std::make_unique<ScenarioRig>(bench, false);
        ASSERT_TRUE(rig->installSampleDatabase());
        for (const std::string& sql : setupSql) execSql(sql);
        functions().setContainer(&container);
        functions().setParameterButtons([this](bool enabled) { parameterButtons = enabled; });
        ASSERT_TRUE(rig->connectProduct());
        mark();
    }
    void execSql(const std::string& sql) {
        const QString path =
            QDir(rig->dataDir.path()).filePath(QString::fromLatin1(kProductDatabaseFileName));
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        sqlite3_close(db);
    }
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
    EXPECT_EQ(textColour(kCode), QColor(Qt::black));
    ASSERT_TRUE(rest());
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
    EXPECT_NE(textColour(kSerial), QColor(Qt::red));
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

TEST_F(FunctionsTest, DefaultSettingsRestoreTheProductWithoutReadingIt) {
    sim::BenchConfig bench = standardBench();
    bench.product.defaults[0x10] = 0x02;
    connect(bench);
    ops().DefaultParameters_fnc();
    ASSERT_TRUE(rest());
    EXPECT_EQ(memory(0x10), 0x02);
    EXPECT_EQ(productFrames(0x0F).size(), 1u);
    EXPECT_TRUE(productFrames(kReadCode).empty());
    EXPECT_TRUE(rig->log().contains("AutoConn: EnterFunc_sta = 2 EnterFunc_WAITING \r\n"));
}

TEST_F(FunctionsTest, AListValueLongerThanFourBytesIsShownUnusableAndNeverRead) {
    setupSql = {"UPDATE Parameters_Addr SET Length = 5 WHERE Location_key = 9;"};
    connect();
    ASSERT_EQ(panel().rowCount(), kRows);
    EXPECT_EQ(text(kLocking)->text(), "Not available");
    EXPECT_FALSE(combo(kLocking)->isVisibleTo(&container));
    EXPECT_TRUE(rig->log().contains("Function \"Central locking\" is not used: value length 5 bytes"));
    mark();
    ops().button_ReadParameters_Click();
    ASSERT_TRUE(rest());
    for (const auto& data : productFrames(kReadCode)) EXPECT_NE(data.at(0), 0x1C);
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

}  // namespace
