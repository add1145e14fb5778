#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <map>

#include "module/FlashCrc.h"
#include "support/ModuleRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kSetupCode = 0x40;
constexpr std::uint8_t kConfig = 0x09, kAllConfig = 0x0A, kIndexSetup = 0x08, kDecodeSetup = 0x0F,
                       kProtection = 0x0E, kLogs = 0x79, kSendLine = 0x7C, kUnlock = 0x7E, kVerify = 0x7F;
constexpr std::uint8_t kKey1 = 0x5A, kKey2 = 0xC3;

// A direct slot module with a flash, a lock and a log. Faults: silent answers and altered line
// answers by count.
struct FlashModule {
    Bytes selection{3, 2, 0, 1, 0, 0, 3, 7};  // no working slots: the read-back ends after the selection
    std::uint8_t protection = 0;
    std::uint8_t logCount = 0;
    std::vector<Bytes> logs;  // entry n at n - 1: time high, low, type, five data bytes
    std::uint8_t clearAnswer = 0xFF;
    bool unlocked = false;
    Bytes flash = Bytes(1024, 0xFF);
    std::map<std::uint8_t, int> silent;  // command code -> answers to drop
    int wrongSlotAnswers = 0;
    int wrongLogEntries = 0;
    std::uint8_t lineResult = 1;
    std::vector<int> lineProgress;  // the product bar when each line was sent
    const RecordingProgress* progress = nullptr;

    std::optional<Bytes> answer(const dataBuffer& rq) {
        if (rq[kDest] == kDestInterface && rq[kCode] == kSetupCode) return Bytes{0, 0x01};
        const std::uint8_t code = rq[kCode];
        if (int& n = silent[code]; n > 0) {
            --n;
            return std::nullopt;
        }
        switch (code) {
            case kConfig:
                return selection;
            case kAllConfig:
                return Bytes{0, protection, logCount};
            case kUnlock:
                unlocked = rq[9] == kKey1 && rq[10] == kKey2;
                return Bytes{static_cast<std::uint8_t>(unlocked ? 1 : 0)};
            case kSendLine: {
                if (progress != nullptr) lineProgress.push_back(progress->value);
                if (!unlocked) return Bytes{rq[9], rq[10], 0};
                std::copy_n(rq.bytes.begin() + 11, 16, flash.begin() + rq[9] * 256 + rq[10] * 16);
                const std::uint8_t echoSlot =
                    wrongSlotAnswers > 0 ? static_cast<std::uint8_t>(rq[9] + 1) : rq[9];
                if (wrongSlotAnswers > 0) --wrongSlotAnswers;
                return Bytes{echoSlot, rq[10], lineResult};
            }
            case kVerify: {
                const std::uint16_t crc = CalcFlashCRC(flash.data(), static_cast<int>(flash.size()));
                return Bytes{static_cast<std::uint8_t>(
                    unlocked && rq[9] == (crc & 0xFF) && rq[10] == crc >> 8 ? 1 : 0)};
            }
            case kIndexSetup:
            case kDecodeSetup:
            case kProtection:
                return Bytes{1};
            case kLogs: {
                if (rq[9] == 0xFF) return Bytes{clearAnswer};
                if (rq[9] < 1 || rq[9] > logs.size()) return Bytes(9, 0);
                Bytes a{static_cast<std::uint8_t>(wrongLogEntries > 0 ? rq[9] + 1 : rq[9])};
                if (wrongLogEntries > 0) --wrongLogEntries;
                const Bytes& e = logs[rq[9] - 1u];
                a.insert(a.end(), e.begin(), e.end());
                return a;
            }
            default:
                return std::nullopt;
        }
    }
};

// A type 0xA2 module with four slots of 256 bytes, and a protocol file of that size in the panel.
struct ProgrammingTest : ::testing::Test {
    ModuleRig rig;
    FlashModule device;
    Bytes image;
    QString filePath;

