#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <algorithm>

#include "connection/MbusSetup.h"
#include "module/Programmer.h"
#include "support/ModuleRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

constexpr std::uint8_t kSetupCode = 0x40;

Slot_T slot(const char* name, std::uint8_t number, std::uint8_t decoder, std::uint8_t version,
            std::uint8_t group, std::uint8_t type = kModuleA2, std::uint8_t moduleVersion = 1) {
    Slot_T s{};
    s.name.fill(' ');
    for (std::size_t i = 0; i < 14 && name[i] != 0; ++i) s.name[i] = static_cast<std::uint8_t>(name[i]);
    s.slot_number = number;
    s.revision = 'A';
    s.version = version;
    s.decoder_type = decoder;
    s.group = group;
    s.module_type = type;
    s.module_version = moduleVersion;
    return s;
}

// A slot module on the cable, answering only while the adapter's lines are switched for it.
struct SlotModule {
    std::uint8_t speed = 3;
    std::array<std::uint8_t, 8> selection{3, 2, 0, 1, 2, 0, 3, 7};  // ACTUAL_SLOT_CONFIGURATION bytes 9..16
    std::vector<Slot_T> all;
    std::uint8_t protection = 0;
    std::uint8_t logs = 0;
    std::uint16_t lines = 0x00FF;
    std::uint8_t baud = 0;
    int silentSlotAnswers = 0;
    bool refusesWrites = false;  // answers a selection write with 0 though it reports no protection
    std::vector<std::vector<std::uint8_t>> writes;

    bool listening() const { return (lines & 0x0400) != 0 && (lines & 0x0002) != 0 && baud == speed; }

    std::optional<std::vector<std::uint8_t>> answer(const dataBuffer& rq) {
        if (rq[kDest] == kDestInterface && rq[kCode] == kSetupCode) {
            lines = static_cast<std::uint16_t>(rq[10] << 8 | rq[11]);
            if (rq[12] != 0) baud = rq[12];
            return std::vector<std::uint8_t>{0, 0x01};  // input 2 low: a module on the cable
        }
        if (!listening()) return std::nullopt;
        switch (rq[kCode]) {
            case 0x09:
                return std::vector<std::uint8_t>(selection.begin(), selection.end());
            case 0x0A:
                return std::vector<std::uint8_t>{static_cast<std::uint8_t>(all.size()), protection, logs};
            case 0x0B:
            case 0x0C: {
                if (silentSlotAnswers > 0) {
                    --silentSlotAnswers;
                    return std::nullopt;
                }
                const int n = rq[9];
                const bool working = rq[kCode] == 0x0B;
                if (n < 1 || n > static_cast<int>(all.size())) return std::vector<std::uint8_t>(23, 0);
                const Slot_T& s = all[static_cast<std::size_t>(n - 1)];
                std::vector<std::uint8_t> d{rq[9]};
                d.insert(d.end(), s.name.begin(), s.name.end());
                d.insert(d.end(), {s.revision, s.version, s.decoder_type, s.group});
                if (!working) d.insert(d.end(), s.slot_mem.begin(), s.slot_mem.end());
                return d;
            }
            case 0x0D:
                writes.emplace_back(rq.bytes.begin() + 9, rq.bytes.begin() + 14);
                return std::vector<std::uint8_t>{static_cast<std::uint8_t>(protection == 0 && !refusesWrites ? 1 : 0)};
            default:
                return std::nullopt;
        }
    }
};

struct ModuleTest : ::testing::Test {
    ModuleRig rig;
    SlotModule device;

    void SetUp() override {
        rig.lib.device = [this](const dataBuffer& rq) { return device.answer(rq); };
    }
    // Codes of the requests sent, in order; MBUS_SETUP as 0x40.
    std::vector<int> codes() const {
        std::vector<int> out;
        for (const dataBuffer& b : rig.lib.sent) out.push_back(b[kCode]);
        return out;
    }
    QComboBox* protocols() { return rig.module->panel().combo(0); }
    QStringList protocolTexts() {
        QStringList out;
        if (QComboBox* c = protocols())
            for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
        return out;
    }
};

