// The backup family of the soak: configuration backups of product 63 saved, opened and downloaded,
// with its module behind it (AUX-31, settings in the product's memory) and with a VRAK-2 wired to
// the cable. Faults: a save whose write fails part-way (a file size limit, as a full disk does),
// damaged files opened, and during a download answers dropped, corrupted, cut, misaddressed,
// lengthened or late, one command's answers dropped or corrupted, or a product cell that answers a
// write as done but keeps its byte.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "config/ConfigReader.h"
#include "database/FunctionParameters.h"
#include "support/BackupRig.h"
#include "support/Soak.h"

namespace dravik::test {

namespace {

constexpr int kSettleMs = 120000;
constexpr const char* kBenches[] = {"aux31-through-product.json", "zed63-vrak2-direct.json"};
constexpr const char* kFiles[] = {"behind the product.bkd", "on the cable.bkd"};
const QString kDamaged = QStringLiteral("damaged.bkd");

enum BackupOp { kSave, kOpen, kOpenDamaged, kDownload, kBackupOpCount };
const char* const kBackupOpNames[kBackupOpCount] = {"save", "open", "open a damaged file", "download"};

// Commands of a download: MEMORY_READ, MEMORY_WRITE, TEST_MODE, AUX_MODULE_SETUP (on the cable
// ACTUAL_ALL_SLOT_CONFIGURATION), ACTUAL_SLOT_CONFIGURATION, INDEX_SLOT_SETUP, DECODE_SLOT_SETUP.
constexpr std::uint8_t kDownloadCodes[] = {0x01, 0x02, 0x05, 0x0A, 0x09, 0x08, 0x0F};

// While it lives, no file grows beyond `bytes`: a write past it fails part-way. Windows has no
// such limit: there every save of the soak is whole (its full-disk cases run on a small tmpfs).
#ifdef _WIN32
using rlim_t = unsigned long long;
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t) {}
};
#else
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};
#endif

std::optional<QByteArray> contents(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return f.readAll();
}

// What the screen shows that a backup selects: each panel row's selection and each protocol check.
struct Screen {
    std::vector<int> selections;
    std::vector<bool> checks;
    QString file;
    bool operator==(const Screen&) const = default;
};

// The module's setting as a download sets it: behind the product the parameter A and B/C words
// decoded from its three bytes in the product's memory (type 31: A = byte 0, C = byte 2 << 2 |
// byte 1); on the cable the selected slot with its B/C word.
using ModuleSetting = std::array<int, 2>;

class BackupSoak {
public:
    BackupSoak(std::uint64_t seed, SoakCounts& counts) : rng_(seed ^ 0x6261636b7570ULL), c_(counts) {}

