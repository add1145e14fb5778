// The recorder around an interface library: what it writes for reports, opens, counts and
// notifications, read back by the replay's own parser.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "link/RecordingLibrary.h"
#include "link/ReplayInterfaceLibrary.h"
#include "support/FakeLibrary.h"
#include "support/SmallTmpfs.h"
#include "support/SystemReasons.h"

namespace dravik {
namespace {

dataBuffer frameWith(std::initializer_list<std::uint8_t> bytes, std::uint32_t count) {
    dataBuffer b;
    b.bytes.fill(0x77);  // what earlier frames left behind
    int i = kStart;
    for (std::uint8_t v : bytes) b[i++] = v;
    b.setCount(count);
    return b;
}

struct Carried {
    const char* name;
    dataBuffer report;
    int size;
};

class CarriedSizeTest : public ::testing::TestWithParam<Carried> {};

TEST_P(CarriedSizeTest, IsTheMeaningfulPartOfTheReport) { EXPECT_EQ(carriedSize(GetParam().report), GetParam().size); }

INSTANTIATE_TEST_SUITE_P(
    Reports, CarriedSizeTest,
    ::testing::Values(Carried{"FrameUpToItsChecksum", frameWith({0x01, 0xF2, 0x02, 0x03, 0x01, 0x10, 0x14}, 62), 7},
                      Carried{"LoaderReportBySize", frameWith({0x16, 0x00, 0x44, 0x00, 0x10, 0x00}, 6), 6},
                      Carried{"ShortCountIsNoFrame", frameWith({0x01, 0xF2, 0x02, 0x03, 0x01, 0x10, 0x14}, 5), 5},
                      Carried{"CountAbove62", frameWith({0x16}, 200), 62},
                      Carried{"LengthPastTheReport", frameWith({0x01, 0xF2, 0x02, 0x3C}, 62), 62}),
    [](const ::testing::TestParamInfo<Carried>& info) { return std::string(info.param.name); });

struct RecorderTest : ::testing::Test {
    VirtualClock clock;
    test::FakeLibrary inner{clock};
    RecordingLibrary recorder{clock, inner};
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("session.jsonl"));
    const RecordingHeader header{QStringLiteral("Dravik 10.0.0"), QStringLiteral("usb"), QStringLiteral("none"),
                                 QStringLiteral("program")};