    void SetUp() override {
        device.progress = &rig.progress;
        rig.lib.device = [this](const dataBuffer& rq) { return device.answer(rq); };
        rig.directModule(kModuleA2);
        rig.mod.Mod_SlotsPerBlock = 4;
        rig.mod.Mod_BytesPerSlot = 256;
        rig.mod.Mod_LinesPerSlot = 15;
        rig.mod.Mod_UnlockFlashKey1 = kKey1;
        rig.mod.Mod_UnlockFlashKey2 = kKey2;
        rig.st.ParB_C_toSet = 0x0102;
        for (int i = 0; i < 1024; ++i) image.push_back(static_cast<std::uint8_t>(i * 7 + i / 256));
        filePath = writeFile(QStringLiteral("new.txt"), image, 0);
    }

    // Four sections, one per slot; scramble is the header's flag byte.
    QString writeFile(const QString& name, const Bytes& bytes, std::uint8_t scramble) {
        QDir().mkpath(rig.protocolsFolder());
        const QString path = QDir(rig.protocolsFolder()).filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        for (std::size_t s = 0; s < 4; ++s) {
            f.write(QStringLiteral("@SLOTA201%1\r\n").arg(scramble, 2, 16, QLatin1Char('0')).toLatin1());
            for (std::size_t l = 0; l < 16; ++l) {
                const auto* from = reinterpret_cast<const char*>(bytes.data() + s * 256 + l * 16);
                f.write(QByteArray(from, 16).toHex().toUpper() + "\r\n");
            }
        }
        f.write("q\r\n");
        return path;
    }

    // The panel offers the module's own decoder 5 and a file protocol of decoder 9; the one chosen
    // is selected in the protocols combo.
    void choose(bool fromFile, const QString& path = {}) {
        Slot_T own{};
        own.name.fill(' ');
        std::copy_n("OWN", 3, own.name.begin());
        own.slot_number = 2;
        own.revision = 'A';
        own.version = 1;
        own.decoder_type = 5;
        own.group = 1;
        own.module_type = kModuleA2;
        own.module_version = 1;
        Slot_T file = own;
        std::copy_n("FILE", 4, file.name.begin());
        file.decoder_type = 9;
        file.slot_number = 7;
        const QByteArray p = (path.isEmpty() ? filePath : path).toLatin1();
        std::copy(p.begin(), p.end(), file.file_path.begin());
        file.file_marker = kFileMarker;
        rig.tables->SlotsTable[0] = own;
        rig.tables->SlotsTable[1] = file;
        rig.tables->WorkingProtocolsGroups_Table[1] = 1;
        rig.module->Fill_Working_VRAK_Protocols(2, false);
        QComboBox* combo = rig.module->panel().combo(0);
        ASSERT_NE(combo, nullptr);
        combo->setCurrentIndex(
            combo->findText(fromFile ? QStringLiteral("FILE") : QStringLiteral("OWN"), Qt::MatchContains));
        rig.st.ParB_C_toSet = 0x0102;  // as the parameter combos would give
    }

    std::vector<const dataBuffer*> sent(std::uint8_t code) const {
        std::vector<const dataBuffer*> out;
        for (const dataBuffer& b : rig.lib.sent)
            if (b[kDest] != kDestInterface && b[kCode] == code) out.push_back(&b);
        return out;
    }
    Bytes data(const dataBuffer& b, int n) const {
        return Bytes(b.bytes.begin() + 9, b.bytes.begin() + 9 + n);
    }
    bool setProtocol() {
        rig.module->SetProtocol_fnc();
        return rig.rest();
    }
};