TEST_F(ModuleTest, CableWithoutModuleTakesTheRouteThroughTheProduct) {
    rig.directModule(kModuleA1);
    rig.hs.Cable_Module_DirectConnection = 0;
    rig.prd.Prd_Module_Info_Address = 0x30;
    rig.prd.Prd_Module_Info_Address_Length = 1;
    rig.lib.device = [](const dataBuffer&) { return std::vector<std::uint8_t>{0x30, 0}; };
    rig.module->Read_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(codes(), (std::vector<int>{0x01}));
    EXPECT_EQ(rig.lib.sent[0][kData], 0x30);
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
}

TEST_F(ModuleTest, SwitchedModuleIsAskedItsSelectionAtOnce) {
    rig.directModule(kModuleA1);
    device.lines = kOutputsModuleOn;
    device.baud = device.speed;
    device.selection[4] = 0;  // no working slots
    rig.cs.Actual_communication = 1;
    rig.hs.Product_supply = 1;
    rig.module->Read_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(codes(), (std::vector<int>{0x09}));
}

// All lines off at the module's speed, 2 s, supply and output 1 high on, 2 s, then the selection.
TEST_F(ModuleTest, FirstDirectOperationSwitchesTheLinkWithPauses) {
    rig.directModule(kModuleA2, 3);
    device.selection[4] = 0;
    rig.module->Read_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    const std::vector<int> sent = codes();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ((std::vector<int>(sent.begin(), sent.begin() + 4)), (std::vector<int>{0x40, 0x40, 0x09, 0x0A}));
    const auto& s = rig.lib.sent;
    EXPECT_EQ(s[0][10] << 8 | s[0][11], 0x00FF);
    EXPECT_EQ(s[0][12], 3);
    EXPECT_EQ(s[1][10] << 8 | s[1][11], 0x857A);
    EXPECT_EQ(s[1][12], 0);
    const auto& t = rig.lib.sentAtUs;
    const std::int64_t answer = rig.lib.answerDelayUs;
    EXPECT_GE(t[1] - t[0] - answer, 2000000);
    EXPECT_LT(t[1] - t[0] - answer, 2100000);
    EXPECT_GE(t[2] - t[1] - answer, 2000000);
    EXPECT_LT(t[2] - t[1] - answer, 2100000);
    EXPECT_EQ(rig.cs.Actual_communication, 1);
}

TEST_F(ModuleTest, ModuleInformationIsReadByteByByteThroughTheProduct) {
    rig.mod.Mod_SoftwareType = 31;
    rig.mod.Mod_index = 4;
    rig.prd.Prd_Module_Info_Address = 0x30;
    rig.prd.Prd_Module_Info_Address_Length = 3;
    rig.lib.device = [](const dataBuffer& rq) {
        return std::vector<std::uint8_t>{rq[9], static_cast<std::uint8_t>(rq[9] - 0x2F)};
    };
    rig.module->Read_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    ASSERT_EQ(rig.lib.sent.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.lib.sent[static_cast<std::size_t>(i)][kData], 0x30 + i);
    EXPECT_EQ(rig.st.module_data, (std::array<std::uint8_t, 3>{1, 2, 3}));
    EXPECT_EQ(rig.progress.text, QStringLiteral("Process terminated"));
}

TEST_F(ModuleTest, ModuleInformationIsDecodedByType) {
    struct Case {
        std::uint8_t type;
        std::uint16_t a, b, c;
    };
    // Information bytes 5, 3, 2.
    const Case cases[] = {{16, 5, 0, (2 << 2) | 3},
                          {31, 5, 0, (2 << 2) | 3},
                          {47, 5, 0, (2 << 2) | 3},
                          {0x81, 5, 1, 0},
                          {0x55, 0, 0, 0}};
    for (const Case& c : cases) {
        ModuleRig r;
        r.mod.Mod_SoftwareType = c.type;
        r.mod.Mdl_Selected_MaxParameter_B = 1;
        r.mod.Mdl_Selected_MaxParameter_C = 2;
        r.st.module_data = {5, 3, 2};
        r.ms.EnterModule_state = MODULE_INFO_DONE;
        r.module->step();
        EXPECT_EQ(r.st.Mdl_Selected_Parameter_A, c.a) << int(c.type);
        EXPECT_EQ(r.st.Mdl_Selected_Parameter_B, c.b) << int(c.type);
        EXPECT_EQ(r.st.Mdl_Selected_Parameter_C, c.c) << int(c.type);
        EXPECT_EQ(r.st.Mdl_Selected_Parameter_B_C, c.b * 256 + c.c) << int(c.type);
        EXPECT_EQ(r.st.Mdl_Selected_MaxParameter_B_C, 0x0102) << int(c.type);
        EXPECT_EQ(r.ms.EnterModule_state, MODULE_OPERATION_END) << int(c.type);
    }
}

