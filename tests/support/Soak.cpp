#include "support/Soak.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "database/FunctionParameters.h"
#include "product/ValueEncoding.h"
#include "support/PanelRig.h"

namespace dravik::test {

namespace {

enum Op { kRead, kSet, kSetOne, kDefaults, kReadAll, kSetAll, kReconnect, kReplug, kOpCount };
const char* const kOpNames[kOpCount] = {"read", "set", "set one", "defaults", "read all", "set all", "reconnect",
                                        "replug"};

using Memory = SoakMemory;

// How long a quiet bench may take to bring every machine to rest (a product reboot included).
constexpr int kSettleMs = 60000;

bool isPanelOperation(int op) { return op != kReconnect && op != kReplug; }

// Bits the operation may change: under the masks of the rows it writes.
void allowRow(Memory& allowed, const function_parameters& it, bool wholeBytes) {
    for (int k = 0; k < it.length && k < 4; ++k) {
        const auto mask = wholeBytes ? 0xFFu : (it.mask >> (8 * k)) & 0xFFu;
        allowed[static_cast<std::size_t>((it.address + k) & 0xFF)] |= static_cast<std::uint8_t>(mask);
    }
}

class Soak {
public:
    explicit Soak(std::uint64_t seed) : rng_(seed) {}

    SoakCounts run(int operations) {
        if (!p_.connect(true)) {
            violation(0, QStringLiteral("the first connection failed"));
            ++c_.operationsNotEnded;
            return c_;
        }
        // The threaded pump's orderings: cycles run inside wake-ups, and now and then a machine
        // step comes late, after the timer ticks that fell due meanwhile.
        p_.pump().inlineWakeups = true;
        p_.pump().stepDelayUs = [this] { return chance(2) ? std::int64_t{pick(120000)} : std::int64_t{0}; };
        for (int i = 1; i <= operations; ++i) operation(i);
        c_.strandedWakeups = p_.rig->controller->strandedWakeups();
        return c_;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }

    Memory memory() {
        Memory m{};
        p_.rig->lib->withBench([&](sim::Bench& b) { m = b.productMemory(); });
        return m;
    }
    Memory defaults() {
        Memory m{};
        p_.rig->lib->withBench([&](sim::Bench& b) { m = b.config().product.defaults; });
        return m;
    }

    void violation(int op, const QString& what) { c_.violation(op, what); }

    // The user changes one or two list rows; every red list row is written by a set.
    void chooseLists(Memory& allowed) {
        ProductPanel& panel = p_.panel();
        const int changes = 1 + pick(2);
        for (int n = 0; n < changes; ++n) {
            const int row = pick(panel.rowCount());
            const auto& items = panel.row(row).items;
            if (items.empty() || !isListKind(items.front().func_id)) continue;
            p_.choose(row, pick(static_cast<int>(items.size())));
        }
        allowRedListRows(panel, allowed);
    }

    // The user types a value into a text row and presses its button.
    void writeOneText(Memory& allowed) {
        ProductPanel& panel = p_.panel();
        std::vector<int> rows;
        for (int row = 0; row < panel.rowCount(); ++row)
            if (!panel.row(row).items.empty() && isTextKind(panel.row(row).kind())) rows.push_back(row);
        if (rows.empty()) return;
        const int row = rows[static_cast<std::size_t>(pick(static_cast<int>(rows.size())))];
        const function_parameters& it = panel.row(row).items.front();
        QString text;
        for (int k = 0; k < it.length; ++k) {
            if (it.func_id == FN_HEX) text += QStringLiteral("%1").arg(pick(256), 2, 16, QLatin1Char('0'));
            if (it.func_id == FN_DIGITS) text += QString::number(1 + pick(9));
        }
        if (it.func_id == FN_NUMBER) text = QString::number(pick(256));
        p_.type(row, text);
        allowRow(allowed, it, true);
        p_.ops().FunctionButton_Click(row);
    }

    void startOperation(int op, Memory& allowed) {
        PanelOperations& ops = p_.ops();
        switch (op) {
            case kRead: ops.button_ReadParameters_Click(); break;
            case kSet: chooseLists(allowed); ops.button_SetParameters_Click(); break;
            case kSetOne: writeOneText(allowed); break;
            case kDefaults: {
                const Memory before = memory(), restored = defaults();
                for (std::size_t a = 0; a < allowed.size(); ++a)
                    allowed[a] = static_cast<std::uint8_t>(before[a] ^ restored[a]);
                ops.DefaultParameters_fnc();
                break;
            }
            case kReadAll: ops.buttonReadAll_Click(); break;
            case kSetAll: chooseLists(allowed); ops.buttonSetAll_Click(); break;
            case kReconnect: p_.rig->controller->autoConn().RebootConnectProduct(); break;
            case kReplug:
                p_.rig->plug(false);
                p_.rig->runFor(5 + pick(3000));
                p_.rig->plug(true);
                break;
            default: break;
        }
    }

