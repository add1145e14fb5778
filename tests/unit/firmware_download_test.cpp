// The download's steps and progress reports against a loader that answers as each case says.

#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>

#include <deque>

#include "firmware/FirmwareDownload.h"
#include "firmware/FirmwareUpgrade.h"
#include "support/FakeLibrary.h"

namespace dravik::test {
namespace {

class StubLoader : public FakeLibrary {
  public:
    using FakeLibrary::FakeLibrary;
    int BSL_initialize_BSL(const char* device) override {
        opened.push_back(device);
        return take(openResults);
    }
    int BSL_RX_Password(DataBlock_ p) override {
        passwords.push_back(p);
        return take(passwordResults);
    }
    std::uint32_t BSL_RX_TXT(const char* text, int) override {
        texts.push_back(text);
        if (texts.back() == image) clock_.sleepUs(programUs);
        return 0;
    }
    int BSL_LoadPC(std::uint32_t a) override {
        loadPc.push_back(a);
        return 0;
    }
    int BSL_eraseSegment(std::uint32_t a) override {
        erased.push_back(a);
        return 0;
    }
    int BSL_openTI_TextForRead(std::string_view text) override {
        readFor.emplace_back(text);
        blocksLeft = crcFails ? 1 : 0;
        return 0;
    }
    int BSL_moreDataToRead_TextFile() override { return blocksLeft; }
    DataBlock_ BSL_readTI_TextFile(int) override {
        blocksLeft = 0;
        DataBlock_ b;
        b.length = 1;
        b.startAddress = 0x4400;
        return b;
    }
    int BSL_CRC_Check(std::uint32_t, std::uint32_t) override { return crcFails ? 1 : 0; }

    static int take(std::deque<int>& q) {
        if (q.empty()) return 0;
        const int v = q.front();
        q.pop_front();
        return v;
    }
    std::deque<int> openResults, passwordResults;
    std::vector<std::string> opened, texts, readFor;
    std::string image;  // the bytes of the file the test hands to the download
    std::vector<DataBlock_> passwords;
    std::vector<std::uint32_t> loadPc, erased;
    std::int64_t programUs = 0;
    bool crcFails = false;
    int blocksLeft = 0;
};

using Reports = std::vector<std::pair<int, QString>>;

Reports startUp(const char* firstPasswordLine) {
    Reports r{{5, ""}};
    if (firstPasswordLine != nullptr) r.push_back({5, firstPasswordLine});
    r.insert(r.end(), {{10, "Password Sent Successfully\r\n"},
                       {20, "Sending RAM BSL v00.05.04.34\r\n"},
                       {30, "Done RAM BSL v00.05.04.34\r\n"},
                       {35, ""},
                       {40, ""},
                       {45, ""}});
    return r;
}

Reports operator+(Reports a, const Reports& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(FirmwareDownload, ProgressReportsFollowTheTableForEachOutcome) {
    const QString path = QStringLiteral(DRAVIK_SOURCE_DIR "/data/firmware/good.fmd");
    const Reports sent{
        {70, "Sending " + path + "\r\n"}, {75, "Firmware Sent\r\n"}, {80, "Verifying memory\r\n"}};
    struct Case {
        const char* name;
        std::deque<int> opens, passwords;
        bool crcFails;
        bool result;
        Reports reports;
        std::int64_t elapsedMs;  // the fixed waits, all on the worker
    };
    const Case cases[] = {
        {"first open fails", {1}, {}, false, false, {{0, "USB device was unplugged!\r\n"}}, 0},
        {"both passwords rejected",
         {},
         {5, 5},
         false,
         false,
         {{5, ""}, {5, "Mass erase occured!\r\n"}, {10, "Password FAILED!\r\n"}},
         2000},
        {"device gone at the first password",
         {},
         {kBslNoReply},
         false,
         false,
         {{5, ""}, {5, "USB device was unplugged!\r\n"}},
         0},
        {"second open fails",
         {0, 1},
         {},
         false,
         false,
         startUp(nullptr) + Reports{{50, "USB device was unplugged!\r\n"}},
         3000},
        {"verification error after a mass erase",
         {},
         {5, 0, 0},
         true,
         false,
         startUp("Mass erase occured!\r\n") + sent + Reports{{85, "Memory verification error\r\n"}},
         5000 + 8421},
        {"blank device",
         {},
         {},
         false,
         true,
         startUp(nullptr) + Reports{{60, "Erasing memory segments \r\n"}} + sent +
             Reports{{85, "Memory successfully verified\r\n"},
                     {90, "Total programming time is 8421ms \r\n"},
                     {90, "Resetting Device...\r\nStarting application\r\n"},
                     {100, "Done!"}},
         3000 + 8421},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VirtualClock clock;
        StubLoader lib(clock);
        lib.openResults = c.opens;
        lib.passwordResults = c.passwords;
        lib.crcFails = c.crcFails;
        lib.programUs = 8421000;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray image = file.readAll();
        lib.image = image.toStdString();
        Reports got;
        FirmwareResources res = loadFirmwareResources();
        res.ramBsl = QStringLiteral("@2500\n01\nq\n");
        FirmwareDownload download(lib, clock, res, QStringLiteral("PID=0x0200,VID=0x2047,DEVICEINDEX=0"),
                                  [&](int p, const QString& t) { got.emplace_back(p, t); });
        EXPECT_EQ(download.run(path, image), c.result);
        EXPECT_EQ(got, c.reports);
        EXPECT_EQ(clock.nowMs(), c.elapsedMs);
        EXPECT_EQ(download.switchedToStandard(), c.result);
        if (c.result) {
            EXPECT_EQ(lib.opened, (std::vector<std::string>(2, "PID=0x0200,VID=0x2047,DEVICEINDEX=0")));
            EXPECT_EQ(lib.loadPc, std::vector<std::uint32_t>{0x2504});
            EXPECT_EQ(lib.erased, std::vector<std::uint32_t>{0xFFFF});
            ASSERT_EQ(lib.passwords.size(), 2u);
            EXPECT_EQ(lib.passwords[0].startAddress, 0xFFE0u);
            EXPECT_EQ(lib.passwords[0].length, 32u);
            EXPECT_EQ(lib.texts.back(), "@0120\r\nA5 02 \r\nq");
            // Erased for, sent and verified: the very bytes handed over, never a file name.
            EXPECT_EQ(std::count(lib.texts.begin(), lib.texts.end(), lib.image), 1);
            for (const std::string& t : lib.readFor) EXPECT_EQ(t, lib.image);
        }
    }
}

TEST(FirmwareDownload, NoFileAndBadFilesEndBeforeTheLoaderIsOpened) {
    VirtualClock clock;
    StubLoader lib(clock);
    Reports got;
    FirmwareResources res = loadFirmwareResources();
    res.ramBsl.clear();
    FirmwareDownload download(lib, clock, res, QString(),
                              [&](int p, const QString& t) { got.emplace_back(p, t); });
    EXPECT_FALSE(download.run(QString(), QByteArray()));
    EXPECT_FALSE(download.run(QStringLiteral(DRAVIK_SOURCE_DIR "/data/firmware/good.fmd"), "@4400\n01\nq\n"));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0], (std::pair<int, QString>{0, "No file specified\r\n"}));
    EXPECT_TRUE(got[1].second.contains("RAM_BSL.txt"));
    EXPECT_TRUE(lib.opened.empty());
}

TEST(FirmwareResourcesTest, KeysAreBuiltInAndPadded) {
    const FirmwareResources r = loadFirmwareResources();
    EXPECT_EQ(r.VID, "0x2047");
    EXPECT_EQ(r.PID, "0x301");
    EXPECT_EQ(r.RAM_BSL_VERSION, "00.05.04.34");
    EXPECT_EQ(r.forcedBor, "@0120\r\nA5 02 \r\nq");
    EXPECT_TRUE(r.password.startsWith("@FFE0"));
}

}  // namespace
}  // namespace dravik::test