// A type 0xA1 module has no slot list, protection or log: those operations end after the selection.
TEST_F(ModuleTest, A1EndsAtOnceForOperationsItDoesNotHave) {
    const std::vector<std::function<void(EnterModule&)>> starters = {
        [](EnterModule& m) { m.Read_ALL_Protocol_fnc(); },
        [](EnterModule& m) { m.Write_SELECTION_Protocols_fnc(); },
        [](EnterModule& m) { m.module_protection(); }, [](EnterModule& m) { m.READ_Log_fnc(); },
        [](EnterModule& m) { m.CLEAR_Log_fnc(); }};
    for (const auto& start : starters) {
        ModuleRig r;
        SlotModule dev;
        r.lib.device = [&dev](const dataBuffer& rq) { return dev.answer(rq); };
        r.directModule(kModuleA1);
        start(*r.module);
        ASSERT_TRUE(r.rest());
        std::vector<int> sent;
        for (const dataBuffer& b : r.lib.sent) sent.push_back(b[kCode]);
        EXPECT_EQ(sent, (std::vector<int>{0x40, 0x40, 0x09}));
        EXPECT_EQ(r.st.Mdl_OperationToDo, OP_NONE);
        EXPECT_EQ(r.ms.EnterModule_state, MODULE_STOPPED);
    }
}

// Slot list fixture: working slots in SlotsTable, groups flagged as a working read would.
struct ModuleListingTest : ModuleTest {
    void working(int index, const Slot_T& s) {
        rig.tables->SlotsTable[static_cast<std::size_t>(index)] = s;
        if (s.group != 0) rig.tables->WorkingProtocolsGroups_Table[s.group] = 1;
    }
    void fromFile(int index, Slot_T s) {
        s.file_marker = 200;
        const char path[] = "/data/protocols/p.txt";
        std::copy(path, path + sizeof path - 1, s.file_path.begin());
        rig.tables->SlotsTable[static_cast<std::size_t>(index)] = s;
    }
    void selected(std::uint8_t decoder, std::uint8_t version) {
        rig.st.Mdl_Selected_Decode = decoder;
        rig.st.Mdl_Selected_Decode_Version = version;
    }
};

TEST_F(ModuleListingTest, BlankNamesAndUngroupedSlotsOfA2AreNotOffered) {
    rig.directModule(kModuleA2);
    working(0, slot("     HIDDEN", 1, 1, 1, 1));
    working(1, slot("SHOWN", 2, 2, 1, 1));
    working(2, slot("NOGROUP", 3, 3, 1, 0));
    rig.module->Fill_Working_VRAK_Protocols(3, false);
    EXPECT_EQ(protocolTexts(), (QStringList{QStringLiteral("02  A  SHOWN           ver. 1 ")}));
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_OPERATION_END);
    EXPECT_TRUE(rig.module->controls().button_ReadProtocols->isEnabled());
    EXPECT_TRUE(rig.view.readSetAll);

    rig.directModule(kModuleA1);
    for (int i = 0; i < 3; ++i) rig.tables->SlotsTable[static_cast<std::size_t>(i)].module_type = kModuleA1;
    rig.module->Fill_Working_VRAK_Protocols(3, false);
    EXPECT_EQ(protocolTexts().size(), 2);  // group 0 counts on 0xA1
}

