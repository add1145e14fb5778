// The adapter's firmware upgrade on the simulated bench: boot mode, loader, erase, image,
// verification, restart into the new application.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "firmware/TiTxt.h"
#include "support/FirmwareRig.h"

namespace dravik::test {
namespace {

const QString kCaption = QStringLiteral("Download Firmware           ");

sim::BenchConfig benchWith(void (*edit)(sim::BenchConfig&)) {
    sim::BenchConfig c;
    edit(c);
    return c;
}

TiTxtImage imageOf(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray text = f.readAll();
    TiTxtImage image;
    std::string error;
    EXPECT_TRUE(parseTiTxt(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), image, error))
        << error;
    return image;
}

class FirmwareUpgradeTest : public ::testing::Test {
  protected:
    void open(sim::BenchConfig bench = {}) { rig = std::make_unique<FirmwareRig>(std::move(bench)); }
    // The automatic connection identifies the adapter in standard mode.
    void connectInterface() {
        ASSERT_TRUE(rig->runFor(20000, [&] { return rig->s().connection.Interface_connected; }));
    }
    // Presses "Upgrade firmware" and runs until the boot-mode request, if one was made, is answered.
    void pressUpgrade() {
        rig->firmware->button_UpgradeFirmware_Click();
        ASSERT_TRUE(rig->runFor(5000, [&] { return !rig->firmware->busy(); }));
    }
    bool runUntilDone(int ms = 60000) {
        return rig->runFor(ms, [&] { return rig->worker.runs > 0 && !rig->worker.isBusy(); });
    }
    // The first address whose flash differs from the image, or -1 when every byte is the image's.
    long firstFlashDifference(const TiTxtImage& image) {
        return rig->bench([&](sim::Bench& b) -> long {
            for (const TiTxtSection& section : image.sections)
                for (std::size_t i = 0; i < section.bytes.size(); ++i) {
                    const auto address = section.address + static_cast<std::uint32_t>(i);
                    if (b.flashAt(address) != section.bytes[i]) return static_cast<long>(address);
                }
            return -1L;
        });
    }
    std::unique_ptr<FirmwareRig> rig;
};

TEST_F(FirmwareUpgradeTest, ProgrammedAdapterIsUpgradedAndComesBackWithTheImagesVersion) {
    open();
    connectInterface();
    rig->choose("good.fmd");
    pressUpgrade();
    EXPECT_TRUE(rig->log().contains("Wait while rebooting... \r\n"));
    EXPECT_FALSE(rig->fwView.upgradeEnabled);
    EXPECT_FALSE(rig->fwView.autoConn);
    EXPECT_EQ(rig->s().connection.WorkingMode, 0);
    EXPECT_EQ(rig->s().connection.myPID, "0x0200");

    // The adapter restarts into its loader; the count finds it, and after the pause the download
    // starts by itself with the log cleared to "Starting".
    ASSERT_TRUE(rig->runFor(10000, [&] { return rig->worker.runs > 0 || rig->worker.isBusy(); }));
    EXPECT_TRUE(rig->log().startsWith("Starting\r\n"));
    EXPECT_EQ(rig->view.mode, "Boot mode.");
    ASSERT_TRUE(runUntilDone());

    const QString log = rig->log();
    EXPECT_TRUE(log.contains("Mass erase occured!\r\nPassword Sent Successfully\r\n")) << log.toStdString();
    EXPECT_FALSE(log.contains("Erasing memory segments"));
    EXPECT_TRUE(log.contains("Memory successfully verified\r\n"));
    EXPECT_TRUE(log.contains("Resetting Device...\r\nStarting application\r\nDone!"));
    EXPECT_EQ(rig->messages("Download OK !"), 1);
    EXPECT_EQ(rig->dialogs.shown.back().caption, kCaption);
    EXPECT_TRUE(rig->fwView.upgradeEnabled);
    EXPECT_TRUE(rig->fwView.autoConn);
    EXPECT_EQ(rig->fwView.progress.back(), 0);
    EXPECT_EQ(rig->bench([](sim::Bench& b) { return b.erasedSegments().size(); }), 1u);  // only 0xFE00

    // The new application comes back and is identified with the version its image holds.
    ASSERT_TRUE(rig->runFor(30000, [&] { return rig->s().connection.Interface_connected; }));
    EXPECT_EQ(rig->view.iface.text, "Interface ID: 12, ver. 5, subver. 0");
    EXPECT_EQ(rig->s().connection.WorkingMode, 1);
    EXPECT_EQ(rig->s().connection.myPID, "0x0301");
}

TEST_F(FirmwareUpgradeTest, BlankAdapterWithLeftoverCodeGetsEverySegmentABlockTouchesErasedOnce) {
    open(benchWith([](sim::BenchConfig& c) {
        c.bootloader.blank = true;
        c.bootloader.leftoverCode = true;
    }));
    // No application: the count alternates between the two ids until the loader is found.
    std::vector<QString> pids;
    rig->runFor(3000, [&] {
        if (pids.empty() || pids.back() != rig->s().connection.myPID)
            pids.push_back(rig->s().connection.myPID);
        return rig->view.mode == "Boot mode.";
    });
    ASSERT_EQ(rig->view.mode, "Boot mode.");
    ASSERT_GE(pids.size(), 2u);
    EXPECT_EQ(pids[0], "0x0301");
    EXPECT_EQ(pids[1], "0x0200");
    rig->runFor(1500);  // the pause passes with no file chosen
    EXPECT_TRUE(rig->log().contains("Select a firmware \r\n"));

    rig->choose("odd.fmd");
    rig->firmware->button_UpgradeFirmware_Click();
    EXPECT_EQ(rig->fwView.tab, 1);
    ASSERT_TRUE(runUntilDone());
    const QString log = rig->log();
    EXPECT_FALSE(log.contains("Mass erase occured!"));
    EXPECT_TRUE(log.contains("Erasing memory segments \r\n"));
    EXPECT_TRUE(log.contains("Memory successfully verified\r\n")) << log.toStdString();
    EXPECT_EQ(rig->messages("Download OK !"), 1);

    // 0xFE00 at start-up, then each segment touched by a block once: the run from 0x4601 reaches
    // into 0x4800, whose leftover code would otherwise make the write fail.
    const auto erased = rig->bench([](sim::Bench& b) { return b.erasedSegments(); });
    const std::vector<std::uint32_t> expected{0xFE00, 0x4400, 0x4600, 0x4800, 0x5200, 0xFE00};
    EXPECT_EQ(erased, expected);
    EXPECT_EQ(rig->bench([](sim::Bench& b) { return b.flashAt(0x4800); }), 0x4B);
}

TEST_F(FirmwareUpgradeTest, CorruptedBlockFailsVerificationLeavesTheLoaderAndASecondPressUpgrades) {
    open(benchWith([](sim::BenchConfig& c) { c.bootloader.corruptBlocks = 1; }));
    connectInterface();
    rig->choose("good.fmd");
    rig->firmware->button_UpgradeFirmware_Click();
    ASSERT_TRUE(runUntilDone());
    EXPECT_TRUE(rig->log().contains("Verifying memory\r\nMemory verification error\r\n"));
    EXPECT_FALSE(rig->log().contains("Resetting Device"));
    EXPECT_EQ(rig->messages("Download error !"), 1);
    EXPECT_TRUE(rig->fwView.upgradeEnabled);
    EXPECT_EQ(rig->fwView.progress.back(), 0);
    EXPECT_EQ(rig->s().connection.WorkingMode, 0);
    // The report names the image and the step the download failed at.
    ASSERT_EQ(rig->journal.outcomes.size(), 1u);
    EXPECT_FALSE(rig->journal.outcomes[0].ok);
    EXPECT_TRUE(rig->journal.outcomes[0].detail.contains("good.fmd"));
    EXPECT_TRUE(rig->journal.outcomes[0].detail.endsWith("failed at: Memory verification error"))
        << rig->journal.outcomes[0].detail.toStdString();
    rig->runFor(5000);
    EXPECT_EQ(rig->bench([](sim::Bench& b) { return b.currentPid(); }), 0x0200);

    rig->firmware->button_UpgradeFirmware_Click();
    ASSERT_TRUE(rig->runFor(60000, [&] { return rig->worker.runs == 2 && !rig->worker.isBusy(); }));
    EXPECT_EQ(rig->messages("Download OK !"), 1);
    ASSERT_EQ(rig->journal.outcomes.size(), 2u);
    EXPECT_TRUE(rig->journal.outcomes[1].ok);
    EXPECT_TRUE(rig->journal.outcomes[1].detail.contains("verified")) << rig->journal.outcomes[1].detail.toStdString();
    ASSERT_TRUE(rig->runFor(30000, [&] { return rig->s().connection.Interface_connected; }));
    EXPECT_EQ(rig->view.iface.text, "Interface ID: 12, ver. 5, subver. 0");
}

TEST_F(FirmwareUpgradeTest, DeviceRejectingBothPasswordsEndsWithPasswordFailed) {
    open(benchWith([](sim::BenchConfig& c) { c.bootloader.rejectPasswords = true; }));
    connectInterface();
    rig->choose("good.fmd");
    rig->firmware->button_UpgradeFirmware_Click();
    ASSERT_TRUE(runUntilDone());
    EXPECT_TRUE(rig->log().contains("Mass erase occured!\r\nPassword FAILED!\r\n"));
    EXPECT_FALSE(rig->log().contains("Sending RAM BSL"));
    EXPECT_EQ(rig->messages("Download error !"), 1);
    EXPECT_TRUE(rig->fwView.upgradeEnabled);
}

// Unplugging at any stage ends the download with its message, without a hang; plugged back in the
// adapter is found (in its loader after its code was erased) and a new upgrade succeeds.
TEST_F(FirmwareUpgradeTest, UnplugAtAnyStageEndsTheDownloadAndReplugRecovers) {
    struct Case {
        int afterReports;
        const char* expected;
    };
    const Case cases[] = {
        {0, "USB device was unplugged!\r\n"},   // first password: not judged, no mass erase claimed
        {5, "USB device was unplugged!\r\n"},   // while the RAM loader goes out
        {60, "Memory verification error\r\n"},  // during the image
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.afterReports);
        open();
        connectInterface();
        rig->lib->withBench(
            [&](sim::Bench& b) { b.config().bootloader.unplugAfterReports = c.afterReports; });
        rig->choose("good.fmd");
        rig->firmware->button_UpgradeFirmware_Click();
        ASSERT_TRUE(runUntilDone(120000));
        EXPECT_TRUE(rig->log().contains(c.expected)) << rig->log().toStdString();
        EXPECT_EQ(rig->messages("Download error !"), 1);
        EXPECT_TRUE(rig->fwView.upgradeEnabled);

        rig->view.mode.clear();
        rig->plug(true);
        const ConnectionState& cs = rig->s().connection;
        ASSERT_TRUE(rig->runFor(30000, [&] {
            return !rig->view.mode.isEmpty() && (cs.Interface_connected || cs.WorkingMode == 0);
        }));
        if (c.afterReports == 0) EXPECT_FALSE(rig->log().contains("Mass erase occured!"));
        rig->firmware->button_UpgradeFirmware_Click();
        ASSERT_TRUE(rig->runFor(60000, [&] {
            return rig->messages("Download OK !") == 1 && !rig->worker.isBusy();
        })) << rig->log().toStdString();
    }
}

