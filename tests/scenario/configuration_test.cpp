// Configuration backup files against the simulated product 63 with its module: the exact file of a
// save, open on a fresh panel, the compatibility rules, and files refused whole.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QWidget>
#include <deque>
#include <functional>
#include <utility>

#include "config/ConfigReader.h"
#include "config/ConfigurationFile.h"
#include "support/BackupRig.h"
#include "support/SmallTmpfs.h"
#include "support/ScenarioRig.h"
#include "support/SystemReasons.h"

using namespace dravik;
using namespace dravik::test;

namespace {

// Rows of the sample product 63, in screen order.
enum Row { kSiren, kDelay, kFlashes, kSerial, kRows };

// The module side: a protocol selection list of entries with their checks.
class FakeModulePort : public ConfigModulePort {
  public:
    ConfigModuleSelection currentSelection() override {
        ConfigModuleSelection s = selection;
        s.checked.clear();
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (checked[i]) s.checked.push_back(entries[i]);
        return s;
    }
    void clearProtocolChecks() override {
        ++clears;
        checked.assign(entries.size(), false);
    }
    void applyModuleParameters(const ConfigModuleToApply& values) override { applied.push_back(values); }
    void checkMatchingProtocols(std::uint8_t type, std::uint8_t version, std::uint8_t group) override {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const ConfigProtocolEntry& e = entries[i];
            if (e.Decode_type == type && e.Decode_version == version && e.Decode_group == group)
                checked[i] = true;
        }
    }
    void setEntries(std::vector<ConfigProtocolEntry> list) {
        entries = std::move(list);
        checked.assign(entries.size(), false);
    }
    ConfigModuleSelection selection;
    std::vector<ConfigProtocolEntry> entries;
    std::vector<bool> checked;
    std::vector<ConfigModuleToApply> applied;
    int clears = 0;
};

sim::BenchConfig product63(bool module = true) {
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/standard.json", error);
    EXPECT_TRUE(bench) << error;
    sim::BenchConfig b = bench ? *bench : sim::BenchConfig{};
    b.product.identification = {0, 63, 1, 0};
    b.product.hasModule = module;
    b.product.memory[0x20] = 1;  // siren On
    b.product.memory[0x21] = 2;  // arming delay 2
    b.product.memory[0x22] = 3;  // flashes 3
    return b;
}

struct ConfigurationTest : ::testing::Test {
    std::unique_ptr<ScenarioRig> rig;
    QWidget container;
    std::unique_ptr<FakeConfigView> view;
    FakeFiles files;
    FakeModulePort port;
    std::unique_ptr<ConfigurationFile> cfg;
    QTemporaryDir out;

    std::vector<ReportContent::Operation> reportedOperations() {
        return rig->controller->report()
            .content(panel(), rig->controller->module().panel(), QStringLiteral("Dravik"))
            .operations;
    }
    void connect(const sim::BenchConfig& bench = product63()) {
        rig = std::make_unique<ScenarioRig>(bench, false);
        ASSERT_TRUE(rig->installSampleDatabase());
        rig->controller->functions().setContainer(&container);
        ASSERT_TRUE(rig->connectProduct());
        view = std::make_unique<FakeConfigView>(panel(), container);
        cfg = std::make_unique<ConfigurationFile>(ConfigurationFile::Deps{
            s().product, s().module, panel(), rig->controller->panelOperations(), rig->logView, rig->progress,
            rig->dialogs, files, *view, [this] { return rig->dataDir.path(); },
            [this] { return rig->controller->handler().panelOperationRunning(); }, rig->controller->report()});
        cfg->setModulePort(&port);
        port.setEntries({{7, 1, 1, 2}, {7, 1, 5, 2}, {7, 2, 2, 2}, {9, 1, 3, 1}});
        port.selection.Decode_toSet = 7;
        port.selection.Decode_Version_toSet = 1;
        port.selection.Slot_toSet = 5;
        port.selection.ParA_toSet = 3;
        port.selection.ParB_C_toSet = 0x0101;
        port.selection.Mdl_Selected_MaxParameter_B_C = 0x0103;
        port.selection.FileProtocolPath = QStringLiteral("C:\\Tov_Dravik\\protocols\\cars & vans.txt");
        port.selection.password = QStringLiteral("123456");
    }
    Session& s() { return rig->s(); }
    ProductPanel& panel() { return rig->controller->functions().panel(); }
    bool rest() { return rig->rest(); }
    QComboBox* combo(int row) { return panel().row(row).combo; }
    void choose(int row, int item) {
        combo(row)->setCurrentIndex(item);
        emit combo(row)->activated(item);
    }
    QString path(const QString& name) { return QDir(out.path()).filePath(name); }
    QString save(const QString& name) {
        files.answers.push_back(path(name));
        cfg->SaveParameters();
        return path(name);
    }
    void open(const QString& file) {
        files.answers.push_back(file);
        cfg->button_LoadParameters_Click();
    }
    static QByteArray contents(const QString& file) {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& file, const QByteArray& bytes) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    int messages(const QString& text) {
        int n = 0;
        for (const ShownMessage& m : rig->dialogs.shown) n += m.text.contains(text) ? 1 : 0;
        return n;
    }
};