// The module works on decoder 5 version 3; a file brings version 4: the older item gives way, no
// item is selected, the module's own values stay to be set, and the user is asked.
TEST_F(ModuleListingTest, NewerFileProtocolReplacesTheWorkingOneAndAsks) {
    rig.directModule(kModuleA2);
    selected(5, 3);
    rig.st.Mdl_Selected_Parameter_B_C = 0x0102;
    working(0, slot("DECODER", 1, 5, 3, 1));
    working(1, slot("OTHER", 2, 6, 1, 1));
    fromFile(2, slot("DECODER", 4, 5, 4, 1));
    rig.dialogs.answers = {Dialogs::Ok};
    rig.module->Fill_Working_VRAK_Protocols(3, false);
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].caption, QStringLiteral("Protocol version check"));
    EXPECT_EQ(rig.dialogs.shown[0].text,
              QStringLiteral("A newer  protocol has been found.\r\nSet it?\r\n\r\nPress 'Cancel' to leave "
                             "the actual version."));
    EXPECT_EQ(rig.st.Decode_toSet, 5);
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_SETUP);
    EXPECT_EQ(protocolTexts().size(), 2);
    EXPECT_EQ(protocols()->currentText(), QStringLiteral("05  A  DECODER         ver. 4 *"));
    EXPECT_EQ(rig.st.Decode_Version_toSet, 4);
    EXPECT_EQ(rig.module->controls().textBox_protocolPath->text(), QStringLiteral("p.txt"));
    EXPECT_EQ(rig.st.FileProtocolPath, QStringLiteral("/data/protocols/p.txt"));

    rig.dialogs.answers = {Dialogs::Cancel};
    rig.module->Fill_Working_VRAK_Protocols(3, false);
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_OPERATION_END);
}

TEST_F(ModuleListingTest, OlderFileProtocolStaysBesideTheSelectedOne) {
    rig.directModule(kModuleA2);
    selected(5, 3);
    working(0, slot("DECODER", 1, 5, 3, 1));
    fromFile(1, slot("DECODER", 4, 5, 2, 1));
    rig.module->Fill_Working_VRAK_Protocols(2, false);
    EXPECT_TRUE(rig.dialogs.shown.empty());
    EXPECT_EQ(protocolTexts().size(), 2);
    EXPECT_EQ(protocols()->currentText(), QStringLiteral("05  A  DECODER         ver. 3 "));
    EXPECT_EQ(rig.st.ProtocolSelected, protocols()->currentIndex());
    EXPECT_EQ(rig.st.Slot_toSet, 1);
    EXPECT_EQ(protocols()->palette().color(QPalette::Text), QColor(Qt::black));
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_OPERATION_END);

    protocols()->setCurrentIndex(1 - protocols()->currentIndex());  // the user picks the other one
    EXPECT_EQ(protocols()->palette().color(QPalette::Text), QColor(Qt::red));
}