TEST_F(FirmwareUpgradeTest, ButtonRefusalsShowTheirMessages) {
    open();
    // No device yet: nothing else happens.
    rig->firmware->button_UpgradeFirmware_Click();
    EXPECT_EQ(rig->messages("Device not connected !"), 1);
    EXPECT_TRUE(rig->fwView.autoConn);
    EXPECT_EQ(rig->log(), "");

    ASSERT_TRUE(rig->runFor(5000, [&] { return rig->s().connection.numberOfUSBDevicesConnected > 0; }));
    rig->firmware->button_UpgradeFirmware_Click();
    EXPECT_EQ(rig->messages("Select file !"), 1);
    EXPECT_TRUE(rig->log().contains("Select a firmware \r\n"));
    EXPECT_FALSE(rig->fwView.autoConn);

    rig->choose("good.fmd");
    rig->firmware->button_UpgradeFirmware_Click();  // not identified yet
    EXPECT_EQ(rig->messages("Interface not connected !"), 1);
    EXPECT_TRUE(rig->log().contains("Connect interface \r\n"));
    EXPECT_EQ(rig->dialogs.shown.back().caption, kCaption);
}

TEST_F(FirmwareUpgradeTest, BadImageIsRefusedBeforeTheAdapterIsSwitched) {
    open();
    connectInterface();
    rig->choose("broken.fmd");
    rig->firmware->button_UpgradeFirmware_Click();
    ASSERT_FALSE(rig->dialogs.shown.empty());
    EXPECT_TRUE(rig->dialogs.shown.back().text.contains("line 3"))
        << rig->dialogs.shown.back().text.toStdString();
    EXPECT_EQ(rig->s().connection.WorkingMode, 1);
    EXPECT_TRUE(rig->fwView.upgradeEnabled);
    rig->runFor(3000);
    EXPECT_EQ(rig->bench([](sim::Bench& b) { return b.currentPid(); }), 0x0301);
}

