// The module and programming families of the soak: random operations on the sample direct slot
// module (VRAK-2, twelve slots, protection and an event log) with bench faults at random moments.
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <random>

#include "support/ModuleBench.h"
#include "support/Soak.h"

namespace dravik::test {

namespace {

constexpr int kSettleMs = 120000;
constexpr std::uint8_t kSendLineCode = 0x7C;

enum ModuleOp { kReadSelection, kReadAll, kWriteSelection, kProtection, kReadLog, kProgram, kModuleOpCount };
const char* const kModuleOpNames[kModuleOpCount] = {"read protocols", "read all protocols", "write selection",
                                                    "lock or unlock", "read event log", "program"};

class ModuleSoak {
public:
    ModuleSoak(std::uint64_t seed, SoakCounts& counts) : rng_(seed ^ 0x6d6f64756c65ULL), c_(counts) {}

    void run(int operations) {
        std::string error;
        rig_ = connectModuleBench("vrak2-direct.json", error);
        if (!rig_) {
            ++c_.operationsNotEnded;
            c_.violation(0, QStringLiteral("the module bench did not connect: %1").arg(QString::fromStdString(error)));
            return;
        }
        for (int i = 1; i <= operations; ++i) operation(i);
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }
    EnterModule& module() { return rig_->controller->module(); }

    int linesSent() {
        int lines = 0;
        for (const auto& f : rig_->frames()) lines += f.frame.size() > 4 && f.frame[4] == kSendLineCode ? 1 : 0;
        return lines;
    }

    void injectFault(int op) {
        ++c_.faultsInjected;
        const int lines = linesSent();
        const int kind = pick(op == kProgram ? 8 : 5);
        rig_->lib->withBench([&](sim::Bench& b) {
            sim::Faults& f = b.config().faults;
            switch (kind) {
                case 0: f.dropNext = 1; break;
                case 1: f.corruptNext = 1; break;
                case 2: f.truncateNext = 1; break;
                case 3: f.extraDelayUs = static_cast<std::uint32_t>(900000 + pick(600000)); break;
                case 4: f.extraDelayUs = static_cast<std::uint32_t>(pick(250000)); break;
                // Flash-line faults count lines since the bench started.
                case 5: f.wrongSlotEchoAtLine = lines + 1 + pick(64); break;
                case 6: f.wrongLineEchoAtLine = lines + 1 + pick(64); break;
                default: f.powerLossAtLine = lines + 1 + pick(64); break;
            }
        });
    }

    // Picks a protocol of a protocol file (they are listed after the module's own) when there is one.
    bool chooseFileProtocol() {
        QComboBox* combo = module().panel().combo(0);
        if (combo == nullptr) return false;
        std::vector<int> items;
        for (int i = 0; i < combo->count(); ++i)
            if (combo->itemText(i).endsWith(u'*')) items.push_back(i);
        if (items.empty()) return false;
        combo->setCurrentIndex(items[static_cast<std::size_t>(pick(static_cast<int>(items.size())))]);
        return true;
    }

    void start(int op) {
        const ModuleControls& c = module().controls();
        switch (op) {
            case kReadSelection: module().button_ReadProtocols_Click(); break;
            case kReadAll: module().button_Read_All_Protocols_Click(); break;
            case kWriteSelection: module().button_Set_Selected_Protocols_Click(); break;
            case kProtection:
                c.textBox_modue_password->setText(chance(80) ? QStringLiteral("123456") : QStringLiteral("654321"));
                module().button_lock_unlock_protection_Click();
                break;
            case kReadLog: module().button_read_log_Click(); break;
            case kProgram:
                if (chooseFileProtocol()) module().button_SetProtocol_Click();
                break;
            default: break;
        }
    }

    // A programming that went on past VERIFY_FIRMWARE to the slot setup was reported verified: the
    // module's flash must then hold the image that was sent.
    void checkVerified(int index) {
        const QString log = rig_->log();
        const bool verified = log.contains(QStringLiteral("TX command: VERIFY_FIRMWARE")) &&
                              (log.contains(QStringLiteral("TX command: DECODE_SLOT_SETUP")) ||
                               log.contains(QStringLiteral("TX command: INDEX_SLOT_SETUP"))) &&
                              !log.contains(QStringLiteral("### VERIFY_FIRMWARE error! ###"));
        if (!verified) return;
        ++c_.verifiedProgrammingsChecked;
        const Session& s = rig_->s();
        const std::size_t size = std::size_t{s.module.Mod_SlotsPerBlock} * s.module.Mod_BytesPerSlot;
        std::vector<std::uint8_t> flash;
        rig_->lib->withBench([&](sim::Bench& b) { flash = b.moduleImage(); });
        const auto& sent = s.slotTables.dataToSend;
        if (size == 0 || size > sent.size() || flash.size() < size ||
            !std::equal(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(size), flash.begin())) {
            ++c_.verifiedButDiffers;
            c_.violation(index, QStringLiteral("a programming was verified but the module holds another image"));
        }
    }

    void operation(int index) {
        ++c_.operations;
        const int op = pick(kModuleOpCount);
        ++c_.byFamily[op == kProgram ? kFamilyProgramming : kFamilyModule];
        rig_->logView.clear();
        rig_->progress.text.clear();
        start(op);
        const bool fault = chance(50);
        rig_->runFor(pick(2500));
        if (fault) injectFault(op);
        // A flash-line fault waits for its line; the others clear once the operation has met them.
        rig_->runFor(fault ? 3000 : 0);
        // Answer faults last a few seconds; a flash-line fault stays armed for its line.
        rig_->lib->withBench([](sim::Bench& b) {
            sim::Faults& f = b.config().faults;
            f.dropNext = f.corruptNext = f.truncateNext = 0;
            f.extraDelayUs = 0;
        });
        if (!restModuleBench(*rig_, kSettleMs)) {
            ++c_.operationsNotEnded;
            c_.violation(index, QStringLiteral("%1 did not end: %2")
                                    .arg(QLatin1String(kModuleOpNames[op]))
                                    .arg(rig_->log().right(600)));
        } else if (!rig_->log().isEmpty() || !rig_->progress.text.isEmpty()) {
            ++c_.succeeded;
        }
        if (op == kProgram) checkVerified(index);
        rig_->lib->withBench([](sim::Bench& b) { b.config().faults = sim::Faults{}; });
        // A module that lost its power gets it back with the supply: the product is connected anew.
        if (fault && !rig_->s().module.Mod_connected) {
            rig_->controller->autoConn().RebootConnectProduct();
            restModuleBench(*rig_, kSettleMs);
            ++c_.reconnects;
        }
    }

    std::mt19937_64 rng_;
    SoakCounts& c_;
    std::unique_ptr<ScenarioRig> rig_;
};

}  // namespace

void soakModule(std::uint64_t seed, int operations, SoakCounts& counts) { ModuleSoak(seed, counts).run(operations); }

}  // namespace dravik::test
