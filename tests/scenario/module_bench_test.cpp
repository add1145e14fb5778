// The module on the simulated bench, end to end: the first connection's chain and both routes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <array>
#include <map>

#include "module/Programmer.h"
#include "support/ModuleBench.h"

using namespace dravik;
using namespace dravik::test;

namespace {

constexpr std::uint8_t kReadCode = 0x01;
constexpr std::uint8_t kModuleInfoCode = 0x08;
constexpr std::uint8_t kSendLineCode = 0x7C;
constexpr std::uint8_t kVerifyCode = 0x7F;
const QString kDemoProtocol = QStringLiteral("CAN DEMO 250");

struct ModuleBenchTest : ::testing::Test {
    std::unique_ptr<ScenarioRig> rig;

    void connect(const char* benchFile) {
        std::string error;
        rig = connectModuleBench(benchFile, error);
        ASSERT_TRUE(rig) << error;
    }
    bool rest(int ms = 120000) { return restModuleBench(*rig, ms); }
    EnterModule& module() { return rig->controller->module(); }
    // Index of the first frame to the destination with the code, or -1.
    int first(std::uint8_t dest, std::uint8_t code) {
        const auto frames = rig->frames();
        for (std::size_t i = 0; i < frames.size(); ++i) {
            const auto& f = frames[i].frame;
            if (f.size() > 4 && f[1] == dest && f[4] == code) return static_cast<int>(i);
        }
        return -1;
    }
    QStringList comboTexts(int position) {
        QStringList out;
        if (QComboBox* c = module().panel().combo(position))
            for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
        return out;
    }
};

// Functions first, then the module's selection and working slots, then all its slots.
TEST_F(ModuleBenchTest, FirstConnectionReadsFunctionsThenSelectionThenAllSlots) {
    connect("vrak2-direct.json");
    const int functions = first(kDestProduct, kReadCode);
    const int selection = first(kDestProduct, 0x09);
    const int working = first(kDestProduct, 0x0B);
    const int all = first(kDestProduct, 0x0C);
    ASSERT_GE(functions, 0);
    EXPECT_LT(functions, selection);
    EXPECT_LT(selection, working);
    EXPECT_LT(working, all);
    EXPECT_EQ(rig->s().connection.startUp, 0);
    EXPECT_EQ(rig->s().machines.EnterModule_state, MODULE_STOPPED);
    EXPECT_EQ(rig->s().moduleStatus.Mdl_VRAK_Working_Slots_Number, 5);  // the slots in the selection

    const QStringList protocols = comboTexts(0);
    ASSERT_FALSE(protocols.isEmpty());
    EXPECT_TRUE(protocols.filter(QStringLiteral("*")).size() > 0)
        << protocols.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(protocols.filter(QStringLiteral("UNGROUPED")).isEmpty());
    EXPECT_TRUE(module().panel().combo(0)->currentText().contains(QStringLiteral("CAN PASSENGER")));
    QListWidget* list = module().controls().checkedListBox_ProtocolSelection;
    EXPECT_GT(list->count(), 0);
    EXPECT_EQ(module().controls().listBox_selectDeselect_group->count(), 4);
    EXPECT_FALSE(rig->log().contains(QStringLiteral("error!")));
}

// A module operation that fails ends all the same, and the operation chained to it still runs:
// the first connection reads all slots after a working-slot read that got no answer, a read-all
// reads the selection after an all-slot read that got none, a pending read follows a write the
// locked module refuses. The chained read replaces the progress label; the reason stays in the log.
TEST_F(ModuleBenchTest, AFailedOperationStillRunsWhatWasChainedToIt) {
    struct Case {
        const char* name;
        const char* bench;
        sim::CommandFault faultAtConnection;          // code 0: none
        std::function<void(ModuleBenchTest&)> start;  // null: the connection's own chain
        std::uint8_t failedCode;                      // the read that fails (0: nothing sent for it)
        QString reason;
        std::uint8_t chainedCode;
    };
    const Case cases[] = {
        {"working slots at the first connection",
         "vrak2-direct.json",
         {0x0B, 0, 1000},
         nullptr,
         0x0B,
         QStringLiteral("### SLOT_SETTINGS_INFO error! ###\r\n"),
         0x0C},
        {"all slots in a read-all",
         "vrak2-direct.json",
         {},
         [](ModuleBenchTest& t) {
             t.rig->lib->withBench([](sim::Bench& b) {
                 b.config().faults.dropCommand.push_back({0x0C, 0, 1000});
             });
             t.rig->controller->panelOperations().buttonReadAll_Click();
         },
         0x0C,
         QStringLiteral("### ALL_SLOT_SETTINGS_INFO error! ###\r\n"),
         0x0B},
        {"selection write on a locked module, a selection read pending",
         "vrak2-locked.json",
         {},
         [](ModuleBenchTest& t) {
             t.rig->controller->functionState().loadConfiguration_SelectedProtocol_flag = CHAIN_READ;
             t.module().button_Set_Selected_Protocols_Click();
         },
         0,
         QStringLiteral("Module locked: the slots selection is not written\r\n"),
         0x0B},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        auto bench = sim::loadBenchFile(std::string(DRAVIK_SOURCE_DIR "/data/benches/") + c.bench, error);
        ASSERT_TRUE(bench) << error;
        if (c.faultAtConnection.code != 0) bench->faults.dropCommand.push_back(c.faultAtConnection);
        rig = connectModuleBench(*bench, error);
        ASSERT_TRUE(rig) << error;
        const std::size_t before = c.start ? rig->frames().size() : 0;
        if (c.start) {
            c.start(*this);
            ASSERT_TRUE(rest());
        }
        const auto frames = rig->frames();
        std::size_t failedAt = before;
        for (std::size_t i = before; i < frames.size(); ++i)
            if (frames[i].frame.size() > 4 && frames[i].frame[4] == c.failedCode) failedAt = i;
        if (c.failedCode != 0) EXPECT_GT(failedAt, before) << "the failing read was never sent";
        EXPECT_GT(framesWithCode(*rig, failedAt + 1, c.chainedCode), 0) << rig->log().toStdString();
        EXPECT_EQ(rig->log().count(c.reason), 1) << rig->log().toStdString();
        EXPECT_EQ(rig->progress.text, QStringLiteral("Process terminated"));
        EXPECT_EQ(rig->s().machines.EnterModule_state, MODULE_STOPPED);
        EXPECT_FALSE(rig->controller->handler().ProcessIsInProgress(false));
    }
}

// A module through the product: its three setting bytes are read from the product's memory and
// its parameters shown; no slots are asked for.
TEST_F(ModuleBenchTest, ModuleThroughTheProductShowsItsParameters) {
    connect("aux31-through-product.json");
    EXPECT_EQ(first(kDestInterface, 0x40) >= 0, true);
    EXPECT_EQ(first(kDestProduct, 0x0B), -1);
    const auto& st = rig->s().moduleStatus;
    EXPECT_EQ(st.module_data, (std::array<std::uint8_t, 3>{1, 1, 0}));
    EXPECT_EQ(st.Mdl_Selected_Parameter_A, 1);
    EXPECT_EQ(st.Mdl_Selected_Parameter_C, 1);
    ASSERT_GE(module().panel().count(), 1);
    EXPECT_EQ(module().panel().combo(0)->currentText(), QStringLiteral("Protocol 1"));
    EXPECT_EQ(rig->s().machines.EnterModule_state, MODULE_STOPPED);
}

// Product 63 whose module does not answer its identification: the connection goes on without a
// module, and the settings of a module nobody identified are not read from the product.
TEST_F(ModuleBenchTest, ASilentModuleBehindTheProductIsNotRead) {
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/aux31-through-product.json", error);
    ASSERT_TRUE(bench) << error;
    bench->faults.dropCommand.push_back({kModuleInfoCode, 0, 1000});
    rig = connectModuleBench(*bench, error);
    ASSERT_TRUE(rig) << error;
    ASSERT_GE(first(kDestProduct, kModuleInfoCode), 0);
    EXPECT_EQ(rig->s().module.Mod_timeout, 1);
    EXPECT_EQ(rig->s().module.Mod_connected, 0);
    EXPECT_GT(rig->controller->functions().panel().rowCount(), 0);
    for (const auto& f : rig->frames()) {
        const bool moduleBytes = f.frame.size() > 5 && f.frame[4] == kReadCode && f.frame[5] >= 0x30 && f.frame[5] <= 0x32;
        EXPECT_FALSE(moduleBytes) << "MEMORY_READ at 0x" << std::hex << int{f.frame[5]};
    }
    EXPECT_EQ(rig->log().count(QStringLiteral("No module identified: the module operation is not started\r\n")), 1);
    EXPECT_EQ(rig->progress.text, QStringLiteral("Process terminated"));
    EXPECT_EQ(rig->s().machines.EnterModule_state, MODULE_STOPPED);
    EXPECT_FALSE(rig->controller->handler().ProcessIsInProgress(false));
}

// The list leaves out version 3 of CAN PASSENGER (slot 1) for version 4 (slot 2): each written item
// still lands on its own slot, and the left-out slot keeps its state.
TEST_F(ModuleBenchTest, WrittenSelectionReachesEachItemsOwnSlot) {
    connect("vrak2-direct.json");
    QListWidget* list = module().controls().checkedListBox_ProtocolSelection;
    ASSERT_GT(list->count(), 1);
    ASSERT_EQ(list->item(0)->data(Qt::UserRole).value<Programmer>().Decode_number, 2);
    std::vector<std::array<std::uint8_t, 4>> before;
    rig->lib->withBench([&](sim::Bench& b) {
        for (const auto& slot : b.config().module.allSlots) before.push_back(slot.state);
    });
    list->item(0)->setCheckState(Qt::Checked);
    list->item(1)->setCheckState(Qt::Unchecked);
    std::map<int, std::uint8_t> wanted;  // slot number to its first state byte
    for (int i = 0; i < list->count(); ++i) {
        const Programmer p = list->item(i)->data(Qt::UserRole).value<Programmer>();
        wanted[p.Decode_number] = p.Slot_mem1;
    }
    module().button_Set_Selected_Protocols_Click();
    ASSERT_TRUE(rest());
    rig->lib->withBench([&](sim::Bench& b) {
        const auto& table = b.config().module.allSlots;
        for (std::size_t n = 1; n <= table.size(); ++n) {
            const auto w = wanted.find(static_cast<int>(n));
            const std::uint8_t expected = w != wanted.end() ? w->second : before[n - 1][0];
            EXPECT_EQ(table[n - 1].state[0], expected) << "slot " << n;
        }
    });
}

// Between two commands of a running operation the handler is idle (the pause after a link set-up).
// An operation of the other machine started then would switch the pump away and leave the running
// one frozen half-way: it is refused, and the running operation ends.
TEST_F(ModuleBenchTest, AnOperationOfTheOtherMachineWaitsForTheRunningOne) {
    struct Case {
        const char* name;
        std::function<void(ModuleBenchTest&)> start;
        int runningMachine;  // Working_parameters of the running operation
        std::function<void(ModuleBenchTest&)> intrude;
    };
    const Case cases[] = {
        {"module log read during a product read",
         [](ModuleBenchTest& t) { t.rig->controller->panelOperations().button_ReadParameters_Click(); }, 1,
         [](ModuleBenchTest& t) { t.module().button_read_log_Click(); }},
        {"product read during the module read of a connection",
         [](ModuleBenchTest& t) { t.rig->controller->autoConn().RebootConnectProduct(); }, 2,
         [](ModuleBenchTest& t) { t.rig->controller->panelOperations().button_ReadParameters_Click(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        connect("vrak2-locked.json");
        const auto handlerIdle = [&] {
            const HandlerState& hs = rig->s().link;
            const auto st = hs.CmdHandler_state.load();
            return st == HANDLER_READY && hs.TxRequest.load() == 0;
        };
        c.start(*this);
        ASSERT_TRUE(rig->runFor(60000, [&] {
            return rig->s().connection.Working_parameters == c.runningMachine &&
                   rig->controller->handler().panelOperationRunning() && handlerIdle();
        }));
        const int refusals = rig->log().count("Wait until the previous command is completed!");
        c.intrude(*this);
        EXPECT_EQ(rig->log().count("Wait until the previous command is completed!"), refusals + 1);
        ASSERT_TRUE(rest());
        EXPECT_FALSE(rig->controller->handler().panelOperationRunning());
        EXPECT_EQ(rig->s().machines.EnterFunctions_state, kEnterFunctionsWaiting);
        EXPECT_EQ(rig->s().machines.EnterModule_state, MODULE_STOPPED);
    }
}

TEST_F(ModuleBenchTest, LockedModuleRefusesTheSelection) {
    connect("vrak2-locked.json");
    EXPECT_TRUE(module().controls().pictureBox_padlock_lock->isEnabled());
    const std::size_t before = rig->frames().size();
    module().button_Set_Selected_Protocols_Click();
    ASSERT_TRUE(rest());
    ASSERT_FALSE(rig->dialogs.shown.empty());
    EXPECT_EQ(
        rig->dialogs.shown.back().text,
        QStringLiteral("The module protection is active. Insert password and unlock the module first."));
    const auto frames = rig->frames();
    for (std::size_t i = before; i < frames.size(); ++i) EXPECT_NE(frames[i].frame[4], 0x0D);
}

// "Set" on a file protocol: the bench's module takes the image, checks its checksum and selects the
// programmed slot, which the read-back shows as the module's own protocol.
TEST_F(ModuleBenchTest, FileProtocolIsProgrammedAndReadBack) {
    connect("vrak1-direct.json");
    ASSERT_TRUE(chooseProtocol(module(), kDemoProtocol));
    const std::size_t before = rig->frames().size();
    module().button_SetProtocol_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(framesWithCode(*rig, before, kSendLineCode), 64);
    EXPECT_FALSE(rig->log().contains(QStringLiteral("error!"))) << rig->log().toStdString();
    EXPECT_TRUE(module().panel().combo(0)->currentText().contains(QStringLiteral("CAN DEMO 250")))
        << module().panel().combo(0)->currentText().toStdString();
    EXPECT_EQ(rig->s().moduleStatus.Mdl_Selected_Slot, 6);  // the second of the four programmed slots
    EXPECT_EQ(rig->s().machines.EnterModule_state, MODULE_STOPPED);
}

// The right password unlocks the locked bench module; the log is read entry by entry.
TEST_F(ModuleBenchTest, LockedModuleIsUnlockedAndItsLogRead) {
    connect("vrak2-locked.json");
    const ModuleControls& c = module().controls();
    c.textBox_modue_password->setText(QStringLiteral("000001"));
    module().button_lock_unlock_protection_Click();
    ASSERT_TRUE(rest());
    EXPECT_TRUE(c.pictureBox_padlock_lock->isEnabled());  // a wrong password changes nothing
    c.textBox_modue_password->setText(QStringLiteral("123456"));
    module().button_lock_unlock_protection_Click();
    ASSERT_TRUE(rest());
    EXPECT_TRUE(c.pictureBox_padlock_unlock->isEnabled());
    EXPECT_FALSE(c.pictureBox_padlock_lock->isEnabled());
    // A lock request with another password: neither shows in the status log, packed or not.
    c.textBox_modue_password->setText(QStringLiteral("654321"));
    module().button_lock_unlock_protection_Click();
    ASSERT_TRUE(rest());
    const QString log = rig->log();
    EXPECT_TRUE(log.contains(QStringLiteral("**.**.**.**.**.")));
    for (const char* secret : {"123456", "12.34.56", "654321", "65.43.21"})
        EXPECT_FALSE(log.contains(QLatin1String(secret))) << secret;

    module().button_read_log_Click();
    ASSERT_TRUE(rest());
    const QStringList lines = c.TextBox_log->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    EXPECT_EQ(static_cast<int>(lines.size()), rig->s().moduleStatus.Mdl_VRAK_Logs_Number) << c.TextBox_log->toPlainText().toStdString();
    if (!lines.isEmpty()) EXPECT_TRUE(lines[0].startsWith(QStringLiteral("1 - time: ")));
}

// Through the product the new setting lands in the product's module bytes and is read back.
TEST_F(ModuleBenchTest, ModuleThroughTheProductIsSetAndReadBack) {
    connect("aux31-through-product.json");
    auto& st = rig->s().moduleStatus;
    st.ParA_toSet = 5;
    st.ParB_C_toSet = 0x0D;
    module().SetProtocol_fnc();
    ASSERT_TRUE(rest());
    EXPECT_EQ(st.module_data, (std::array<std::uint8_t, 3>{5, 1, 3}));
    EXPECT_EQ(st.Mdl_Selected_Parameter_A, 5);
    EXPECT_EQ(rig->s().machines.EnterModule_state, MODULE_STOPPED);
}

// The product that does not answer its test mode cannot pass the set-up on to its module: the
// set-up ends there, and nothing reaches the module.
TEST_F(ModuleBenchTest, ATestModeTimeOutEndsTheSetUpThroughTheProduct) {
    connect("aux31-through-product.json");
    auto& st = rig->s().moduleStatus;
    const auto before = st.module_data;
    rig->lib->withBench([](sim::Bench& b) { b.config().faults.dropCommand.push_back({0x05, 0, 1000}); });
    st.ParA_toSet = 5;
    st.ParB_C_toSet = 0x0D;
    const std::size_t sentBefore = rig->frames().size();
    module().SetProtocol_fnc();
    ASSERT_TRUE(rest());
    const auto frames = rig->frames();
    int testModes = 0, setups = 0;
    for (std::size_t i = sentBefore; i < frames.size(); ++i) {
        const auto& f = frames[i].frame;
        testModes += f[1] == 0xF2 && f[4] == 0x05 ? 1 : 0;
        setups += f[1] == 0xF2 && f[3] == 5 && f[4] == 0x0A ? 1 : 0;  // AUX_MODULE_SETUP
    }
    EXPECT_GT(testModes, 0);
    EXPECT_EQ(setups, 0) << rig->log().toStdString();
    EXPECT_EQ(st.module_data, before);
}

}  // namespace

namespace {

// "Power off" in the pause of an operation on a module behind the product: nothing is left
// half-way, so nothing counts as running afterwards.
TEST_F(ModuleBenchTest, PowerOffInTheMiddleOfAModuleOperationLeavesNothingRunning) {
    connect("aux31-through-product.json");
    auto& st = rig->s().moduleStatus;
    st.ParA_toSet = 5;
    st.ParB_C_toSet = 0x0D;
    module().SetProtocol_fnc();
    ASSERT_TRUE(rig->runFor(10000, [&] {
        const HandlerState& hs = rig->s().link;
        return rig->s().machines.EnterModule_state != MODULE_STOPPED &&
               hs.CmdHandler_state.load() == HANDLER_READY && hs.TxRequest.load() == 0;
    }));
    rig->controller->product().closeToolStripMenuItem_Click();
    ASSERT_TRUE(rest());
    EXPECT_EQ(rig->s().product.Prd_connected, 0);
    EXPECT_FALSE(rig->controller->handler().panelOperationRunning());
    EXPECT_EQ(rig->s().machines.EnterModule_state, MODULE_STOPPED);
}

}  // namespace

namespace {

// A row's button clicked while "Set all" waits for an answer is refused; the refusal must leave the
// running operation whole, its module part included.
TEST_F(ModuleBenchTest, ARefusedClickLeavesTheRunningSetAllWhole) {
    connect("aux31-through-product.json");
    PanelOperations& ops = rig->controller->panelOperations();
    const std::size_t before = rig->frames().size();
    ops.buttonSetAll_Click();
    ASSERT_TRUE(rig->runFor(10000, [&] {
        const HandlerState& hs = rig->s().link;
        return rig->s().machines.EnterFunctions_state != kEnterFunctionsWaiting &&
               (hs.CmdHandler_state.load() != HANDLER_READY || hs.TxRequest.load() != 0);
    }));
    const int refusals = rig->log().count("Wait until the previous command is completed!");
    ops.FunctionButton_Click(0);
    EXPECT_EQ(rig->log().count("Wait until the previous command is completed!"), refusals + 1);
    ASSERT_TRUE(rest());
    const auto frames = rig->frames();
    bool moduleSet = false;
    for (std::size_t i = before; i < frames.size(); ++i)
        moduleSet = moduleSet || (frames[i].frame.size() > 4 && frames[i].frame[4] == 0x0A);
    EXPECT_TRUE(moduleSet) << "the module part of Set all was dropped";
}

}  // namespace

// A refused verify is an answer over a working link: with "Auto conn" ticked nothing reboots the
// product, and the failure stays in the progress label with the chosen protocol.
TEST(ModuleBenchAutoConn, RefusedVerifyStaysOnScreen) {
    std::string error;
    auto bench = sim::loadBenchFile(DRAVIK_SOURCE_DIR "/data/benches/vrak1-direct.json", error);
    ASSERT_TRUE(bench) << error;
    bench->module.bytesPerSlot = 512;  // the module checks a bigger image than the one sent
    ScenarioRig rig(*bench, true);
    ASSERT_TRUE(installSampleData(rig, error)) << error;
    EnterModule& module = rig.controller->module();
    ASSERT_TRUE(rig.runFor(60000, [&] {
        return module.panel().combo(0) != nullptr && module.panel().combo(0)->count() > 0 &&
               !rig.controller->handler().ProcessIsInProgress(false);
    }));
    ASSERT_TRUE(chooseProtocol(module, kDemoProtocol));
    module.button_SetProtocol_Click();
    ASSERT_TRUE(rig.runFor(60000, [&] { return rig.log().contains(QStringLiteral("### VERIFY_FIRMWARE error! ###")); }));
    rig.runFor(10000);
    EXPECT_EQ(rig.progress.text, QStringLiteral("VERIFY_FIRMWARE failed: the module's image differs"));
    EXPECT_EQ(rig.log().count(QStringLiteral("AutoConn: Reboot product")), 0);
    ASSERT_NE(module.panel().combo(0), nullptr);
    EXPECT_TRUE(module.panel().combo(0)->currentText().contains(QStringLiteral("CAN DEMO 250")));
}

// A flash line answer that echoes another slot or line, or a module that loses power mid-image:
// the run stops at that line with its own reason and the image is never verified.
TEST_F(ModuleBenchTest, AWrongLineAnswerStopsTheProgrammingAtThatLine) {
    struct Case {
        const char* name;
        void (*fault)(sim::Faults&);
        const char* logLine;
        const char* progress;
    };
    const Case cases[] = {
        {"wrong slot echo", [](sim::Faults& f) { f.wrongSlotEchoAtLine = 5; }, "### SEND_DATA_SLOT (slot) error! ###",
         "SEND_DATA_SLOT failed at slot 0 line 4"},
        {"wrong line echo", [](sim::Faults& f) { f.wrongLineEchoAtLine = 5; }, "### SEND_DATA_SLOT (line) error! ###",
         "SEND_DATA_SLOT failed at slot 0 line 4"},
        {"power lost", [](sim::Faults& f) { f.powerLossAtLine = 5; }, "Module rx", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        connect("vrak1-direct.json");
        rig->lib->withBench([&](sim::Bench& b) { c.fault(b.config().faults); });
        ASSERT_TRUE(chooseProtocol(module(), kDemoProtocol));
        const std::size_t before = rig->frames().size();
        module().button_SetProtocol_Click();
        ASSERT_TRUE(rest());
        const QString log = rig->log();
        EXPECT_TRUE(log.contains(QString::fromLatin1(c.logLine))) << log.toStdString();
        // The faulty line, and for a silent module its two resends.
        EXPECT_LE(framesWithCode(*rig, before, kSendLineCode), 8);
        EXPECT_EQ(framesWithCode(*rig, before, kVerifyCode), 0);
        if (c.progress != nullptr) EXPECT_EQ(rig->progress.text, QString::fromLatin1(c.progress));
    }
}

// The adapter unplugged in the middle of a programming: the run stops and the progress label says
// the adapter is gone instead of keeping its last step.
TEST_F(ModuleBenchTest, UnplugInTheMiddleOfProgrammingSaysTheAdapterIsGone) {
    connect("vrak1-direct.json");
    ASSERT_TRUE(chooseProtocol(module(), kDemoProtocol));
    const std::size_t before = rig->frames().size();
    module().button_SetProtocol_Click();
    ASSERT_TRUE(rig->runFor(60000, [&] { return framesWithCode(*rig, before, kSendLineCode) >= 10; }));
    rig->plug(false);
    rig->runFor(10000);
    EXPECT_EQ(rig->progress.text, QStringLiteral("Adapter unplugged: the operation was stopped."));
    EXPECT_TRUE(rig->log().contains(QStringLiteral("The adapter was unplugged in the middle of an operation")));
    EXPECT_FALSE(rig->controller->handler().ProcessIsInProgress(false));
}