// A folder or a named pipe as the image: said to be no file, at the choice and at the press; a pipe
// opened for reading would hold the window for good.
TEST_F(FirmwareUpgradeTest, AFolderOrAPipeIsRefusedAsNoFile) {
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: named pipes in a folder are a Linux file kind";
#else
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("folder.fmd"));
    const QString pipe = dir.filePath(QStringLiteral("pipe.fmd"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    open();
    connectInterface();
    for (const QString& special : {folder, pipe}) {
        SCOPED_TRACE(special.toStdString());
        const QString expected = "The firmware file " + QDir::toNativeSeparators(special) + " is not a file.";
        rig->choose("good.fmd");
        rig->fwView.chosen = special;
        rig->firmware->btnBrowse_MouseClick();
        EXPECT_EQ(rig->dialogs.shown.back().text, expected);
        EXPECT_EQ(rig->fwView.path, sampleFirmware("good.fmd"));

        rig->fwView.path = special;  // chosen before it became one
        rig->firmware->button_UpgradeFirmware_Click();
        EXPECT_EQ(rig->dialogs.shown.back().text, expected);
        EXPECT_EQ(rig->s().connection.WorkingMode, 1);
        EXPECT_TRUE(rig->fwView.upgradeEnabled);
    }
#endif
}

// Any name works, and the download sends the bytes checked at the press: the file is not read again.
TEST_F(FirmwareUpgradeTest, AnImageUnderAUnicodeFolderIsUpgradedFromTheBytesCheckedAtThePress) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Données/Università ä/日本/firmwäre ü"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = QDir(folder).filePath(QStringLiteral("good image.fmd"));
    ASSERT_TRUE(QFile::copy(sampleFirmware("good.fmd"), path));
    open();
    connectInterface();
    rig->fwView.path = path;
    pressUpgrade();
    EXPECT_TRUE(rig->log().contains("Wait while rebooting... \r\n")) << rig->log().toStdString();
    {
        QFile changed(path);
        ASSERT_TRUE(changed.open(QIODevice::WriteOnly | QIODevice::Truncate));
        changed.write("@4400\nZZ\nq\n");
    }
    ASSERT_TRUE(runUntilDone());
    const QString log = rig->log();
    EXPECT_TRUE(log.contains("Sending " + path + "\r\n")) << log.toStdString();
    EXPECT_TRUE(log.contains("Memory successfully verified\r\n")) << log.toStdString();
    EXPECT_TRUE(log.contains("Done!"));
    EXPECT_EQ(rig->messages("Download OK !"), 1);
}

