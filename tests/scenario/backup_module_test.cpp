// The module side of configuration backups through the real module adapter, on product 63 with a
// VRAK-2 slot module wired to the cable: the checked protocols and the password in the saved file,
// the checks an opened file sets, and what "Download" writes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <variant>

#include "config/ConfigReader.h"
#include "module/Programmer.h"
#include "support/BackupRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

constexpr std::uint8_t kWriteSlotsCode = 0x0D;
// "123456", each character XOR 0xA7 in decimal.
const QString kScrambled123456 = QStringLiteral("150149148147146145");

struct ModuleBackupTest : ::testing::Test {
    BackupRig b;
    QTemporaryDir out;

    void SetUp() override {
        std::string error;
        ASSERT_TRUE(b.connect("zed63-vrak2-direct.json", error)) << error;
        ASSERT_EQ(b.s().product.Prd_Id1, 63U);
        ASSERT_EQ(b.s().module.Mod_connected, 1);
        ASSERT_GE(list()->count(), 3);
    }
    QListWidget* list() { return b.module().controls().checkedListBox_ProtocolSelection; }
    Programmer entry(int row) { return list()->item(row)->data(Qt::UserRole).value<Programmer>(); }
    void checkOnly(const std::vector<int>& rows) {
        for (int i = 0; i < list()->count(); ++i)
            list()->item(i)->setCheckState(std::find(rows.begin(), rows.end(), i) != rows.end() ? Qt::Checked
                                                                                                : Qt::Unchecked);
    }
    std::vector<int> checkedRows() {
        std::vector<int> rows;
        for (int i = 0; i < list()->count(); ++i)
            if (list()->item(i)->checkState() == Qt::Checked) rows.push_back(i);
        return rows;
    }
    QString path(const char* name) { return QDir(out.path()).filePath(QLatin1String(name)); }
    template <typename T>
    static std::vector<T> elements(const ConfigDocument& doc) {
        std::vector<T> found;
        for (const ConfigElement& e : doc.elements)
            if (const T* t = std::get_if<T>(&e)) found.push_back(*t);
        return found;
    }
};

TEST_F(ModuleBackupTest, ASavedBackupHoldsTheCheckedProtocolsAndTheScrambledPassword) {
    checkOnly({0, 2});
    b.module().controls().textBox_modue_password->setText(QStringLiteral("123456"));
    const std::size_t frames = b.rig->frames().size();
    b.save(path("checked.bkd"));
    EXPECT_EQ(b.rig->frames().size(), frames);  // a save sends nothing
    ASSERT_EQ(b.files.asked.size(), 1U);
    EXPECT_EQ(b.files.asked[0].startFolder, QDir(b.rig->dataDir.path()).filePath("Configurations/TAVIRON ZED"));

    QFile f(path("checked.bkd"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_FALSE(bytes.contains("123456"));
    const ConfigReadResult read = readConfigDocument(bytes);
    ASSERT_TRUE(read.ok()) << read.error->describe().toStdString();
    const auto modules = elements<ConfigModuleParameters>(read.doc);
    ASSERT_EQ(modules.size(), 1U);
    EXPECT_EQ(modules[0].Module, "VRAK-2");
    EXPECT_EQ(modules[0].Module_sw_type, 0xA2);
    EXPECT_EQ(modules[0].Module_sw_version, 4);
    EXPECT_EQ(modules[0].Slot, b.s().moduleStatus.Slot_toSet);
    const auto checkedSlots = elements<ConfigSelectedSlot>(read.doc);
    ASSERT_EQ(checkedSlots.size(), 2U);
    for (std::size_t k = 0; k < checkedSlots.size(); ++k) {
        const Programmer p = entry(k == 0 ? 0 : 2);
        SCOPED_TRACE(p.toString().toStdString());
        EXPECT_EQ(checkedSlots[k].Decode, p.Decode_type);
        EXPECT_EQ(checkedSlots[k].Version, p.Decode_version);
        EXPECT_EQ(checkedSlots[k].Slot, p.Decode_number);
        EXPECT_EQ(checkedSlots[k].Decode_group, p.Decode_group);
        EXPECT_EQ(checkedSlots[k].Password, kScrambled123456);
        EXPECT_EQ(checkedSlots[k].Module, "VRAK-2");
    }

    // Without a password the attribute is empty; without a check there is no Selected_slots.
    b.module().controls().textBox_modue_password->clear();
    b.save(path("empty-password.bkd"));
    QFile g(path("empty-password.bkd"));
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_TRUE(g.readAll().contains("Password=\"\""));
    checkOnly({});
    b.save(path("none.bkd"));
    const ConfigReadResult none = readConfigFile(path("none.bkd"));
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(elements<ConfigSelectedSlot>(none.doc).empty());
    EXPECT_EQ(elements<ConfigModuleParameters>(none.doc).size(), 1U);
}

// Opening clears every check and checks the saved entries; the module's selected protocol comes
// back on the panel. Nothing is sent.
TEST_F(ModuleBackupTest, OpeningChecksTheSavedProtocolsAndShowsTheSavedSelection) {
    checkOnly({0, 2});
    QComboBox* protocols = b.module().panel().combo(0);
    ASSERT_NE(protocols, nullptr);
    const QString selected = protocols->currentText();
    b.save(path("round.bkd"));

    checkOnly({1});
    protocols->setCurrentIndex(protocols->currentIndex() == 0 ? 1 : 0);
    ASSERT_NE(protocols->currentText(), selected);
    const std::size_t frames = b.rig->frames().size();
    b.open(path("round.bkd"));
    EXPECT_TRUE(b.rig->dialogs.shown.empty());
    EXPECT_TRUE(b.view->groupVisible);
    EXPECT_EQ(checkedRows(), (std::vector<int>{0, 2}));
    ASSERT_NE(b.module().panel().combo(0), nullptr);
    EXPECT_EQ(b.module().panel().combo(0)->currentText(), selected);
    b.rig->runFor(5000);
    EXPECT_EQ(b.rig->frames().size(), frames);
    EXPECT_EQ(b.s().machines.EnterModule_state, MODULE_STOPPED);
}

// "Download" writes the product's values and the selected protocol; the checked protocols are
// written only by the selection write, never by a download.
TEST_F(ModuleBackupTest, DownloadWritesTheProductAndTheProtocolButNotTheChecks) {
    ProductPanel& panel = b.panel();
    QComboBox* siren = panel.row(0).combo;
    const int saved = siren->currentIndex() == 0 ? 1 : 0;
    siren->setCurrentIndex(saved);
    emit siren->activated(saved);
    checkOnly({1});
    b.save(path("download.bkd"));
    const function_parameters wanted = panel.row(0).items[static_cast<std::size_t>(saved)];

    checkOnly({0, 2});
    const std::size_t frames = b.rig->frames().size();
    b.ops().buttonCfgDownload_Click();
    ASSERT_TRUE(restModuleBench(*b.rig));
    EXPECT_EQ(framesWithCode(*b.rig, frames, kWriteSlotsCode), 0);
    std::uint8_t byte = 0;
    b.rig->lib->withBench([&](sim::Bench& bench) { byte = bench.productMemory()[wanted.address & 0xFF]; });
    EXPECT_EQ(byte & wanted.mask, wanted.value);
    EXPECT_EQ(panel.listColour(0), QColor(Qt::black));
    EXPECT_EQ(checkedRows(), (std::vector<int>{1}));  // the file's checks, shown
    EXPECT_EQ(b.rig->progress.text, QStringLiteral("Process terminated")) << b.rig->log().toStdString();
}

}  // namespace