    QStringList lines() {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
};

TEST_F(RecorderTest, WritesEveryExchangeWithItsTimeAndTheReplayReadsIt) {
    ASSERT_TRUE(recorder.start(path, header, nullptr));
    clock.advanceTo(100);
    EXPECT_EQ(recorder.BSL_NumOfUSBDevices(kAdapterVid, kAdapterPidStandard), 1);
    recorder.BSL_RegisterUSBDeviceNotification([] {});
    EXPECT_EQ(recorder.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0"), 0);
    inner.answerNext(kDestInterface, 0x00, {1, 2, 3, 4}, 2000);
    clock.advanceTo(250);
    recorder.USB_TX(frameWith({0x01, 0xF1, 0x02, 0x02, 0x00, 0x02}, 62));
    dataBuffer rx;
    while (!recorder.USB_RX(&rx)) {
    }
    inner.onChange();
    inner.devices = 0;
    EXPECT_EQ(recorder.BSL_NumOfUSBDevices(kAdapterVid, kAdapterPidBoot), 0);  // another id: nothing learnt
    EXPECT_EQ(recorder.BSL_NumOfUSBDevices(kAdapterVid, kAdapterPidStandard), 0);
    recorder.stop();

    const QStringList l = lines();
    ASSERT_EQ(l.size(), 8) << l.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(l[0], R"({"t":0,"ev":"start","format":1,"program":"Dravik 10.0.0","backend":"usb","database":"none","started":"program"})");
    EXPECT_EQ(l[1], R"({"t":100,"ev":"arrival","vid":"0x2047","pid":"0x0301","n":1})");
    EXPECT_EQ(l[2], R"({"t":100,"ev":"open","device":"PID=0x0301,VID=0x2047,DEVICEINDEX=0","result":0})");
    EXPECT_EQ(l[3], R"({"t":250,"ev":"tx","data":"01 f1 02 02 00 02"})");
    // The answer came in a full report; its frame ends at the checksum.
    EXPECT_EQ(l[4], R"({"t":2250,"ev":"rx","data":"01 f1 02 06 00 01 02 03 04 10"})");
    EXPECT_TRUE(l[5].endsWith(R"("ev":"notify"})"));
    EXPECT_TRUE(l[6].endsWith(R"("ev":"removal","pid":"0x0301"})"));
    EXPECT_TRUE(l[7].endsWith(R"("ev":"stop"})"));

    QString error;
    const auto parsed = readRecordingFile(path, &error);
    ASSERT_TRUE(parsed) << error.toStdString();
    EXPECT_EQ(parsed->backend, "usb");
    EXPECT_EQ(parsed->events.size(), 6u);
}

// The password bytes of a protection frame, their sum and the checksum never reach the file.
TEST_F(RecorderTest, ProtectionFrameIsMasked) {
    ASSERT_TRUE(recorder.start(path, header, nullptr));
    recorder.USB_TX(frameWith({0x01, 0xF2, 0x02, 0x07, 0x0E, 0x00, 0x12, 0x34, 0x56, 0x9C, 0xB7}, 62));
    recorder.stop();
    const QStringList l = lines();
    ASSERT_GE(l.size(), 2);
    EXPECT_TRUE(l[1].endsWith(R"("ev":"tx","data":"01 f2 02 07 0e 00 ** ** ** ** **"})")) << l[1].toStdString();
}

// The loader operations that work on an address (and a length) keep them on their call lines.
TEST_F(RecorderTest, LoaderCallsKeepTheirAddressAndLength) {
    const auto loaderReply = [&](std::initializer_list<std::uint8_t> bytes) {
        dataBuffer r;
        int i = kStart;
        for (std::uint8_t b : bytes) r[i++] = b;
        r.setCount(static_cast<std::uint32_t>(bytes.size()));
        inner.scripted.emplace_back(1000, r);
    };
    ASSERT_TRUE(recorder.start(path, header, nullptr));
    loaderReply({0x3B, 0x00});
    EXPECT_EQ(recorder.BSL_eraseSegment(0xFC00), 0);
    EXPECT_EQ(recorder.BSL_LoadPC(0x2504), 0);
    loaderReply({0x3A, 0x34, 0x12});
    EXPECT_EQ(recorder.BSL_CRC_Check(0x4400, 0x0100), 0);
    recorder.stop();
    QStringList calls = lines();
    calls.removeIf([](const QString& l) { return !l.contains(QStringLiteral("\"ev\":\"call\"")); });
    for (QString& l : calls) l.remove(QRegularExpression(QStringLiteral("^\\{\"t\":\\d+,")));
    EXPECT_EQ(calls,
              (QStringList{R"("ev":"call","op":"BSL_eraseSegment","result":0,"address":64512})",
                           R"("ev":"call","op":"BSL_LoadPC","result":0,"address":9476})",
                           R"("ev":"call","op":"BSL_CRC_Check","result":0,"address":17408,"length":256})"}));
}

// A recording begun part way through starts with the adapter the counts last showed.
TEST_F(RecorderTest, RecordingStartedLaterBeginsWithTheAdapterPresent) {
    recorder.BSL_NumOfUSBDevices(kAdapterVid, kAdapterPidStandard);
    clock.advanceTo(5000000);
    ASSERT_TRUE(recorder.start(path, header, nullptr));
    recorder.stop();
    const QStringList l = lines();
    ASSERT_EQ(l.size(), 3);
    EXPECT_EQ(l[1], R"({"t":0,"ev":"arrival","vid":"0x2047","pid":"0x0301","n":1})");
    EXPECT_EQ(recorder.path(), path);
    EXPECT_FALSE(recorder.recording());
}

TEST_F(RecorderTest, OnlyARegularFileIsRecordedInto) {
    QString error;
    EXPECT_FALSE(recorder.start(dir.path(), header, &error));
    EXPECT_EQ(error, dir.path() + QStringLiteral(" is not a regular file"));
    EXPECT_FALSE(recorder.recording());
    // Nothing recorded, the library still works.
    EXPECT_EQ(recorder.BSL_NumOfUSBDevices(kAdapterVid, kAdapterPidStandard), 1);
}

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A disk that fills during a recording stops it with the system's reason; the file ends on its last
// whole line, so that it still reads as a recording.
TEST_F(RecorderTest, AFillingDiskStopsTheRecordingOnAWholeLine) {
    test::SmallTmpfs fs(8);
    if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    path = fs.filePath(QStringLiteral("car.jsonl"));
    QStringList told;
    recorder.setOnFailed([&told](const QString& why) { told << why; });
    ASSERT_TRUE(recorder.start(path, header, nullptr));
    for (int i = 1; i < 1000 && recorder.recording(); ++i) {
        clock.advanceTo(i * 1000);
        recorder.USB_TX(frameWith({0x01, 0xF2, 0x02, 0x06, 0x03, 0x00, 0x00, 0x00, 0x04, 0x0F}, 62));
    }

    EXPECT_FALSE(recorder.recording());
    EXPECT_EQ(told, QStringList{
                        QStringLiteral("Cannot write the recording %1: %2").arg(path, dravik::test::kNoSpaceReason)});
    EXPECT_TRUE(contentOf(path).endsWith('\n'));
    QString error;
    const auto read = readRecordingFile(path, &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_GT(read->events.size(), 10u);
}

// A recording that cannot begin for want of space makes no empty file, and keeps an earlier one.
TEST_F(RecorderTest, ARecordingThatCannotBeginLeavesTheFolderAsItWas) {
    test::SmallTmpfs fs(8);
    if (!fs.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
    const QString earlier = fs.filePath(QStringLiteral("earlier.jsonl"));
    QFile f(earlier);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"t\":0,\"ev\":\"start\",\"format\":1}\n");
    f.close();
    fs.fill();

    for (const QString& target : {fs.filePath(QStringLiteral("new.jsonl")), earlier}) {
        SCOPED_TRACE(target.toStdString());
        QString error;
        EXPECT_FALSE(recorder.start(target, header, &error));
        EXPECT_EQ(error, dravik::test::kNoSpaceReason);
        EXPECT_FALSE(recorder.recording());
    }
    EXPECT_FALSE(QFile::exists(fs.filePath(QStringLiteral("new.jsonl"))));
    EXPECT_EQ(contentOf(earlier), QByteArray("{\"t\":0,\"ev\":\"start\",\"format\":1}\n"));
    EXPECT_EQ(QDir(fs.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // and the filler
}

// A replay gives the program the RAM loader of the backend the recording was made on, through
// any number of replays of replays.
TEST(ReplayLibrary, RamLoaderFollowsTheRecordedBackend) {
    VirtualClock clock;
    for (const auto& [backend, bench] : {std::pair{"simulated", true}, std::pair{"replay:simulated", true},
                                         std::pair{"replay:replay:simulated", true}, std::pair{"usb", false},
                                         std::pair{"replay:usb", false}}) {
        sim::Recording recording;
        recording.backend = backend;
        const ReplayInterfaceLibrary replay(clock, recording);
        EXPECT_EQ(replay.ramLoaderImage().empty(), !bench) << backend;
    }
}

// A difference names the commands as the status log does (every command of that header, for a
// frame several commands send), and the loader's commands by what they do.
TEST(ReplayLibrary, ADifferenceNamesTheCommands) {
    struct Case {
        const char* name;
        const char* recorded;
        dataBuffer sent;
        QString failure;
    };
    const Case cases[] = {
        {"Frames", "01 f2 02 03 01 10 14",
         frameWith({0x01, 0xF2, 0x02, 0x05, 0x02, 0x10, 0x00, 0x02, 0x19}, 62),
         QStringLiteral(
             "exchange 1 (line 2 of the recording): recorded TX 01 f2 02 03 01 10 14 "
             "(MEMORY_READ/MEMORY_READ_2/MEMORY_WRITE_read/MEMORY_WRITE_2_read), sent TX 01 f2 02 05 02 10 "
             "00 "
             "02 19 (MEMORY_WRITE_write/MEMORY_WRITE_2); first difference at byte 4, counting the bytes "
             "shown from 1")},
        {"LoaderAndFrame", "16 00 44 00 00 01", frameWith({0x01, 0xF1, 0x02, 0x02, 0x00, 0x02}, 62),
         QStringLiteral(
             "exchange 1 (line 2 of the recording): recorded TX 16 00 44 00 00 01 (loader CRC check), sent "
             "TX 01 f1 02 02 00 02 (INTERFACE IDENTIFICATION); first difference at byte 1, counting the "
             "bytes shown from 1")},
        {"Unknown", "01 f2 02 02 55 57", frameWith({0xEE}, 1),
         QStringLiteral(
             "exchange 1 (line 2 of the recording): recorded TX 01 f2 02 02 55 57, sent TX ee; first "
             "difference at byte 1, counting the bytes shown from 1")}};
    for (const Case& c : cases) {
        std::string error;
        auto recording = sim::parseRecording(std::string(R"({"t":0,"ev":"start","format":1})"
                                                         "\n"
                                                         R"({"t":5,"ev":"tx","data":")") +
                                                 c.recorded + "\"}\n",
                                             error);
        ASSERT_TRUE(recording) << error;
        VirtualClock clock;
        ReplayInterfaceLibrary replay(clock, *recording);
        replay.USB_TX(c.sent);
        EXPECT_EQ(replay.failure(), c.failure) << c.name;
    }
}

TEST(RecordingFile, AMalformedFileIsNamedWithItsLine) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.jsonl"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{\"t\":0,\"ev\":\"start\",\"format\":1}\n{\"t\":5,\"ev\":\"tx\",\"data\":\"zz\"}\n");
    f.close();
    QString error;
    EXPECT_FALSE(readRecordingFile(path, &error));
    EXPECT_EQ(error, path + QStringLiteral(": line 2: \"data\" must be bytes of two hex digits separated by one blank"));
    EXPECT_FALSE(readRecordingFile(dir.path(), &error));
    EXPECT_EQ(error, dir.path() + QStringLiteral(": not a regular file"));
}

// A file beyond the limit is refused for the size it has, without being read.
TEST(RecordingFile, ATooLargeFileIsNamedWithItsSize) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.jsonl"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(qint64{2} << 30));  // sparse: nothing is written
    f.close();
    QString error;
    EXPECT_FALSE(readRecordingFile(path, &error));
    EXPECT_EQ(error, path + QStringLiteral(": the recording is 2147483648 bytes; at most 67108864 are read"));
}

}  // namespace
}  // namespace dravik