TEST_F(ProgrammingTest, FileProtocolIsSentLineByLineVerifiedAndSelected) {
    choose(true);
    ASSERT_TRUE(setProtocol());
    ASSERT_EQ(sent(kUnlock).size(), 1u);
    EXPECT_EQ(data(*sent(kUnlock)[0], 2), (Bytes{kKey1, kKey2}));
    const auto lines = sent(kSendLine);
    ASSERT_EQ(lines.size(), 64u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Bytes d = data(*lines[i], 18);
        ASSERT_EQ(d[0], i / 16) << i;
        ASSERT_EQ(d[1], i % 16) << i;
        ASSERT_TRUE(std::equal(d.begin() + 2, d.end(), image.begin() + static_cast<std::ptrdiff_t>(i * 16)))
            << i;
    }
    EXPECT_EQ(device.lineProgress.front(), 0);
    EXPECT_EQ(device.lineProgress.back(), 100);
    const std::uint16_t crc = CalcFlashCRC(image.data(), 1024);
    ASSERT_EQ(sent(kVerify).size(), 1u);
    EXPECT_EQ(data(*sent(kVerify)[0], 2),
              (Bytes{static_cast<std::uint8_t>(crc & 0xFF), static_cast<std::uint8_t>(crc >> 8)}));
    ASSERT_EQ(sent(kDecodeSetup).size(), 1u);
    EXPECT_EQ(data(*sent(kDecodeSetup)[0], 4), (Bytes{9, 1, 2, 12}));
    EXPECT_EQ(rig.lib.sent.back()[kCode], kAllConfig);  // the selection is read back
    EXPECT_EQ(device.flash, image);
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
    EXPECT_FALSE(rig.log.text().contains(QStringLiteral("error")));
}

// A protocol the module holds is only selected; a type 0xA1 module is told the slot.
TEST_F(ProgrammingTest, ModuleProtocolIsOnlySelected) {
    for (const std::uint8_t type : {kModuleA2, kModuleA1}) {
        rig.lib.sent.clear();
        rig.directModule(type);
        choose(false);
        ASSERT_TRUE(setProtocol());
        EXPECT_TRUE(sent(kUnlock).empty());
        EXPECT_TRUE(sent(kSendLine).empty());
        const auto setups = sent(type == kModuleA2 ? kDecodeSetup : kIndexSetup);
        ASSERT_EQ(setups.size(), 1u);
        EXPECT_EQ(data(*setups[0], 4), type == kModuleA2 ? (Bytes{5, 1, 2, 8}) : (Bytes{2, 1, 2, 5}));
    }
}

// The stored bytes go to the flash whatever the header's scramble flag says.
TEST_F(ProgrammingTest, ScrambledFileIsProgrammedAsStored) {
    choose(true, writeFile(QStringLiteral("scrambled.txt"), image, 0xFF));
    ASSERT_TRUE(setProtocol());
    EXPECT_EQ(device.flash, image);
    EXPECT_EQ(sent(kVerify).size(), 1u);
}