namespace dravik::test {
namespace {

struct NoTimer : OneShotTimer {
    void start(int) override {}
    void stop() override {}
    bool isActive() const override { return false; }
};

struct NoRunner : FirmwareRunner {
    bool isBusy() const override { return false; }
    void start(std::function<bool(const Report&)>, Report, std::function<void(bool, bool)>) override {
        ++starts;
    }
    int starts = 0;
};

struct StillView : FirmwareView {
    QString firmwarePath() const override {
        return QStringLiteral(DRAVIK_SOURCE_DIR "/data/firmware/good.fmd");
    }
    void showFirmwarePath(const QString&) override {}
    void setUpgradeEnabled(bool e) override { enabled = e; }
    void setFirmwareProgress(int) override {}
    void setAutoConnChecked(bool) override {}
    void selectTab(int) override {}
    void replaceLog(const QString&) override {}
    bool enabled = true;
};

// A real adapter (the library brings no RAM loader) and a program built without the maker's image:
// the upgrade stops with a message naming the missing file before anything is sent.
TEST(FirmwareUpgradeReal, WithoutTheMakersRamLoaderNothingIsSent) {
    VirtualClock clock;
    StubLoader lib(clock);
    QString vid = "0x2047", pid = "0x0301", index = "0";
    std::uint8_t mode = 1;
    std::uint32_t devices = 1;
    bool connected = true;
    struct Log : LogView {
        void appendLog(const QString& t) override { text += t; }
        QString text;
    } log;
    struct Boxes : Dialogs {
        Answer message(const QString& t, const QString&, Buttons, Icon) override {
            last = t;
            return Ok;
        }
        QString last;
    } boxes;
    struct NoFiles : FileDialogs {
        QString chooseFile(const FileDialogRequest&) override { return {}; }
    } files;
    StillView view;
    NoRunner runner;
    NoTimer pause;
    FirmwareResources res = loadFirmwareResources();
    res.ramBsl.clear();
    struct NoProgress : ProgressView {
        void setProgressText(const QString&, bool) override {}
        void setProgressValue(int) override {}
    } progress;
    HandlerState hs;
    MachineStates ms;
    CommandHandler handler(hs, ms, lib, boxes, progress);
    FirmwareUpgrade upgrade({{vid, pid, index, mode, devices, connected},
                             lib,
                             handler,
                             clock,
                             log,
                             boxes,
                             view,
                             files,
                             runner,
                             pause,
                             pause,
                             nullptr,
                             nullptr,
                             nullptr,
                             nullptr,
                             res});
    upgrade.button_UpgradeFirmware_Click();
    EXPECT_TRUE(boxes.last.contains("resources/firmware/RAM_BSL.txt")) << boxes.last.toStdString();
    EXPECT_TRUE(lib.sent.empty());
    EXPECT_EQ(mode, 1);
    EXPECT_TRUE(view.enabled);
    mode = 0;  // already in its loader: the download is not started either
    upgrade.button_UpgradeFirmware_Click();
    EXPECT_EQ(runner.starts, 0);
}

}  // namespace
}  // namespace dravik::test