TEST_F(FirmwareUpgradeTest, BrowseSetsThePathClearsAutoConnAndCancelChangesNothing) {
    open();
    rig->fwView.chosen = std::nullopt;
    rig->firmware->btnBrowse_MouseClick();
    EXPECT_TRUE(rig->fwView.path.isEmpty());
    EXPECT_TRUE(rig->fwView.autoConn);
    EXPECT_EQ(rig->fwView.dialogFilter, "fmd files (*.fmd)");
    EXPECT_TRUE(rig->fwView.dialogFolder.endsWith("Firmware"));

    rig->fwView.chosen = sampleFirmware("good.fmd");
    rig->firmware->btnBrowse_MouseClick();
    EXPECT_EQ(rig->fwView.path, sampleFirmware("good.fmd"));
    EXPECT_TRUE(rig->fwView.title.endsWith("  " + sampleFirmware("good.fmd")));
    EXPECT_FALSE(rig->fwView.autoConn);
}

const QString kRefusal = QStringLiteral("The interface did not accept the restart into its loader.");

// The adapter restarts into its loader, but its answer to the request comes after the request's
// time-out (a slow or loaded machine) or never (it left the bus first). Nothing is said about a
// refusal: the loader shows up and the download starts as after an answered request.
TEST_F(FirmwareUpgradeTest, ARestartWhoseAnswerIsLateOrLostStillUpgradesWithoutARefusal) {
    struct Case {
        const char* name;
        void (*fault)(sim::Faults&);
    };
    const Case cases[] = {
        {"answer 600 ms late", [](sim::Faults& f) { f.extraDelayUs = 600000; }},
        {"answer lost", [](sim::Faults& f) { f.dropNext = 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open();
        connectInterface();
        rig->choose("good.fmd");
        rig->lib->withBench([&](sim::Bench& b) { c.fault(b.config().faults); });
        const std::int64_t pressUs = rig->clock.nowUs();
        pressUpgrade();
        EXPECT_GE(rig->clock.nowUs() - pressUs, std::int64_t{ExchangeLibrary::kTimeoutMs} * 1000);
        rig->lib->withBench([](sim::Bench& b) { b.config().faults = {}; });
        EXPECT_EQ(rig->messages(kRefusal), 0);
        EXPECT_FALSE(rig->fwView.upgradeEnabled);
        EXPECT_TRUE(rig->log().endsWith(" \r\n"));

        ASSERT_TRUE(runUntilDone());
        EXPECT_TRUE(rig->log().startsWith("Starting\r\n")) << rig->log().toStdString();
        EXPECT_EQ(rig->messages("Download OK !"), 1);
        rig->runFor(FirmwareUpgrade::kLoaderWaitMs + 5000);
        EXPECT_EQ(rig->messages(kRefusal), 0);
        EXPECT_TRUE(rig->fwView.upgradeEnabled);
    }
}

// An adapter that ignores the request stays in its application: the refusal is told once the
// loader has not come within the wait, the button works again and no download starts later.
TEST_F(FirmwareUpgradeTest, ARefusedRestartIsToldOnceTheLoaderFailsToComeAndEnablesTheButton) {
    open(benchWith([](sim::BenchConfig& c) { c.adapter.acceptsBootRequest = false; }));
    connectInterface();
    rig->choose("good.fmd");
    const std::int64_t pressUs = rig->clock.nowUs();
    pressUpgrade();
    EXPECT_TRUE(rig->log().endsWith(" \r\n"));
    EXPECT_FALSE(rig->log().contains("Wait while rebooting"));
    EXPECT_EQ(rig->messages(kRefusal), 0);
    EXPECT_FALSE(rig->fwView.upgradeEnabled);

    ASSERT_TRUE(
        rig->runFor(FirmwareUpgrade::kLoaderWaitMs + 2000, [&] { return rig->messages(kRefusal) > 0; }));
    EXPECT_GE(rig->clock.nowUs() - pressUs, std::int64_t{FirmwareUpgrade::kLoaderWaitMs} * 1000);
    EXPECT_EQ(rig->dialogs.shown.back().caption, kCaption);
    EXPECT_TRUE(rig->fwView.upgradeEnabled);
    EXPECT_EQ(rig->s().connection.WorkingMode, 1);
    rig->runFor(10000);
    EXPECT_EQ(rig->messages(kRefusal), 1);
    EXPECT_EQ(rig->worker.runs, 0);
    EXPECT_FALSE(rig->worker.isBusy());
}

}  // namespace
}  // namespace dravik::test