// The sample backup file is the golden one: the module values below and the checks of entries 1
// and 4 of the fake protocol list.
const char* const kGolden = DRAVIK_SOURCE_DIR "/data/configurations/taviron-zed-63.bkd";

TEST_F(ConfigurationTest, SavingWritesTheExactFileAndMakesItCurrent) {
    connect();
    ASSERT_EQ(panel().rowCount(), kRows);
    ASSERT_EQ(s().module.Mod_connected, 1);
    port.checked = {true, false, false, true};
    const QString file = save(QStringLiteral("golden.bkd"));
    const QByteArray golden = contents(QString::fromUtf8(kGolden));
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ(contents(file), golden);

    ASSERT_EQ(files.asked.size(), 1U);
    const FileDialogRequest& r = files.asked[0];
    EXPECT_EQ(r.mode, FileDialogRequest::Mode::Save);
    EXPECT_EQ(r.fileName, "MyConfiguration.bkd");
    EXPECT_EQ(r.filter, "bkd files (*.bkd)");
    EXPECT_EQ(r.defaultSuffix, "bkd");
    EXPECT_EQ(r.startFolder, QDir(rig->dataDir.path()).filePath("Configurations/TAVIRON"));
    EXPECT_EQ(cfg->fileName(), file);
    EXPECT_TRUE(view->groupVisible);
    EXPECT_EQ(view->name, "golden.bkd");
    EXPECT_EQ(view->title, QDir::toNativeSeparators(file));
    EXPECT_FALSE(rig->progress.visible);
    EXPECT_EQ(rig->progress.value, 0);

    // The same name again replaces the file without a word.
    choose(kSiren, 2);
    save(QStringLiteral("golden.bkd"));
    EXPECT_TRUE(contents(file).contains("Index=\"1\" Id=\"1001\" Value=\"2\""));
    EXPECT_TRUE(rig->dialogs.shown.empty());
}

TEST_F(ConfigurationTest, ACancelledDialogChangesNothing) {
    connect();
    cfg->SaveParameters();
    cfg->button_LoadParameters_Click();
    EXPECT_EQ(files.asked.size(), 2U);
    EXPECT_EQ(files.asked[1].mode, FileDialogRequest::Mode::Open);
    EXPECT_TRUE(files.asked[1].fileName.isEmpty());
    EXPECT_TRUE(cfg->fileName().isEmpty());
    EXPECT_FALSE(view->groupVisible);
    EXPECT_EQ(port.clears, 0);
}

// While a read runs, a backup would hold values not read yet and an opened file would be overwritten
// by the read: both are refused, also when the read starts while the dialog is open.
TEST_F(ConfigurationTest, SaveAndOpenAreRefusedWhileAnOperationRuns) {
    connect();
    const QString saved = save(QStringLiteral("before.bkd"));
    const int refusals = messages(QStringLiteral("There is another process in progress"));
    PanelOperations& ops = rig->controller->panelOperations();

    ops.buttonReadAll_Click();
    ASSERT_TRUE(rig->controller->handler().panelOperationRunning());
    const std::size_t asked = files.asked.size();
    save(QStringLiteral("during.bkd"));
    open(saved);
    EXPECT_EQ(files.asked.size(), asked);  // refused before any dialog
    files.answers.clear();
    // "Download" loads the current file again: refused too, also between two commands of the read.
    ASSERT_TRUE(rig->runFor(10000, [&] {
        const HandlerState& hs = s().link;
        return rig->controller->handler().panelOperationRunning() &&
               hs.CmdHandler_state.load() == HANDLER_READY && hs.TxRequest.load() == 0;
    }));
    const int beforeDownload = messages(QStringLiteral("There is another process in progress"));
    ops.reloadConfiguration = [this] { return cfg->reloadCurrent(); };
    ops.buttonCfgDownload_Click();
    EXPECT_EQ(messages(QStringLiteral("There is another process in progress")), beforeDownload + 1);
    ASSERT_TRUE(rest());

    files.whileOpen = [&] { ops.buttonReadAll_Click(); };
    save(QStringLiteral("during.bkd"));
    files.whileOpen = [&] { ops.buttonReadAll_Click(); };
    ASSERT_TRUE(rest());
    open(saved);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("during.bkd"))));
    EXPECT_EQ(messages(QStringLiteral("There is another process in progress")) - refusals, 5);
    EXPECT_EQ(cfg->fileName(), saved);
    ASSERT_TRUE(rest());
    files.answers.clear();
    EXPECT_EQ(save(QStringLiteral("after.bkd")), path(QStringLiteral("after.bkd")));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("after.bkd"))));
}