// A module through the product has no protocols combo: its parameter groups come from the database.
TEST_F(ModuleListingTest, ParameterCombosThroughTheProduct) {
    rig.mod.Mod_SoftwareType = 47;
    rig.mod.Mod_index = 5;
    rig.mod.Mdl_Selected_MaxParameter_A = 15;
    rig.st.Mdl_Selected_MaxParameter_B_C = 0x010C;
    rig.st.Mdl_Selected_Parameter_A = 1;
    rig.st.Mdl_Selected_Parameter_B_C = 0x0108;
    rig.module->Fill_Working_VRAK_Protocols(0, false);
    ModulePanel& panel = rig.module->panel();
    ASSERT_EQ(panel.count(), 3);  // A, 0x000C, 0x0100
    EXPECT_EQ(panel.combo(0)->objectName(), QStringLiteral("comboBox_Module_0"));
    EXPECT_EQ(panel.combo(2)->geometry(), QRect(20, 70, 230, 21));
    EXPECT_EQ(panel.combo(0)->currentText(), QStringLiteral("Protocol 1"));
    EXPECT_EQ(panel.combo(1)->currentText(), QStringLiteral("Input 2 on"));
    EXPECT_EQ(panel.combo(2)->currentText(), QStringLiteral("Horn on"));
    EXPECT_EQ(rig.st.ParA_toSet, 1);
    EXPECT_FALSE(rig.module->controls().button_ReadProtocols->isEnabled());

    panel.combo(2)->setCurrentIndex(0);  // "Horn off"
    EXPECT_EQ(panel.combo(2)->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_EQ(panel.combo(1)->palette().color(QPalette::Text), QColor(Qt::black));
}

// The whole module, read on the cable: working slots, then all slots.
struct ModuleReadTest : ModuleTest {
    void SetUp() override {
        ModuleTest::SetUp();
        rig.directModule(kModuleA2);
        device.all = {slot("ALPHA", 1, 1, 1, 1), slot("BETA", 2, 2, 1, 2), slot("GAMMA", 3, 3, 1, 3)};
        device.all[0].slot_mem[0] = 1;
        device.selection[4] = 3;  // working slots
        device.selection[7] = 1;  // selected decoder
        device.selection[0] = 1;  // its version
    }
    QListWidget* list() { return rig.module->controls().checkedListBox_ProtocolSelection; }
    QListWidget* groups() { return rig.module->controls().listBox_selectDeselect_group; }
    std::vector<bool> checks() {
        std::vector<bool> out;
        for (int i = 0; i < list()->count(); ++i) out.push_back(list()->item(i)->checkState() == Qt::Checked);
        return out;
    }
};

TEST_F(ModuleReadTest, WorkingSlotsAndFileProtocolsFillThePanel) {
    QDir().mkpath(rig.protocolsFolder());
    QFile f(QDir(rig.protocolsFolder()).filePath(QStringLiteral("extra.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("@SLOTA20100\r\n44454C54412020202020202020204201\r\n0902\r\nq\r\n");
    f.close();
    rig.module->Read_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(protocolTexts(), (QStringList{QStringLiteral("01  A  ALPHA           ver. 1 "),
                                            QStringLiteral("02  A  BETA            ver. 1 "),
                                            QStringLiteral("03  A  GAMMA           ver. 1 "),
                                            QStringLiteral("09  B  DELTA           ver. 1 *")}));
    EXPECT_EQ(protocols()->currentText(), QStringLiteral("01  A  ALPHA           ver. 1 "));
    EXPECT_EQ(rig.progress.text, QStringLiteral("Process terminated"));
    EXPECT_EQ(rig.module->controls().label_progressBar_protocol->text(),
              QStringLiteral("Process terminated"));
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
}

// Slot answers that never come count as wrong answers: three, and the read ends.
TEST_F(ModuleReadTest, SilentSlotsEndTheReadAfterThreeTries) {
    device.silentSlotAnswers = 10;
    rig.module->Read_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(rig.log.count(QStringLiteral("### SLOT_SETTINGS_INFO error! ###")), 1);
    EXPECT_EQ(rig.progress.text, QStringLiteral("Transmit error !"));
    EXPECT_EQ(rig.prd.RetryNum, 0);
    EXPECT_EQ(rig.cs.Reboot, 1);
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
}

TEST_F(ModuleReadTest, AllSlotsWithGroupCodes) {
    device.all[0].group = 105;
    device.all[1].group = 100;
    rig.tables->All_SlotsTable[1].group = 9;          // kept by code 100
    device.all.push_back(slot("ALPHA", 4, 1, 2, 1));  // a newer ALPHA: the older one is not listed
    rig.module->Read_ALL_Protocol_fnc();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(rig.tables->All_SlotsTable[0].group, 5);
    EXPECT_EQ(rig.tables->All_SlotsTable[1].group, 9);
    ASSERT_EQ(list()->count(), 3);
    EXPECT_EQ(list()->item(0)->text(), QStringLiteral("02  A  BETA            ver. 1 "));
    EXPECT_EQ(groups()->count(), 4);  // 5, 9, 3, 1
    EXPECT_TRUE(rig.module->controls().button_Set_Selected_Protocols->isEnabled());
    EXPECT_TRUE(rig.module->controls().pictureBox_padlock_unlock->isVisibleTo(
        rig.module->controls().pictureBox_padlock_unlock->parentWidget()));
}

TEST_F(ModuleReadTest, CheckingByGroups) {
    rig.module->Read_ALL_Protocol_fnc();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(checks(), (std::vector<bool>{true, false, false}));
    ASSERT_EQ(groups()->count(), 3);
    // Groups 1 and 3, by their names.
    for (int i = 0; i < groups()->count(); ++i) {
        const Group g = groups()->item(i)->data(Qt::UserRole).value<Group>();
        groups()->item(i)->setSelected(g.Group_number == 1 || g.Group_number == 3);
    }
    EXPECT_EQ(checks(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(list()->item(2)->data(Qt::UserRole).value<Programmer>().Slot_mem1 & 1, 1);
    groups()->clearSelection();
    EXPECT_EQ(checks(), (std::vector<bool>{false, false, false}));
    EXPECT_EQ(list()->item(0)->data(Qt::UserRole).value<Programmer>().Slot_mem1 & 1, 0);

    rig.module->controls().checkBox_AllGroup->setChecked(true);
    rig.module->checkBox_AllGroup_Click();
    EXPECT_EQ(checks(), (std::vector<bool>{true, true, true}));
}

TEST_F(ModuleReadTest, WritingTheSelection) {
    rig.module->Read_ALL_Protocol_fnc();
    ASSERT_TRUE(rig.rest());
    list()->item(1)->setCheckState(Qt::Checked);
    rig.module->Write_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    ASSERT_EQ(device.writes.size(), 3u);
    EXPECT_EQ(device.writes[0], (std::vector<std::uint8_t>{1, 1, 0, 0, 0}));
    EXPECT_EQ(device.writes[1], (std::vector<std::uint8_t>{2, 1, 0, 0, 0}));
    EXPECT_EQ(device.writes[2], (std::vector<std::uint8_t>{3, 0, 0, 0, 0}));
}

// A refused slot write ends the selection write there with its own text: the later slots are not
// written and the protocol is not set over a selection the module did not take.
TEST_F(ModuleReadTest, ARefusedSlotWriteEndsTheSelectionWrite) {
    rig.module->Read_ALL_Protocol_fnc();
    ASSERT_TRUE(rig.rest());
    device.refusesWrites = true;
    rig.lib.sent.clear();
    rig.module->Write_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(device.writes.size(), 1u);
    EXPECT_EQ(rig.progress.text, QStringLiteral("Module refused the slots selection"));
    EXPECT_TRUE(rig.log.text().contains(QStringLiteral("### WRITE_SLOTS_SETTINGS error! ###\r\n")));
    EXPECT_EQ(codes().back(), 0x0D);  // nothing after the refused write
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
}

// The slot tables hold 250 slots: a module that reports more is refused before any slot is asked
// for, whichever list is read; 250 are read.
TEST_F(ModuleReadTest, MoreSlotsThanTheTablesHoldAreRefusedBeforeAnySlotIsRead) {
    struct Case {
        const char* name;
        int reported;
        bool all;  // the all-slots read, else the working slots of the selection read
        const char* refusal;
    };
    const Case cases[] = {
        {"251 working slots", 251, false,
         "### SLOT_SETTINGS_INFO error! ### The module reports 251 slots; at most 250 can be read"},
        {"255 slots in all", 255, true,
         "### ALL_SLOT_SETTINGS_INFO error! ### The module reports 255 slots; at most 250 can be read"},
        {"250 working slots", 250, false, nullptr},
        {"250 slots in all", 250, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        device.all.clear();
        for (int n = 1; n <= c.reported; ++n)
            device.all.push_back(slot("SLOT", static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n), 1, 1));
        device.selection[4] = static_cast<std::uint8_t>(c.reported);
        rig.log.clear();
        rig.lib.sent.clear();
        if (c.all) {
            rig.module->Read_ALL_Protocol_fnc();
        } else {
            rig.module->Read_SELECTION_Protocols_fnc();
        }
        ASSERT_TRUE(rig.rest(600000));
        const int slotCode = c.all ? 0x0C : 0x0B;
        const std::vector<int> sent = codes();
        const auto asked = std::count(sent.begin(), sent.end(), slotCode);
        if (c.refusal != nullptr) {
            EXPECT_EQ(asked, 0);
            EXPECT_TRUE(rig.log.text().contains(QLatin1String(c.refusal))) << rig.log.text().toStdString();
            EXPECT_EQ(rig.progress.text, QStringLiteral("Transmit error !"));
        } else {
            EXPECT_EQ(asked, c.reported);
            EXPECT_FALSE(rig.log.text().contains(QStringLiteral("error!"))) << rig.log.text().toStdString();
        }
        EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
    }
}

TEST_F(ModuleReadTest, NoSelectionIsWrittenWhenEmptyOrLocked) {
    rig.module->controls().textBox_modue_password->setText(QStringLiteral("123456"));
    rig.module->Write_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(rig.module->controls().label_progressBar_protocol->text(),
              QStringLiteral("Process terminated"));
    EXPECT_TRUE(device.writes.empty());

    rig.module->Read_ALL_Protocol_fnc();
    ASSERT_TRUE(rig.rest());
    device.protection = 1;
    rig.module->Write_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    EXPECT_TRUE(device.writes.empty());
    ASSERT_FALSE(rig.dialogs.shown.empty());
    EXPECT_EQ(rig.dialogs.shown.back().caption, QStringLiteral("Module protection check"));
    EXPECT_TRUE(rig.module->controls().textBox_modue_password->text().isEmpty());
    EXPECT_TRUE(rig.module->controls().pictureBox_padlock_lock->isEnabled());
}

}  // namespace

namespace {
// A module operation that cannot start ends with its own reason in the progress label, never
// with "Process terminated" written over it, and sends nothing. Without an identified module the
// status log says why, and the label does not stay on the chaining read's "Waiting...".
TEST_F(ModuleTest, FailuresBeforeAnyFrameKeepTheirOwnText) {
    struct Case {
        const char* name;
        std::function<void(ModuleRig&)> setUp;
        QString reason;  // in the status log
        QString label;
    };
    const std::vector<Case> cases = {
        {"link not set up for the product",
         [](ModuleRig& r) {
             r.mod.Mod_SoftwareType = 31;
             r.mod.Mod_index = 4;
             r.cs.Actual_communication = 1;
         },
         QStringLiteral("Module: the link is not set up for the product"),
         QStringLiteral("Module: the link is not set up for the product")},
        {"link set up for no known device",
         [](ModuleRig& r) {
             r.directModule(kModuleA1);
             r.cs.Actual_communication = 3;
             r.hs.Product_supply = 1;
         },
         QStringLiteral("Module: the link is set up for no known device (3)"),
         QStringLiteral("Module: the link is set up for no known device (3)")},
        // A module that did not answer its identification is never stepped: an operation started
        // on it would stay in progress for ever.
        {"no module identified",
         [](ModuleRig& r) {
             r.mod = ModuleState{};
             r.mod.Mod_timeout = 1;
             r.cs.Actual_communication = 2;
             r.ms.EnterModule_state = MODULE_STOPPED;
         },
         QStringLiteral("No module identified: the module operation is not started\r\n"),
         QStringLiteral("Process terminated")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rig.lib.sent.clear();
        rig.progress.text = QStringLiteral("Waiting...");
        c.setUp(rig);
        rig.module->Read_SELECTION_Protocols_fnc();
        ASSERT_TRUE(rig.rest());
        EXPECT_TRUE(rig.lib.sent.empty());
        EXPECT_EQ(rig.progress.text, c.label);
        EXPECT_TRUE(rig.log.text().contains(c.reason)) << rig.log.text().toStdString();
        EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
    }
}

// A module on the cable of a type without slots (type 47 may be wired directly) answers its
// selection; the operation then ends with its reason instead of staying in progress.
TEST_F(ModuleTest, ADirectModuleWithoutSlotsEndsWithItsReason) {
    rig.directModule(kModuleA2);
    rig.mod.Mod_SoftwareType = 47;
    rig.module->Read_SELECTION_Protocols_fnc();
    ASSERT_TRUE(rig.rest());
    ASSERT_FALSE(codes().empty());
    EXPECT_EQ(codes().back(), 0x09);  // ACTUAL_SLOT_CONFIGURATION, and nothing after it
    EXPECT_EQ(rig.progress.text, QStringLiteral("Module: software type 2f is not a slot module"));
    EXPECT_TRUE(rig.log.text().contains(QStringLiteral("Module: software type 2f is not a slot module\r\n")));
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
    EXPECT_FALSE(rig.handler.ProcessIsInProgress(false));
}
}  // namespace