namespace dravik::test {
namespace {

// The adapter unplugged after each loader report of a whole upgrade in turn, then plugged in again
// and upgraded: every run ends, and every upgrade said to be verified left the adapter's flash
// equal to the image byte for byte.
TEST_F(FirmwareUpgradeTest, CutAtEveryLoaderReportThenReplugUpgradesToTheImageExactly) {
    const TiTxtImage image = imageOf(sampleFirmware("odd.fmd"));
    open();
    connectInterface();
    rig->choose("odd.fmd");
    rig->firmware->button_UpgradeFirmware_Click();
    ASSERT_TRUE(runUntilDone());
    ASSERT_EQ(rig->messages("Download OK !"), 1) << rig->log().toStdString();
    EXPECT_EQ(firstFlashDifference(image), -1);
    const int reports = static_cast<int>(rig->bench([](sim::Bench& b) { return b.loaderReports().size(); }));
    ASSERT_GT(reports, 10);

    for (int cut = 0; cut < reports; ++cut) {
        SCOPED_TRACE(cut);
        open();
        connectInterface();
        rig->lib->withBench([&](sim::Bench& b) { b.config().bootloader.unplugAfterReports = cut; });
        rig->choose("odd.fmd");
        rig->firmware->button_UpgradeFirmware_Click();
        ASSERT_TRUE(runUntilDone(120000));
        const bool verified = rig->log().contains("Memory successfully verified");
        EXPECT_EQ(verified, rig->messages("Download OK !") == 1) << rig->log().toStdString();
        if (verified) EXPECT_EQ(firstFlashDifference(image), -1);

        rig->view.mode.clear();
        rig->plug(true);
        const ConnectionState& cs = rig->s().connection;
        ASSERT_TRUE(rig->runFor(30000, [&] {
            return !rig->view.mode.isEmpty() && (cs.Interface_connected || cs.WorkingMode == 0);
        }));
        const int okBefore = rig->messages("Download OK !");
        rig->firmware->button_UpgradeFirmware_Click();
        ASSERT_TRUE(rig->runFor(60000, [&] {
            return rig->messages("Download OK !") == okBefore + 1 && !rig->worker.isBusy();
        })) << rig->log().toStdString();
        EXPECT_EQ(firstFlashDifference(image), -1);
    }
}

// A short run that crosses into the next segment, with no later block starting there: that
// segment is erased too, or the adapter's leftover code spoils the bytes written into it.
TEST_F(FirmwareUpgradeTest, ARunIntoASegmentNoBlockStartsInGetsThatSegmentErased) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString text = QStringLiteral("@4bf0\n");
    for (int line = 0; line < 2; ++line) {
        for (int i = 0; i < 16; ++i) text += QStringLiteral("%1 ").arg(0x30 + line * 16 + i, 2, 16, QLatin1Char('0'));
        text += u'\n';
    }
    text += QStringLiteral("@fffe\n00 44\nq\n");
    const QString path = dir.filePath(QStringLiteral("run.fmd"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text.toLatin1());
    }
    const TiTxtImage image = imageOf(path);
    open(benchWith([](sim::BenchConfig& c) {
        c.bootloader.blank = true;
        c.bootloader.leftoverCode = true;
    }));
    ASSERT_TRUE(rig->runFor(5000, [&] { return rig->view.mode == "Boot mode."; }));
    rig->fwView.path = path;
    pressUpgrade();
    ASSERT_TRUE(runUntilDone());
    EXPECT_TRUE(rig->log().contains("Memory successfully verified\r\n")) << rig->log().toStdString();
    const auto erased = rig->bench([](sim::Bench& b) { return b.erasedSegments(); });
    EXPECT_NE(std::find(erased.begin(), erased.end(), 0x4A00u), erased.end());
    EXPECT_NE(std::find(erased.begin(), erased.end(), 0x4C00u), erased.end());
    EXPECT_EQ(firstFlashDifference(image), -1);
}

}  // namespace
}  // namespace dravik::test