// A shorter image fills the rest of the block erased, not with an earlier file's bytes.
TEST_F(ProgrammingTest, ShortImageIsPaddedErased) {
    std::fill(rig.tables->dataToSend.begin(), rig.tables->dataToSend.end(), 0x55);
    Bytes half(image.begin(), image.begin() + 512);
    QFile f(QDir(rig.protocolsFolder()).filePath(QStringLiteral("half.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    for (std::size_t l = 0; l < 32; ++l)
        f.write(QByteArray(reinterpret_cast<const char*>(half.data() + l * 16), 16).toHex() + "\r\n");
    f.close();
    choose(true, f.fileName());
    ASSERT_TRUE(setProtocol());
    Bytes expected = half;
    expected.resize(1024, 0xFF);
    EXPECT_EQ(device.flash, expected);
    EXPECT_EQ(sent(kVerify).size(), 1u);
}

// Every negative answer ends the run with its line and reason, never with a success; the next
// run starts again from the unlock, slot 0, line 0, and succeeds. Only a lost answer asks for a
// new link set-up: a refusal is an answer over a working link.
TEST_F(ProgrammingTest, NegativeAnswersEndTheRunAndARerunStartsOver) {
    struct Case {
        const char* name;
        std::function<void(FlashModule&)> fault;
        QString logLine;
        std::size_t lines;
        bool lost = false;
        // The step and the reason, as the vehicle report gives them.
        QString words;
    };
    const QString silent = QStringLiteral("no answer from the module");
    const std::vector<Case> cases = {
        {"wrong keys",
         [](FlashModule& d) {
             d.unlocked = false;
             d.silent[kUnlock] = 0;
         },
         {},
         0,
         false,
         QStringLiteral("failed at opening the module's memory for writing: the module refused")},
        {"wrong slot", [](FlashModule& d) { d.wrongSlotAnswers = 1; },
         QStringLiteral("### SEND_DATA_SLOT (slot) error! ###\r\n"), 1, false,
         QStringLiteral("failed at sending slot 0, line 0 of the file: the module did not take the line")},
        {"line refused", [](FlashModule& d) { d.lineResult = 0x2A; },
         QStringLiteral("### SEND_DATA_SLOT (result: 2a) error! ###\r\n"), 1, false,
         QStringLiteral("failed at sending slot 0, line 0 of the file: the module did not take the line")},
        {"verify lost", [](FlashModule& d) { d.silent[kVerify] = 1; },
         QStringLiteral("### VERIFY_FIRMWARE error! ###\r\n"), 64, true,
         QStringLiteral("failed at the checksum check: ") + silent},
        {"decode setup lost", [](FlashModule& d) { d.silent[kDecodeSetup] = 1; },
         QStringLiteral("### DECODE_SLOT_SETUP error! ###\r\n"), 64, true,
         QStringLiteral("failed at setting the module's working protocol: ") + silent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ModuleRig& r = rig;
        r.lib.sent.clear();
        r.log.clear();
        device = FlashModule{};
        device.progress = &r.progress;
        c.fault(device);
        choose(true);
        if (std::string(c.name) == "wrong keys") r.mod.Mod_UnlockFlashKey1 = 0;
        ASSERT_TRUE(setProtocol());
        const QString line =
            c.logLine.isEmpty() ? QStringLiteral("### UNLOCK_VRAK_FLASH error! ###\r\n") : c.logLine;
        EXPECT_TRUE(r.log.text().contains(line)) << r.log.text().toStdString();
        EXPECT_EQ(sent(kSendLine).size(), c.lines);
        EXPECT_NE(r.progress.text, QStringLiteral("Process terminated"));
        EXPECT_TRUE(r.progress.text.contains(QStringLiteral("failed")) ||
                    r.progress.text.contains(QStringLiteral("rx")))
            << r.progress.text.toStdString();
        EXPECT_EQ(r.ms.EnterModule_state, MODULE_STOPPED);
        EXPECT_EQ(r.cs.Reboot, c.lost ? 1 : 0);
        ASSERT_FALSE(r.journal.outcomes.empty());
        EXPECT_EQ(r.journal.outcomes.back().operation, QStringLiteral("Protocol programmed"));
        EXPECT_FALSE(r.journal.outcomes.back().ok);
        EXPECT_TRUE(r.journal.outcomes.back().detail.contains(c.words))
            << r.journal.outcomes.back().detail.toStdString();
        // No frame or command name reaches the report.
        EXPECT_FALSE(r.journal.outcomes.back().detail.contains(QStringLiteral("###")));

        r.mod.Mod_UnlockFlashKey1 = kKey1;
        device.wrongSlotAnswers = 0;
        device.lineResult = 1;
        r.lib.sent.clear();
        ASSERT_TRUE(setProtocol());
        EXPECT_EQ(r.lib.sent[0][kCode] == kSetupCode, c.lost);  // set up again only after a loss
        ASSERT_FALSE(sent(kSendLine).empty());
        EXPECT_EQ(data(*sent(kSendLine)[0], 2), (Bytes{0, 0}));
        EXPECT_EQ(sent(kUnlock).size(), 1u);
        EXPECT_EQ(device.flash, image);
        EXPECT_EQ(sent(kDecodeSetup).size(), 1u);
        EXPECT_TRUE(r.journal.outcomes.back().ok);
        EXPECT_TRUE(r.journal.outcomes.back().detail.contains(QStringLiteral("verified by the module's checksum")))
            << r.journal.outcomes.back().detail.toStdString();
    }
}

// Two lost line answers send the same line again; a third gives up with the message box.
TEST_F(ProgrammingTest, LostLineAnswersResendTheSameLineTwice) {
    choose(true);
    device.silent[kSendLine] = 2;
    ASSERT_TRUE(setProtocol());
    EXPECT_EQ(rig.log.count(QStringLiteral("Module rx timeout error !\r\n")), 2);
    const auto lines = sent(kSendLine);
    ASSERT_EQ(lines.size(), 66u);
    EXPECT_EQ(data(*lines[0], 18), data(*lines[2], 18));
    EXPECT_EQ(device.flash, image);
    EXPECT_EQ(sent(kDecodeSetup).size(), 1u);

    rig.lib.sent.clear();
    device.silent[kSendLine] = 3;
    choose(true);
    ASSERT_TRUE(setProtocol());
    EXPECT_EQ(sent(kSendLine).size(), 3u);
    EXPECT_TRUE(sent(kVerify).empty());
    ASSERT_FALSE(rig.dialogs.shown.empty());
    EXPECT_EQ(rig.dialogs.shown.back().text, QStringLiteral(" Rx error"));
    EXPECT_EQ(rig.dialogs.shown.back().caption, QStringLiteral("Send data slot"));
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
    EXPECT_EQ(rig.cs.Reboot, 1);

    // The processes stopped while that box is open (an unplug in its event loop): the machine
    // stays at rest, and a pending read does not start after the stop.
    rig.lib.sent.clear();
    device.silent[kSendLine] = 3;
    rig.fs.loadConfiguration_SelectedProtocol_flag = CHAIN_READ;
    rig.dialogs.whileShown = [&] { rig.handler.StopProcess(); };
    choose(true);
    ASSERT_TRUE(setProtocol());
    rig.dialogs.whileShown = nullptr;
    ASSERT_FALSE(rig.lib.sent.empty());
    EXPECT_EQ(rig.lib.sent.back()[kCode], kSendLine);
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
}

// Stopping all processes mid-image sends nothing more; the next "Set" unlocks again and starts at
// slot 0, line 0.
TEST_F(ProgrammingTest, StoppedRunStartsOverFromTheUnlock) {
    choose(true);
    rig.module->SetProtocol_fnc();
    ASSERT_TRUE(rig.scheduler.runFor(60000, [&] { return sent(kSendLine).size() >= 10; }));
    rig.handler.StopProcess();
    rig.ms.EnterModule_state = MODULE_STOPPED;
    ASSERT_TRUE(rig.rest());
    const std::size_t stoppedAt = rig.lib.sent.size();
    EXPECT_LT(sent(kSendLine).size(), 12u);
    EXPECT_TRUE(sent(kVerify).empty());

    ASSERT_TRUE(setProtocol());
    std::vector<Bytes> after;
    for (std::size_t i = stoppedAt; i < rig.lib.sent.size(); ++i)
        if (rig.lib.sent[i][kCode] == kUnlock || rig.lib.sent[i][kCode] == kSendLine)
            after.push_back(data(rig.lib.sent[i], 2));
    ASSERT_GE(after.size(), 2u);
    EXPECT_EQ(after[0], (Bytes{kKey1, kKey2}));
    EXPECT_EQ(after[1], (Bytes{0, 0}));
    EXPECT_EQ(device.flash, image);
    EXPECT_EQ(sent(kVerify).size(), 1u);
}

// OK on the newer-protocol question goes straight to the setting: nothing is programmed.
TEST_F(ProgrammingTest, NewerProtocolQuestionSetsWithoutProgramming) {
    rig.st.Mdl_Selected_Decode = 5;
    rig.st.Mdl_Selected_Decode_Version = 1;
    choose(false);
    Slot_T newer = rig.tables->SlotsTable[1];
    newer.decoder_type = 5;
    newer.version = 2;
    rig.tables->SlotsTable[1] = newer;
    rig.dialogs.answers = {Dialogs::Ok};
    rig.mod.Mod_connected = 1;
    rig.st.Mdl_OperationToDo = OP_SET_PROTOCOL;
    rig.module->Fill_Working_VRAK_Protocols(2, false);
    ASSERT_EQ(rig.ms.EnterModule_state, MODULE_SETUP);
    rig.handler.wakeup();
    ASSERT_TRUE(rig.rest());
    EXPECT_TRUE(sent(kUnlock).empty());
    EXPECT_TRUE(sent(kSendLine).empty());
    EXPECT_EQ(sent(kDecodeSetup).size(), 1u);
}

TEST_F(ProgrammingTest, ResetSelectionSendsTheFixedFrameAndReadsBack) {
    rig.module->ResetProtocol_fnc();
    ASSERT_TRUE(rig.rest());
    const auto resets = sent(kIndexSetup);
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(data(*resets[0], 4), (Bytes{1, 0, 0, 1}));
    EXPECT_EQ(rig.lib.sent.back()[kCode], kAllConfig);
}

// Through the product: test mode, the module setting by type, the product's module configuration,
// a pause, and the module information read again.
TEST(ModuleSetupThroughProduct, SetsTheModuleAndReadsItBack) {
    ModuleRig rig;
    rig.directModule(31);
    rig.hs.Cable_Module_DirectConnection = 0;
    rig.cs.Actual_communication = 2;
    rig.prd.Prd_Module_Info_Address = 0x30;
    rig.prd.Prd_Module_Info_Address_Length = 1;
    rig.st.ParA_toSet = 5;
    rig.st.ParB_C_toSet = 0x0D;
    rig.lib.device = [](const dataBuffer& rq) { return std::optional<Bytes>(Bytes{rq[9], 0}); };
    rig.module->SetProtocol_fnc();
    ASSERT_TRUE(rig.rest());
    std::vector<int> codes;
    for (const dataBuffer& b : rig.lib.sent) codes.push_back(b[kCode]);
    EXPECT_EQ(codes, (std::vector<int>{0x05, 0x0A, 0x09, 0x01}));
    EXPECT_EQ(rig.lib.sent[0][9], 1);
    EXPECT_EQ(Bytes(rig.lib.sent[1].bytes.begin() + 9, rig.lib.sent[1].bytes.begin() + 12), (Bytes{5, 1, 3}));
    EXPECT_GE(rig.lib.sentAtUs[3] - rig.lib.sentAtUs[2], 200000);
}

struct ProtectionTest : ProgrammingTest {
    QLineEdit* password() { return rig.module->controls().textBox_modue_password; }
    QLabel* locked() { return rig.module->controls().pictureBox_padlock_lock; }
    QLabel* open() { return rig.module->controls().pictureBox_padlock_unlock; }
};

// Byte 9 follows the module's reported state; the digits travel packed, with their sum.
TEST_F(ProtectionTest, LockAndUnlockPackTheDigits) {
    password()->setText(QStringLiteral("190357"));
    for (const std::uint8_t state : {0, 1}) {
        rig.lib.sent.clear();
        device.protection = state;
        rig.module->button_lock_unlock_protection_Click();
        ASSERT_TRUE(rig.rest());
        const auto frames = sent(kProtection);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(data(*frames[0], 5),
                  (Bytes{static_cast<std::uint8_t>(state == 0 ? 1 : 0), 0x19, 0x03, 0x57, 0x73}));
        EXPECT_EQ(rig.lib.sent.back()[kCode], kAllConfig);
        EXPECT_EQ(locked()->isVisibleTo(locked()->parentWidget()), state == 1);
        EXPECT_EQ(open()->isVisibleTo(open()->parentWidget()), state == 0);
        EXPECT_EQ(password()->text(), QStringLiteral("190357"));
    }
    EXPECT_FALSE(rig.log.text().contains(QStringLiteral("190357")));
}

TEST_F(ProtectionTest, BadPasswordsAndUnknownStateSendNothing) {
    for (const char* text : {"12345", "12a456", "", "1234567"}) {
        rig.dialogs.shown.clear();
        password()->setText(QString::fromLatin1(text));
        rig.module->button_lock_unlock_protection_Click();
        ASSERT_TRUE(rig.rest());
        EXPECT_TRUE(rig.lib.sent.empty()) << text;
        ASSERT_EQ(rig.dialogs.shown.size(), 1u) << text;
        EXPECT_EQ(rig.dialogs.shown[0].text, QStringLiteral("Password error ! "));
        EXPECT_EQ(rig.dialogs.shown[0].caption, QStringLiteral("Protection password "));
    }
    password()->setText(QStringLiteral("123456"));
    device.protection = 7;
    rig.module->button_lock_unlock_protection_Click();
    ASSERT_TRUE(rig.rest());
    EXPECT_TRUE(sent(kProtection).empty());
    EXPECT_TRUE(rig.log.text().contains(QStringLiteral("unknown")));
    EXPECT_FALSE(locked()->isVisibleTo(locked()->parentWidget()));
    EXPECT_FALSE(open()->isVisibleTo(open()->parentWidget()));
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);
}

struct EventLogTest : ProgrammingTest {
    QString shown() { return rig.module->controls().TextBox_log->toPlainText(); }
};

TEST_F(EventLogTest, EntriesAreReadOneByOne) {
    device.logs = {
        {0, 1, 1, 1, 2, 3, 4, 5}, {0, 2, 12, 0, 0, 0, 0, 0}, {0x01, 0x02, 7, 0x00, 0x1A, 0xFF, 0x05, 0x10}};
    device.logCount = 3;
    device.wrongLogEntries = 1;
    rig.module->button_read_log_Click();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(shown(), QStringLiteral("1 - time: 1 - type: BootStatus - data: 1 - 2 - 3 - 4 - 5\n"
                                      "2 - time: 2 - type:  - data: 0 - 0 - 0 - 0 - 0\n"
                                      "3 - time: 258 - type: CarArming - data: 0 - 1a - ff - 5 - 10\n"));
    EXPECT_EQ(rig.log.count(QStringLiteral("### READ_MODULE_LOGS error! ###\r\n")), 1);
    EXPECT_EQ(sent(kLogs).size(), 4u);  // entry 1 asked again
    EXPECT_FALSE(rig.module->controls().label_progressBar_log->isVisibleTo(
        rig.module->controls().label_progressBar_log->parentWidget()));
    EXPECT_EQ(rig.module->controls().progressBar_log->value(), 0);
}

TEST_F(EventLogTest, ClearAndEmptyLogs) {
    device.logCount = 2;
    rig.module->button_reset_log_Click();
    ASSERT_TRUE(rig.rest());
    ASSERT_EQ(sent(kLogs).size(), 1u);
    EXPECT_EQ(sent(kLogs)[0]->operator[](9), 0xFF);
    EXPECT_TRUE(shown().isEmpty());

    device.clearAnswer = 0;
    rig.module->button_reset_log_Click();
    ASSERT_TRUE(rig.rest());
    EXPECT_EQ(rig.log.count(QStringLiteral("### CLEAR_MODULE_LOGS error! ###\r\n")), 1);
    EXPECT_EQ(rig.ms.EnterModule_state, MODULE_STOPPED);

    for (const std::uint8_t count : {0, 255}) {
        device.logCount = count;
        for (auto click : {&EnterModule::button_read_log_Click, &EnterModule::button_reset_log_Click}) {
            rig.lib.sent.clear();
            ((*rig.module).*click)();
            ASSERT_TRUE(rig.rest());
            EXPECT_EQ(shown(), QStringLiteral("No logs available"));
            EXPECT_TRUE(sent(kLogs).empty());
        }
    }
}

}  // namespace