    void injectFault() {
        ++c_.faultsInjected;
        const int kind = pick(6);
        p_.faults([&](sim::Faults& f) {
            switch (kind) {
                case 0: f.dropNext = 1; break;
                case 1: f.corruptNext = 1; break;
                case 2: f.truncateNext = 1; break;
                case 3: f.misaddressNext = 1; break;
                case 4: f.extraDelayUs = static_cast<std::uint32_t>(900000 + pick(600000)); break;
                default: f.extraDelayUs = static_cast<std::uint32_t>(pick(250000)); break;
            }
        });
    }

    bool machinesAtRest() {
        const MachineStates& m = p_.s().machines;
        return (m.EnterFunctions_state == 0 || m.EnterFunctions_state == kEnterFunctionsWaiting) &&
               (m.EnterProduct_state == 0 || m.EnterProduct_state == kEnterProductWaitAnswer) &&
               !p_.rig->controller->handler().machineAwaitsPump();
    }

    bool connectedAndRead() {
        return p_.s().product.Prd_connected == 1 && p_.panel().rowCount() > 0 && machinesAtRest() && p_.resting();
    }

    void operation(int index) {
        ScenarioRig& rig = *p_.rig;
        ++c_.operations;
        rig.logView.clear();
        ++c_.byFamily[kFamilyProduct];
        const std::size_t dialogsBefore = rig.dialogs.shown.size();
        Memory allowed{};
        const Memory before = memory();
        const int op = pick(kOpCount);
        rig.progress.text.clear();
        startOperation(op, allowed);
        // A fault at a random moment of the operation; a long delay lasts a few seconds.
        const bool fault = chance(50);
        rig.runFor(pick(2500));
        if (fault) injectFault();
        rig.runFor(fault ? 3000 : 0);
        p_.faults([](sim::Faults& f) { f = sim::Faults{}; });

        // The operation's own end: its machine at rest.
        QString endText;
        std::size_t dialogsAtEnd = dialogsBefore;
        if (rig.runFor(kSettleMs, [&] { return machinesAtRest(); })) {
            endText = rig.progress.text;
            dialogsAtEnd = rig.dialogs.shown.size();
        } else {
            ++c_.operationsNotEnded;
            const MachineStates& m = p_.s().machines;
            violation(index, QStringLiteral("%1 did not end (interface %2, product %3, functions %4, module %5, "
                                            "handler %6/%7): %8")
                                 .arg(kOpNames[op])
                                 .arg(m.EnterInterface_state)
                                 .arg(m.EnterProduct_state)
                                 .arg(m.EnterFunctions_state)
                                 .arg(m.EnterModule_state)
                                 .arg(p_.s().link.CmdHandler_state.load())
                                 .arg(p_.s().link.RequestCmd.load())
                                 .arg(rig.log().right(600)));
        }
        const QString log = rig.log();
        if (std::getenv("DRAVIK_SOAK_TRACE") != nullptr)
            std::fprintf(stderr, "op %d %s fault=%d end=\"%s\"\n%s\n", index, kOpNames[op], fault ? 1 : 0,
                         qPrintable(endText), std::getenv("DRAVIK_SOAK_TRACE")[0] == '2' ? qPrintable(log) : "");
        if (isPanelOperation(op)) {
            const bool success =
                endText.startsWith(QStringLiteral("Process terminated")) && !log.contains("Process failed");
            const bool visible = endText.startsWith(QStringLiteral("Process failed")) ||
                                 endText == QStringLiteral("Wait until the previous command is completed!") ||
                                 endText == QStringLiteral("No product connected.") ||
                                 endText == QStringLiteral("Product not found !") || dialogsAtEnd > dialogsBefore ||
                                 log.contains(QStringLiteral("Process failed")) ||
                                 log.contains(QStringLiteral("No answer to ")) ||
                                 log.contains(QStringLiteral("not written"));
            if (success) {
                ++c_.succeeded;
            } else if (visible) {
                ++c_.failedVisibly;
            } else {
                ++c_.silentFailures;
                violation(index, QStringLiteral("%1 ended silently with \"%2\"").arg(kOpNames[op], endText));
            }
        }

        // Quiet bench: the automatic connection has the product back (or the user reconnects).
        if (!rig.runFor(kSettleMs, [&] { return connectedAndRead(); })) {
            rig.controller->autoConn().RebootConnectProduct();
            if (!rig.runFor(kSettleMs, [&] { return connectedAndRead(); })) {
                ++c_.operationsNotEnded;
                violation(index, QStringLiteral("no product after %1").arg(kOpNames[op]));
            }
        }
        if (op == kReconnect || op == kReplug) ++c_.reconnects;
        checkMemory(index, op, before, allowed);
        checkBlackRows(index, op);
    }

    void checkMemory(int index, int op, const Memory& before, const Memory& allowed) {
        QString first;
        const int bits = bitsChangedOutside(before, memory(), allowed, first);
        if (bits == 0) return;
        c_.bitsChangedOutsideMasks += bits;
        violation(index, QStringLiteral("%1 changed %2").arg(kOpNames[op], first));
    }