TEST_F(ConfigurationTest, OpeningOnAFreshPanelSelectsTheSavedValuesInRed) {
    connect();
    choose(kSiren, 2);    // Chirp only
    choose(kFlashes, 4);  // 5
    port.checked = {false, false, true, false};
    const QString file = save(QStringLiteral("round.bkd"));

    // The next vehicle: the panel is read again from the product.
    rig->controller->panelOperations().button_ReadParameters_Click();
    ASSERT_TRUE(rest());
    ASSERT_EQ(combo(kSiren)->currentText(), "On");
    port.clearProtocolChecks();
    port.clears = 0;
    view->groupVisible = false;

    open(file);
    EXPECT_EQ(combo(kSiren)->currentText(), "Chirp only");
    EXPECT_EQ(combo(kDelay)->currentText(), "2");
    EXPECT_EQ(combo(kFlashes)->currentText(), "5");
    auto colour = [&](int row) { return combo(row)->palette().color(QPalette::Text); };
    EXPECT_EQ(colour(kSiren), QColor(Qt::red));
    EXPECT_EQ(colour(kDelay), QColor(Qt::black));
    EXPECT_EQ(colour(kFlashes), QColor(Qt::red));
    EXPECT_EQ(port.clears, 1);
    EXPECT_EQ(port.checked, (std::vector<bool>{false, false, true, false}));
    ASSERT_EQ(port.applied.size(), 1U);
    EXPECT_EQ(port.applied[0].Mdl_Selected_Decode, 7);
    EXPECT_EQ(port.applied[0].Mdl_Selected_Slot, 5);
    EXPECT_EQ(port.applied[0].Load_ParA, 3);
    EXPECT_EQ(port.applied[0].Load_ParB_C, 0x0101);
    EXPECT_EQ(port.applied[0].Mdl_Selected_MaxParameter_B_C, 0x0103);
    EXPECT_EQ(port.applied[0].FileProtocolPath, port.selection.FileProtocolPath);
    EXPECT_TRUE(view->groupVisible);
    EXPECT_TRUE(rig->dialogs.shown.empty());
    // Opening selects; it writes nothing.
    EXPECT_FALSE(rig->controller->handler().ProcessIsInProgress(false));
}

TEST_F(ConfigurationTest, OnlySelectedListAndRangeRowsAreWrittenWithTheirRowNumbers) {
    connect(product63(false));
    ASSERT_EQ(s().module.Mod_connected, 0);
    combo(kDelay)->setCurrentIndex(-1);
    const QByteArray bytes = contents(save(QStringLiteral("gaps.bkd")));
    EXPECT_TRUE(bytes.contains("<Product_parameters Index=\"1\" Id=\"1001\""));
    EXPECT_FALSE(bytes.contains("Index=\"2\""));
    EXPECT_TRUE(bytes.contains("<Product_parameters Index=\"3\" Id=\"2003\""));
    EXPECT_FALSE(bytes.contains("Index=\"4\""));  // the hexadecimal row
    EXPECT_FALSE(bytes.contains("Module_parameters"));
    EXPECT_FALSE(bytes.contains("Selected_slots"));
}

