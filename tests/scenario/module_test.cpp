#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>

#include "connection/MbusSetup.h"
#include "support/ModuleRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

constexpr std::uint8_t kSetupCode = 0x40;

Slot_T slot(const char* name, std::uint8_t number, std::uint8_t decoder, std::uint8_t version, std::uint8_t group,
            std::uint8_t type = kModuleA2, std::uint8_t moduleVersion = 1) {
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
                return std::vector<std::uint8_t>{static_cast<std::uint8_t>(protection == 0 ? 1 : 0)};
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
    rig.lib.device = [](const dataBuffer& rq) { return std::vector<std::uint8_t>{rq[9], static_cast<std::uint8_t>(rq[9] - 0x2F)}; };
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
    const Case cases[] = {{16, 5, 0, (2 << 2) | 3}, {31, 5, 0, (2 << 2) | 3}, {47, 5, 0, (2 << 2) | 3},
                          {0x81, 5, 1, 0},          {0x55, 0, 0, 0}};
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
        [](EnterModule& m) { m.Read_ALL_Protocol_fnc(); }, [](EnterModule& m) { m.Write_SELECTION_Protocols_fnc(); },
        [](EnterModule& m) { m.module_protection(); },     [](EnterModule& m) { m.READ_Log_fnc(); },
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

}  // namespace