    void checkBlackRows(int index, int op) {
        for (const int row : blackRowsNotIn(p_.panel(), memory())) {
            ++c_.blackRowsNotInMemory;
            violation(index, QStringLiteral("after %1 row %2 is black but the product holds another value")
                                 .arg(kOpNames[op])
                                 .arg(row));
        }
    }

    std::mt19937_64 rng_;
    PanelRig p_;
    SoakCounts c_;
};

}  // namespace

void allowRedListRows(ProductPanel& panel, SoakMemory& allowed) {
    for (int row = 0; row < panel.rowCount(); ++row) {
        const auto& items = panel.row(row).items;
        const int sel = panel.selectedIndex(row);
        if (sel >= 0 && isListKind(items.front().func_id) && panel.listColour(row) == QColor(Qt::red))
            allowRow(allowed, items[static_cast<std::size_t>(sel)], false);
    }
}

int bitsChangedOutside(const SoakMemory& before, const SoakMemory& after, const SoakMemory& allowed,
                       QString& first) {
    int bits = 0;
    for (std::size_t a = 0; a < after.size(); ++a) {
        const auto outside = static_cast<std::uint8_t>((before[a] ^ after[a]) & ~allowed[a]);
        if (outside == 0) continue;
        for (int bit = 0; bit < 8; ++bit) bits += (outside >> bit) & 1;
        if (first.isEmpty())
            first = QStringLiteral("0x%1 from 0x%2 to 0x%3")
                        .arg(a, 2, 16, QLatin1Char('0'))
                        .arg(before[a], 2, 16, QLatin1Char('0'))
                        .arg(after[a], 2, 16, QLatin1Char('0'));
    }
    return bits;
}

std::vector<int> blackRowsNotIn(ProductPanel& panel, const SoakMemory& m) {
    std::vector<int> rows;
    for (int row = 0; row < panel.rowCount(); ++row) {
        const auto& items = panel.row(row).items;
        if (items.empty()) continue;
        const function_parameters& first = items.front();
        const auto at = [&](int k) { return m[static_cast<std::size_t>((first.address + k) & 0xFF)]; };
        bool wrong = false;
        if (isListKind(first.func_id)) {
            const int sel = panel.selectedIndex(row);
            if (sel < 0 || panel.listColour(row) != QColor(Qt::black)) continue;
            std::uint32_t value = 0;
            for (int k = 0; k < first.length && k < 4; ++k) value |= std::uint32_t{at(k)} << (8 * k);
            const function_parameters& it = items[static_cast<std::size_t>(sel)];
            wrong = (it.mask & value) != it.value;
        } else if (isTextKind(first.func_id)) {
            if (panel.text(row).isEmpty() || panel.textColour(row) != QColor(Qt::black)) continue;
            std::vector<std::uint8_t> bytes;
            for (int k = 0; k < first.length && k < 10; ++k) bytes.push_back(at(k));
            wrong = textFromBytes(first.func_id, bytes) != panel.text(row);
        }
        if (wrong) rows.push_back(row + 1);
    }
    return rows;
}

QString SoakCounts::report() const {
    QString out;
    const auto line = [&](const char* name, int v) { out += QStringLiteral("%1: %2\n").arg(name).arg(v); };
    line("operations", operations);
    line("faults injected", faultsInjected);
    line("succeeded", succeeded);
    line("failed visibly", failedVisibly);
    line("reconnects and replugs", reconnects);
    line("bits changed outside masks", bitsChangedOutsideMasks);
    line("black rows not in memory", blackRowsNotInMemory);
    line("operations not ended", operationsNotEnded);
    line("silent failures", silentFailures);
    line("stranded wake-ups", strandedWakeups);
    line("verified programmings compared with the module's flash", verifiedProgrammingsChecked);
    line("verified upgrades compared with the adapter's flash", verifiedUpgradesChecked);
    line("verified but not the image", verifiedButDiffers);
    line("backups half-applied", halfAppliedBackups);
    line("backup files neither old nor new", damagedBackupFiles);
    for (std::size_t f = 0; f < byFamily.size(); ++f)
        out += QStringLiteral("%1 operations: %2\n").arg(QLatin1String(kSoakFamilies[f])).arg(byFamily[f]);
    for (const QString& v : firstViolations) out += QStringLiteral("violation: ") + v + QLatin1Char('\n');
    return out;
}

void SoakCounts::violation(int op, const QString& what) {
    if (firstViolations.size() < 20) firstViolations << QStringLiteral("operation %1: %2").arg(op).arg(what);
}

SoakCounts runSoak(std::uint64_t seed, int operations) {
    // Half on the product panel; of the rest, the module families and the backups a third each,
    // the firmware what remains.
    const int product = (operations + 1) / 2;
    const int module = (operations - product + 2) / 3;
    const int backup = (operations - product - module + 1) / 2;
    const int firmware = operations - product - module - backup;
    SoakCounts counts = Soak(seed).run(product);
    if (module > 0) soakModule(seed, module, counts);
    if (backup > 0) soakBackup(seed, backup, counts);
    if (firmware > 0) soakFirmware(seed, firmware, counts);
    return counts;
}

}  // namespace dravik::test