    void run(int operations) {
        for (std::size_t k = 0; k < std::size(kBenches); ++k) {
            std::string error;
            if (!benches_[k].connect(kBenches[k], error)) {
                ++c_.operationsNotEnded;
                c_.violation(0, QStringLiteral("the backup bench %1 did not connect: %2")
                                    .arg(QLatin1String(kBenches[k]), QString::fromStdString(error)));
                return;
            }
        }
        for (int i = 1; i <= operations; ++i) operation(i);
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }
    bool direct() const { return bench_ == 1; }
    BackupRig& b() { return benches_[static_cast<std::size_t>(bench_)]; }
    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }
    QString file() const { return path(QLatin1String(kFiles[bench_])); }
    QListWidget* checks() { return b().module().controls().checkedListBox_ProtocolSelection; }

    SoakMemory memory() {
        SoakMemory m{};
        b().rig->lib->withBench([&](sim::Bench& bench) { m = bench.productMemory(); });
        return m;
    }

    ModuleSetting moduleSetting() {
        if (!direct()) {
            const SoakMemory m = memory();
            return {m[0x30], (m[0x32] << 2) | m[0x31]};
        }
        ModuleSetting s{};
        b().rig->lib->withBench([&](sim::Bench& bench) {
            const sim::ModuleSelection& sel = bench.config().module.selection;
            s = {sel.slot, sel.parameterB * 256 + sel.parameterC};
        });
        return s;
    }

    // What the module panel asks a download to set.
    ModuleSetting wantedSetting() {
        const ModuleStatus& st = b().s().moduleStatus;
        return direct() ? ModuleSetting{st.Slot_toSet, st.ParB_C_toSet} : ModuleSetting{st.ParA_toSet, st.ParB_C_toSet};
    }

    Screen screen() {
        Screen s;
        ProductPanel& panel = b().panel();
        for (int row = 0; row < panel.rowCount(); ++row) s.selections.push_back(panel.selectedIndex(row));
        for (int i = 0; i < checks()->count(); ++i) s.checks.push_back(checks()->item(i)->checkState() == Qt::Checked);
        s.file = b().cfg->fileName();
        return s;
    }

    // The technician changes a value or two, a protocol check and the password before saving.
    void changeScreen() {
        ProductPanel& panel = b().panel();
        for (int n = 1 + pick(2); n > 0 && panel.rowCount() > 0; --n) {
            const int row = pick(panel.rowCount());
            QComboBox* combo = panel.row(row).combo;
            if (combo == nullptr || combo->count() == 0) continue;
            const int item = pick(combo->count());
            combo->setCurrentIndex(item);
            emit combo->activated(item);
        }
        if (checks()->count() > 0) {
            QListWidgetItem* item = checks()->item(pick(checks()->count()));
            item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        }
        b().module().controls().textBox_modue_password->setText(chance(50) ? QStringLiteral("123456") : QString());
    }

    void sendsNothing(int index, BackupOp op, std::size_t framesBefore) {
        if (b().rig->frames().size() == framesBefore) return;
        ++c_.halfAppliedBackups;
        c_.violation(index, QStringLiteral("%1 sent a command").arg(QLatin1String(kBackupOpNames[op])));
    }

    bool newDialog(std::size_t before) { return b().rig->dialogs.shown.size() > before; }

    void save(int index) {
        if (chance(70)) changeScreen();
        const QString target = file();
        const std::optional<QByteArray> old = contents(target);
        const QByteArray expected = writeConfigDocument(b().cfg->buildDocument());
        const std::size_t dialogs = b().rig->dialogs.shown.size();
        const std::size_t frames = b().rig->frames().size();
        if (chance(30)) {
            ++c_.faultsInjected;
            const FileSizeLimit limit(static_cast<rlim_t>(pick(static_cast<int>(expected.size()))));
            b().save(target);
        } else {
            b().save(target);
        }
        const std::optional<QByteArray> now = contents(target);
        const bool written = now == expected;
        if (!written && now != old) {
            ++c_.damagedBackupFiles;
            c_.violation(index, QStringLiteral("the saved file is neither the new one nor the old one (%1 bytes)")
                                    .arg(now ? now->size() : -1));
        }
        const QStringList left = QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QString& name : left) {
            if (name == QLatin1String(kFiles[0]) || name == QLatin1String(kFiles[1]) || name == kDamaged) continue;
            ++c_.damagedBackupFiles;
            c_.violation(index, QStringLiteral("a save left %1 beside the backups").arg(name));
        }
        sendsNothing(index, kSave, frames);
        if (written && !newDialog(dialogs)) {
            ++c_.succeeded;
        } else if (newDialog(dialogs)) {
            ++c_.failedVisibly;
        } else {
            ++c_.silentFailures;
            c_.violation(index, QStringLiteral("a save that wrote nothing said nothing"));
        }
    }

    // A copy of a backup cut short, with a byte changed, or with a value out of range.
    QString damagedCopy() {
        QByteArray bytes = contents(file()).value_or(QByteArray("<VuzUvazuzuvar Product_id=\"63\">"));
        switch (pick(3)) {
            case 0: bytes.truncate(pick(static_cast<int>(bytes.size()) + 1)); break;
            case 1:
                if (!bytes.isEmpty()) bytes[pick(static_cast<int>(bytes.size()))] = static_cast<char>(32 + pick(95));
                break;
            default: bytes.replace("Value=\"", "Value=\"30"); break;
        }
        QFile f(path(kDamaged));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
        return path(kDamaged);
    }

    void open(int index, BackupOp op) {
        if (chance(50)) changeScreen();
        // Mostly this bench's own backup; now and then the other module's, or a damaged one.
        QString name = op == kOpenDamaged ? damagedCopy() : chance(85) ? file() : path(QLatin1String(kFiles[1 - bench_]));
        if (!QFile::exists(name)) name = file();
        const Screen before = screen();
        const std::size_t dialogs = b().rig->dialogs.shown.size();
        const std::size_t frames = b().rig->frames().size();
        const QString logBefore = b().rig->log();
        b().open(name);
        sendsNothing(index, op, frames);
        const bool refused = b().rig->log().mid(logBefore.size()).contains(QStringLiteral("Configuration file refused: "));
        if (refused && screen() != before) {
            ++c_.halfAppliedBackups;
            c_.violation(index, QStringLiteral("a refused file changed the screen"));
        }
        checkBlackRows(index, op);
        if (!newDialog(dialogs)) {
            ++c_.succeeded;
        } else {
            ++c_.failedVisibly;
        }
    }

    void injectDownloadFault() {
        ++c_.faultsInjected;
        const int kind = pick(9);
        b().rig->lib->withBench([&](sim::Bench& bench) {
            sim::Faults& f = bench.config().faults;
            const std::uint8_t code = kDownloadCodes[pick(static_cast<int>(std::size(kDownloadCodes)))];
            switch (kind) {
                case 0: f.dropNext = 1; break;
                case 1: f.corruptNext = 1; break;
                case 2: f.truncateNext = 1; break;
                case 3: f.misaddressNext = 1; break;
                case 4: f.lengthenNext = 1; break;
                case 5: f.extraDelayUs = static_cast<std::uint32_t>(900000 + pick(600000)); break;
                case 6: f.dropCommand.push_back({code, pick(3), 1 + pick(3)}); break;
                case 7: f.corruptCommand.push_back({code, pick(3), 1 + pick(2)}); break;
                default: {
                    // A cell of a list row keeps its byte.
                    ProductPanel& panel = b().panel();
                    const int row = panel.rowCount() > 0 ? pick(panel.rowCount()) : -1;
                    if (row >= 0 && !panel.row(row).items.empty())
                        bench.config().product.keepsAddress = panel.row(row).items.front().address & 0xFF;
                    break;
                }
            }
        });
    }

    // Someone set the module otherwise since the backup was made, so the download has it to set.
    void moveModule() {
        b().rig->lib->withBench([&](sim::Bench& bench) {
            if (direct()) {
                bench.config().module.selection.slot = static_cast<std::uint8_t>(1 + pick(8));
            } else {
                bench.config().product.memory[0x30] = static_cast<std::uint8_t>(1 + 2 * pick(2));  // protocol 1 or 3
                bench.config().product.memory[0x31] = static_cast<std::uint8_t>(pick(2));
            }
        });
    }

    void download(int index) {
        BackupRig& r = b();
        // Mostly this bench's own backup; sometimes whatever was opened last.
        if (r.cfg->fileName() != file() && QFile::exists(file()) && chance(80)) r.open(file());
        if (r.cfg->fileName().isEmpty() || !QFile::exists(r.cfg->fileName())) {
            r.save(file());
            if (r.cfg->fileName().isEmpty()) return;
        }
        if (chance(50)) moveModule();
        const SoakMemory before = memory();
        const ModuleSetting moduleBefore = moduleSetting();
        const std::size_t dialogs = r.rig->dialogs.shown.size();
        r.rig->logView.clear();
        r.rig->progress.text.clear();
        r.ops().buttonCfgDownload_Click();
        // The file is loaded again at once: what it selects is what may be written.
        SoakMemory allowed{};
        allowRedListRows(r.panel(), allowed);
        if (!direct())
            for (std::size_t a = 0x30; a <= 0x32; ++a) allowed[a] = 0xFF;
        const ModuleSetting wanted = wantedSetting();
        const bool started = r.rig->controller->handler().ProcessIsInProgress(false);

        const bool fault = chance(60);
        r.rig->runFor(pick(4000));
        if (fault) injectDownloadFault();
        r.rig->runFor(fault ? 3000 : 0);
        r.rig->lib->withBench([](sim::Bench& bench) {
            sim::Faults& f = bench.config().faults;
            f.dropNext = f.corruptNext = f.truncateNext = f.misaddressNext = f.lengthenNext = 0;
            f.extraDelayUs = 0;
        });
        if (!restModuleBench(*r.rig, kSettleMs)) {
            ++c_.operationsNotEnded;
            c_.violation(index, QStringLiteral("a download did not end: %1").arg(r.rig->log().right(600)));
        }
        r.rig->lib->withBench([](sim::Bench& bench) {
            bench.config().faults = sim::Faults{};
            bench.config().product.keepsAddress = -1;
        });

        const QString log = r.rig->log();
        if (std::getenv("DRAVIK_SOAK_TRACE") != nullptr)
            std::fprintf(stderr, "backup %d download on %s fault=%d end=\"%s\"\n%s\n", index, kBenches[bench_],
                         fault ? 1 : 0, qPrintable(r.rig->progress.text),
                         std::getenv("DRAVIK_SOAK_TRACE")[0] == '2' ? qPrintable(log) : "");
        QString first;
        const int bits = bitsChangedOutside(before, memory(), allowed, first);
        if (bits > 0) {
            c_.bitsChangedOutsideMasks += bits;
            c_.violation(index, QStringLiteral("a download changed %1").arg(first));
        }
        checkBlackRows(index, kDownload);
        const ModuleSetting after = moduleSetting();
        if (after != moduleBefore && after != wanted) {
            ++c_.halfAppliedBackups;
            c_.violation(index, QStringLiteral("a download left the module at %1/%2, neither %3/%4 before nor %5/%6")
                                    .arg(after[0])
                                    .arg(after[1])
                                    .arg(moduleBefore[0])
                                    .arg(moduleBefore[1])
                                    .arg(wanted[0])
                                    .arg(wanted[1]));
        }
        QStringList red;
        ProductPanel& panel = r.panel();
        for (int row = 0; row < panel.rowCount(); ++row)
            if (!panel.row(row).items.empty() && isListKind(panel.row(row).items.front().func_id) &&
                panel.selectedIndex(row) >= 0 && panel.listColour(row) == QColor(Qt::red))
                red << QStringLiteral("%1 (%2)").arg(panel.row(row).name, panel.row(row).combo->currentText());
        const bool allBlack = red.isEmpty();
        const bool reportedDone = started && r.rig->progress.text == QStringLiteral("Process terminated") &&
                                  !log.contains(QStringLiteral("error")) && !log.contains(QStringLiteral("failed"));
        if (reportedDone && allBlack) {
            if (after != wanted) {
                ++c_.halfAppliedBackups;
                c_.violation(index, QStringLiteral("a download reported done left the module at %1/%2, not %3/%4")
                                        .arg(after[0])
                                        .arg(after[1])
                                        .arg(wanted[0])
                                        .arg(wanted[1]));
            }
            ++c_.succeeded;
        } else if (!allBlack || newDialog(dialogs) || log.contains(QStringLiteral("error")) ||
                   log.contains(QStringLiteral("failed")) ||
                   (!r.rig->progress.text.isEmpty() && r.rig->progress.text != QStringLiteral("Process terminated"))) {
            ++c_.failedVisibly;
        } else {
            ++c_.silentFailures;
            c_.violation(index, QStringLiteral("a download that did not end done said nothing: %1").arg(log.right(600)));
        }
        if (reportedDone && !allBlack && !fault) {
            ++c_.silentFailures;
            c_.violation(index, QStringLiteral("a download without a fault left rows red: %1").arg(red.join(u',')));
        }
    }

    void checkBlackRows(int index, BackupOp op) {
        for (const int row : blackRowsNotIn(b().panel(), memory())) {
            ++c_.blackRowsNotInMemory;
            c_.violation(index, QStringLiteral("after %1 row %2 is black but the product holds another value")
                                    .arg(QLatin1String(kBackupOpNames[op]))
                                    .arg(row));
        }
    }

    // A lost product or module, or a panel emptied by another product's file, is connected again.
    void reconnectIfNeeded() {
        const Session& s = b().s();
        if (s.product.Prd_connected == 1 && s.module.Mod_connected == 1 && b().panel().rowCount() > 0) return;
        b().rig->controller->autoConn().RebootConnectProduct();
        restModuleBench(*b().rig, kSettleMs);
        ++c_.reconnects;
    }

    void operation(int index) {
        ++c_.operations;
        ++c_.byFamily[kFamilyBackup];
        bench_ = pick(2);
        const int roll = pick(10);
        const BackupOp op = roll < 3 ? kSave : roll < 5 ? kOpen : roll < 6 ? kOpenDamaged : kDownload;
        switch (op) {
            case kSave: save(index); break;
            case kOpen:
            case kOpenDamaged: open(index, op); break;
            default: download(index); break;
        }
        reconnectIfNeeded();
    }

    std::mt19937_64 rng_;
    SoakCounts& c_;
    QTemporaryDir dir_;
    BackupRig benches_[std::size(kBenches)];
    int bench_ = 0;
};

}  // namespace

void soakBackup(std::uint64_t seed, int operations, SoakCounts& counts) { BackupSoak(seed, counts).run(operations); }

}  // namespace dravik::test