// A value wider than a byte would make the file unreadable: that row is left out and named.
TEST_F(ConfigurationTest, AValueWiderThanAByteIsLeftOutAndNamed) {
    connect();
    auto& items = panel().row(kDelay).items;
    items[static_cast<std::size_t>(panel().selectedIndex(kDelay))].value = 0x200;
    const QString file = save(QStringLiteral("wide.bkd"));
    EXPECT_FALSE(contents(file).contains("Index=\"2\""));
    ASSERT_EQ(rig->dialogs.shown.size(), 1U);
    EXPECT_TRUE(rig->dialogs.shown[0].text.contains(panel().row(kDelay).name));
    open(file);
    EXPECT_EQ(rig->dialogs.shown.size(), 1U);  // the file opens
    EXPECT_TRUE(view->groupVisible);
}

// A product whose functions are all texts and actions gives a root without children.
TEST_F(ConfigurationTest, AProductWithoutListsWritesNoProductParameters) {
    connect();
    for (int row = 0; row < panel().rowCount(); ++row) {
        auto& items = panel().row(row).items;
        for (auto& item : items) item.func_id = FN_HEX;
    }
    s().module.Mod_connected = 0;
    EXPECT_EQ(contents(save(QStringLiteral("texts.bkd"))),
              QByteArray("<?xml version=\"1.0\"?>\r\n"
                         "<VuzUvazuzuvar Product=\"TAVIRON ZED 63\" Product_id=\"63\" Version=\"1\" "
                         "Sub-version=\"0\" />\r\n"));
}

TEST_F(ConfigurationTest, AnotherProductsFileEmptiesThePanelOnceAndHidesTheGroup) {
    connect();
    const QString file = path(QStringLiteral("other.bkd"));
    write(file,
          "<?xml version=\"1.0\"?>\r\n<VuzUvazuzuvar Product=\"X\" Product_id=\"37\">\r\n"
          "  <Product_parameters Index=\"1\" Id=\"1001\" Value=\"2\" />\r\n"
          "  <Module_parameters Module_sw_type=\"161\" Module_sw_version=\"1\" Decode=\"9\" />\r\n"
          "</VuzUvazuzuvar>\r\n");
    view->groupVisible = true;
    open(file);
    EXPECT_EQ(panel().rowCount(), 0);
    EXPECT_EQ(messages("Product parameters not compatible with connected product! "), 1);
    EXPECT_EQ(rig->dialogs.shown.size(), 1U);
    EXPECT_EQ(rig->dialogs.shown[0].caption, "Open configuration file");
    EXPECT_TRUE(rig->log().endsWith("\r\nProduct parameters NOT compatible with connected product! \r\n"));
    EXPECT_FALSE(view->groupVisible);
    // The module part is still applied.
    ASSERT_EQ(port.applied.size(), 1U);
    EXPECT_EQ(port.applied[0].Mdl_Selected_Decode, 9);
}

TEST_F(ConfigurationTest, AFileWithoutProductIdCountsAsIdentificationZero) {
    connect();
    const QString file = path(QStringLiteral("noid.bkd"));
    write(file,
          "<VuzUvazuzuvar Product=\"TAVIRON ZED 63\"><Product_parameters Id=\"1001\" "
          "Value=\"2\"/></VuzUvazuzuvar>");
    open(file);
    EXPECT_EQ(messages("Product parameters not compatible"), 1);
    EXPECT_EQ(panel().rowCount(), 0);
}

TEST_F(ConfigurationTest, AModuleFileWithoutAModuleShowsTheModuleMismatch) {
    connect(product63(false));
    const QString file = path(QStringLiteral("module.bkd"));
    write(file,
          "<VuzUvazuzuvar Product_id=\"63\">\n"
          "<Product_parameters Index=\"1\" Id=\"1001\" Value=\"2\" />\n"
          "<Module_parameters Module=\"VRAK-1\" Module_sw_type=\"161\" Module_sw_version=\"1\" />\n"
          "</VuzUvazuzuvar>\n");
    open(file);
    EXPECT_EQ(messages("Module parameters not compatible with connected module ! "), 1);
    EXPECT_TRUE(rig->log().endsWith("\r\nModule parameters not compatible with connected module! \r\n"));
    EXPECT_EQ(view->moduleClears, 1);
    EXPECT_TRUE(port.applied.empty());
    EXPECT_FALSE(view->groupVisible);
    // The product part is applied all the same.
    EXPECT_EQ(combo(kSiren)->currentText(), "Chirp only");
}

TEST_F(ConfigurationTest, SelectedSlotsCheckEverySlotAndCarryMissingAttributesOver) {
    connect();
    const QString file = path(QStringLiteral("slots.bkd"));
    write(file,
          "<VuzUvazuzuvar Product_id=\"63\">\n"
          "<Selected_slots Decode=\"7\" Version=\"1\" Slot=\"1\" Decode_group=\"2\" />\n"
          "<Selected_slots Decode=\"9\" />\n"        // version 1 and group 2 carried over: matches nothing
          "<Selected_slots Decode_group=\"1\" />\n"  // 9, 1, 1
          "</VuzUvazuzuvar>\n");
    open(file);
    EXPECT_EQ(port.checked, (std::vector<bool>{true, true, false, true}));
    EXPECT_TRUE(view->groupVisible);
}

TEST_F(ConfigurationTest, ABadFileIsRefusedWholeAndTheScreenStaysAsItWas) {
    connect();
    const QString good = save(QStringLiteral("good.bkd"));
    choose(kSiren, 0);
    port.checked = {true, true, true, true};
    struct Case {
        const char* content;
        const char* problem;
    };
    const Case cases[] = {
        {"<VuzUvazuzuvar Product_id=\"63\">\n<Product_parameters Id=\"1001\" Value=\"2\" />\n"
         "<Product_parameters Id=\"1001\" Value=\"256\" />\n</VuzUvazuzuvar>",
         "line 3, attribute Value of Product_parameters: \"256\" is not a number from 0 to 255"},
        {"<VuzUvazuzuvar Product_id=\"63\">\n<Product_parameters Id=\"70000\" Value=\"2\" "
         "/>\n</VuzUvazuzuvar>",
         "line 2, attribute Id of Product_parameters"},
        {"<VuzUvazuzuvar Product_id=\"63\">\n<Product_parameters Value=\"2\" />\n</VuzUvazuzuvar>",
         "line 2, attribute Id of Product_parameters: missing"},
        {"<VuzUvazuzuvar Product_id=\"sixty\"/>", "attribute Product_id of VuzUvazuzuvar"},
        {"<VuzUvazuzuvar Product_id=\"63\">\n<Product_parameters Id=\"1001\" Value=\"2\" />\n",
         "line 3"},  // cut short
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE VuzUvazuzuvar [<!ENTITY a \"63\">]>\n"
         "<VuzUvazuzuvar Product_id=\"&a;\"/>",
         "document type declarations and entities are not accepted"},
        {"<Other/>", "root element VuzUvazuzuvar"},
        {"", "Premature end of document"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        rig->dialogs.shown.clear();
        const QString file = path(QStringLiteral("bad.bkd"));
        write(file, c.content);
        const QString logBefore = rig->log();
        open(file);
        ASSERT_EQ(rig->dialogs.shown.size(), 1U);
        EXPECT_TRUE(rig->dialogs.shown[0].text.contains(QDir::toNativeSeparators(file)));
        EXPECT_TRUE(rig->dialogs.shown[0].text.contains(QLatin1String(c.problem)))
            << rig->dialogs.shown[0].text.toStdString();
        EXPECT_EQ(rig->log().mid(logBefore.size()).count("Configuration file refused: "), 1);
        EXPECT_EQ(combo(kSiren)->currentText(), "Off");
        EXPECT_EQ(port.checked, (std::vector<bool>{true, true, true, true}));
        EXPECT_EQ(port.clears, 0);
        EXPECT_EQ(cfg->fileName(), good);
        EXPECT_EQ(panel().rowCount(), kRows);
    }
    // Too large, and missing.
    QByteArray huge = "<VuzUvazuzuvar Product_id=\"63\">";
    huge += QByteArray(static_cast<int>(kConfigFileMaxBytes), ' ');
    rig->dialogs.shown.clear();
    write(path(QStringLiteral("huge.bkd")), huge);
    open(path(QStringLiteral("huge.bkd")));
    ASSERT_EQ(rig->dialogs.shown.size(), 1U);
    EXPECT_TRUE(rig->dialogs.shown[0].text.contains("larger than 4 MiB"));
    rig->dialogs.shown.clear();
    open(path(QStringLiteral("missing.bkd")));
    ASSERT_EQ(rig->dialogs.shown.size(), 1U);
    EXPECT_EQ(cfg->fileName(), good);
}

TEST_F(ConfigurationTest, AFolderThatCannotBeWrittenKeepsThePreviousFile) {
    connect();
    const QString good = save(QStringLiteral("keep.bkd"));
    const QByteArray before = contents(good);
    choose(kSiren, 0);
    files.answers.push_back(path(QStringLiteral("no-such-folder/x.bkd")));
    cfg->SaveParameters();
    ASSERT_EQ(rig->dialogs.shown.size(), 1U);
    EXPECT_TRUE(rig->dialogs.shown[0].text.startsWith("The configuration file " +
                                                      QDir::toNativeSeparators(path("no-such-folder/x.bkd")) +
                                                      " cannot be written: "));
    EXPECT_EQ(rig->dialogs.shown[0].caption, "Save configuration file");
    EXPECT_TRUE(rig->log().contains("Configuration file not saved: "));
    EXPECT_EQ(cfg->fileName(), good);
    EXPECT_EQ(contents(good), before);
    const auto ops = reportedOperations();
    ASSERT_EQ(ops.size(), 2U);
    EXPECT_TRUE(ops[0].ok);
    EXPECT_FALSE(ops[1].ok);
    EXPECT_EQ(ops[1].name, "Backup saved");
    EXPECT_TRUE(ops[1].detail.contains("x.bkd\nthe file cannot be written: ")) << ops[1].detail.toStdString();
}

// A save that does not fit: the kernel's own "no space" after part of the file was written.
TEST_F(ConfigurationTest, ASaveOntoAFullDiskKeepsThePreviousFileAndSaysWhy) {
    SmallTmpfs fs(16);
    if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    connect();
    const QString target = fs.filePath(QStringLiteral("full disk.bkd"));
    files.answers.push_back(target);
    cfg->SaveParameters();
    ASSERT_EQ(cfg->fileName(), target);
    const QByteArray before = contents(target);
    ASSERT_FALSE(before.isEmpty());
    // Fill the rest of the file system, leaving less than a backup needs.
    {
        QFile filler(fs.filePath(QStringLiteral("filler")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray chunk(512, 'f');
        while (filler.write(chunk) == chunk.size()) {
        }
    }
    const QString other = path(QStringLiteral("other.bkd"));
    save(QStringLiteral("other.bkd"));
    ASSERT_EQ(cfg->fileName(), other);
    rig->dialogs.shown.clear();
    choose(kSiren, 1);
    files.answers.push_back(target);
    cfg->SaveParameters();

    EXPECT_EQ(contents(target), before);
    ASSERT_EQ(rig->dialogs.shown.size(), 1U);
    EXPECT_EQ(rig->dialogs.shown[0].text, "The configuration file " + QDir::toNativeSeparators(target) +
                                              " cannot be written: " + kNoSpaceReason);
    EXPECT_TRUE(rig->log().contains("Configuration file not saved: " + QDir::toNativeSeparators(target) +
                                    ": " + kNoSpaceReason));
    EXPECT_EQ(cfg->fileName(), other);
    EXPECT_EQ(QDir(fs.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(ConfigurationTest, DownloadLoadsTheFileAgainAndSetsAll) {
    connect();
    choose(kSiren, 2);
    save(QStringLiteral("download.bkd"));
    choose(kSiren, 0);
    PanelOperations& ops = rig->controller->panelOperations();
    ops.reloadConfiguration = [this] { return cfg->reloadCurrent(); };
    ops.buttonCfgDownload_Click();
    EXPECT_EQ(combo(kSiren)->currentText(), "Chirp only");
    EXPECT_EQ(rig->progress.text, "Download file...");
    EXPECT_EQ(s().machines.EnterFunctions_state, EnterFunc_START);
    // VRAK-1 takes part in set-all: its selected protocol is written after the product.
    EXPECT_EQ(rig->controller->functionState().loadConfiguration_SelectedProtocol_flag, CHAIN_WRITE);
    ASSERT_TRUE(rest());
    std::uint8_t siren = 0;
    rig->lib->withBench([&](sim::Bench& b) { siren = b.productMemory()[0x20]; });
    EXPECT_EQ(siren & 0x03, 2);
    // The report keeps the backup's file name and what its download wrote.
    QStringList names;
    for (const auto& o : reportedOperations()) names << o.name + (o.ok ? "" : " FAILED");
    EXPECT_EQ(names.mid(0, 3), (QStringList{"Backup saved", "Backup downloaded", "Parameters written"}));
    EXPECT_TRUE(reportedOperations()[1].detail.endsWith("download.bkd"));
}

}  // namespace
