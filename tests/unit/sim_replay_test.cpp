// The device side of a replay: reading a recording with every bound checked, and playing it back
// against the requests the program sends.
#include <gtest/gtest.h>

#include "sim/Replay.h"

namespace {

using sim::RecordedEvent;

const std::string kStart =
    R"({"t":0,"ev":"start","format":1,"program":"Dravik 10.0.0","backend":"simulated","database":"none","started":"program"})"
    "\n";

sim::Recording parse(const std::string& body) {
    std::string error;
    auto r = sim::parseRecording(kStart + body, error);
    EXPECT_TRUE(r) << error;
    return r ? *r : sim::Recording{};
}

sim::Report report(std::vector<std::uint8_t> payload, int size = -1) {
    sim::Report r{};
    r[0] = 0x3F;
    r[1] = static_cast<std::uint8_t>(size < 0 ? payload.size() : static_cast<std::size_t>(size));
    std::copy(payload.begin(), payload.end(), r.begin() + 2);
    return r;
}

// A handler request as the program sends it: the frame, then bytes an earlier frame left, size 62.
sim::Report frame(std::vector<std::uint8_t> bytes, std::uint8_t leftover = 0x55) {
    bytes.resize(62, leftover);
    return report(bytes, 62);
}

std::vector<std::uint8_t> payloadOf(const sim::Report& r) { return {r.begin() + 2, r.begin() + 2 + r[1]}; }

struct Malformed {
    const char* name;
    std::string text;
    std::string error;
};

class RecordingParseTest : public ::testing::TestWithParam<Malformed> {};

TEST_P(RecordingParseTest, IsRefusedWithItsLineNumber) {
    std::string error;
    EXPECT_FALSE(sim::parseRecording(GetParam().text, error));
    EXPECT_EQ(error, GetParam().error);
}

const std::string kLong(5000, 'x');

INSTANTIATE_TEST_SUITE_P(
    Lines, RecordingParseTest,
    ::testing::Values(
        Malformed{"Empty", "\n\n", "line 2: the recording is empty"},
        Malformed{"NoStart", R"({"t":0,"ev":"tx","data":"01"})",
                  "line 1: the first line must be the start line"},
        Malformed{"UnknownFormat", R"({"t":0,"ev":"start","format":2})",
                  "line 1: format 2 is not known; this replay reads format 1"},
        Malformed{"SecondStart", kStart + kStart, "line 2: a second start line"},
        Malformed{"NotJson", kStart + "{\"t\":1,\n", "line 2: not valid JSON"},
        Malformed{"Nested", kStart + R"({"t":1,"ev":"tx","data":["01"]})",
                  "line 2: values may not be arrays or objects"},
        Malformed{"TooLong", kStart + "{\"t\":1,\"ev\":\"tx\",\"data\":\"" + kLong + "\"}\n",
                  "line 2: the line is longer than 4096 bytes"},
        Malformed{"UnknownEvent", kStart + R"({"t":1,"ev":"reboot"})", "line 2: unknown event \"reboot\""},
        // The JSON reader would stop at the NUL and take the line for a notification.
        Malformed{"NulInLine", kStart + R"({"t":1,"ev":"notify"})" + std::string(1, '\0') + R"(,"x":1})",
                  "line 2: the line holds a NUL byte"},
        Malformed{"UnknownKey", kStart + R"({"t":1,"ev":"notify","why":"x"})", "line 2: unknown key \"why\""},
        Malformed{"NoTime", kStart + R"({"ev":"notify"})", "line 2: \"t\" is missing"},
        Malformed{"NegativeTime", kStart + R"({"t":-1,"ev":"notify"})",
                  "line 2: \"t\" must be from 0 to 604800000000"},
        Malformed{"HugeTime", kStart + R"({"t":18446744073709551615,"ev":"notify"})",
                  "line 2: \"t\" must be from 0 to 604800000000"},
        Malformed{"FractionTime", kStart + R"({"t":1.5,"ev":"notify"})",
                  "line 2: \"t\" must be a whole number"},
        Malformed{"TimeGoesBack",
                  kStart + R"({"t":9,"ev":"notify"})"
                           "\n"
                           R"({"t":8,"ev":"notify"})",
                  "line 3: the time goes back (8 after 9 µs)"},
        Malformed{"BadHex", kStart + R"({"t":1,"ev":"tx","data":"01 g2"})",
                  "line 2: \"data\" must be bytes of two hex digits separated by one blank"},
        Malformed{"HexWithoutBlank", kStart + R"({"t":1,"ev":"tx","data":"01f2"})",
                  "line 2: \"data\" must be bytes of two hex digits separated by one blank"},
        Malformed{"HalfByte", kStart + R"({"t":1,"ev":"rx","data":"01 f"})",
                  "line 2: \"data\" must be bytes of two hex digits separated by one blank"},
        Malformed{"TooManyBytes",
                  kStart + "{\"t\":1,\"ev\":\"tx\",\"data\":\"" +
                      [] {
                          std::string s = "00";
                          for (int i = 0; i < 62; ++i) s += " 00";
                          return s;
                      }() +
                      "\"}",
                  "line 2: \"data\" holds more than 62 bytes"},
        Malformed{
            "DeviceTooLong",
            kStart + "{\"t\":1,\"ev\":\"open\",\"device\":\"" + std::string(101, 'P') + "\",\"result\":0}",
            "line 2: \"device\" is longer than 100 characters"},
        Malformed{"OpenResultRange", kStart + R"({"t":1,"ev":"open","device":"x","result":256})",
                  "line 2: \"result\" must be from 0 to 255"},
        Malformed{"ArrivalCount", kStart + R"({"t":1,"ev":"arrival","vid":"0x2047","pid":"0x0301","n":0})",
                  "line 2: \"n\" must be from 1 to 127"},
        Malformed{"ArrivalId", kStart + R"({"t":1,"ev":"arrival","vid":"2047","pid":"0x0301","n":1})",
                  "line 2: \"vid\" must be written like 0x2047"},
        Malformed{"ArrivalIdTooWide",
                  kStart + R"({"t":1,"ev":"arrival","vid":"0x12047","pid":"0x0301","n":1})",
                  "line 2: \"vid\" must be written like 0x2047"}),
    [](const ::testing::TestParamInfo<Malformed>& info) { return std::string(info.param.name); });

TEST(RecordingParse, TooLargeAFileIsRefusedBeforeItIsRead) {
    std::string error;
    EXPECT_FALSE(sim::parseRecording(std::string(sim::kMaxRecordingBytes + 1, '\n'), error));
    EXPECT_EQ(error.rfind("the recording is 67108865 bytes", 0), 0u) << error;
}

// An arrival learnt by the count after a notification is played just before that notification, so
// the count the notification starts sees it; the first arrival (no notification) counts from the start.
TEST(RecordingParse, ArrivalsAndRemovalsMoveToTheNotificationThatAnnouncedThem) {
    const sim::Recording r = parse(R"({"t":50,"ev":"arrival","vid":"0x2047","pid":"0x0301","n":1})" "\n"
                                   R"({"t":100,"ev":"tx","data":"01 f1 02 02 00 02"})" "\n"
                                   R"({"t":300,"ev":"notify"})" "\n"
                                   R"({"t":320,"ev":"rx","data":"01"})" "\n"
                                   R"({"t":900,"ev":"removal","pid":"0x0301"})" "\n");
    using K = RecordedEvent::Kind;
    ASSERT_EQ(r.events.size(), 5u);
    EXPECT_EQ(r.events[0].kind, K::Arrival);
    EXPECT_EQ(r.events[0].timeUs, 0);
    EXPECT_EQ(r.events[2].kind, K::Removal);
    EXPECT_EQ(r.events[2].timeUs, 300);
    EXPECT_EQ(r.events[2].line, 6);
    EXPECT_EQ(r.events[3].kind, K::Notify);
    EXPECT_EQ(r.events[4].kind, K::Rx);
}

// Each change goes just before the last notification since the change before it, the changes in
// the order they were learnt; without such a notification it is played with the event before it.
TEST(RecordingParse, BusChangesKeepTheirOrderAroundTheirNotification) {
    const sim::Recording r = parse(R"({"t":10,"ev":"tx","data":"01"})"
                                   "\n"
                                   R"({"t":15,"ev":"arrival","vid":"0x2047","pid":"0x0301","n":1})"
                                   "\n"
                                   R"({"t":20,"ev":"notify"})"
                                   "\n"
                                   R"({"t":30,"ev":"tx","data":"02"})"
                                   "\n"
                                   R"({"t":40,"ev":"removal","pid":"0x0301"})"
                                   "\n"
                                   R"({"t":45,"ev":"arrival","vid":"0x2047","pid":"0x0200","n":1})"
                                   "\n"
                                   R"({"t":50,"ev":"tx","data":"03"})"
                                   "\n"
                                   R"({"t":60,"ev":"notify"})"
                                   "\n"
                                   R"({"t":70,"ev":"arrival","vid":"0x2047","pid":"0x0200","n":2})"
                                   "\n");
    std::vector<std::pair<int, std::int64_t>> placed;  // (line, time)
    for (const RecordedEvent& e : r.events) placed.emplace_back(e.line, e.timeUs);
    EXPECT_EQ(placed, (std::vector<std::pair<int, std::int64_t>>{
                          {2, 10}, {3, 10}, {6, 20}, {7, 20}, {4, 20}, {5, 30}, {8, 50}, {10, 60}, {9, 60}}));
}

// The answer comes after the recorded delay from the moment the program sent its request, however
// late that is; a request recorded without an answer gets none.
TEST(Replay, AnswersAfterTheRecordedDelayFromTheSend) {
    sim::Replay replay(parse(R"({"t":100,"ev":"tx","data":"01 f1 02 02 00 02"})" "\n"
                             R"({"t":2300,"ev":"rx","data":"01 f1 02 06 00 01 02 03 04 10"})" "\n"
                             R"({"t":5000,"ev":"tx","data":"01 f2 02 02 00 02"})" "\n"
                             R"({"t":9000,"ev":"tx","data":"01 f1 02 02 00 02"})" "\n"),
                       1000000);
    replay.write(frame({0x01, 0xF1, 0x02, 0x02, 0x00, 0x02}), 1500000);
    EXPECT_FALSE(replay.read(1502199));
    EXPECT_EQ(replay.nextReadyUs(), 1502200);
    const auto answer = replay.read(1502200);
    ASSERT_TRUE(answer);
    EXPECT_EQ(payloadOf(*answer), (std::vector<std::uint8_t>{0x01, 0xF1, 0x02, 0x06, 0x00, 1, 2, 3, 4, 0x10}));
    EXPECT_FALSE(replay.read(1600000));

    replay.write(frame({0x01, 0xF2, 0x02, 0x02, 0x00, 0x02}), 1700000);
    EXPECT_FALSE(replay.read(9000000));  // recorded as a time-out
    EXPECT_FALSE(replay.nextReadyUs());
    replay.write(frame({0x01, 0xF1, 0x02, 0x02, 0x00, 0x02}), 9500000);
    EXPECT_EQ(replay.failure(), "");
    EXPECT_EQ(replay.exchangesMatched(), 3);
}

// Answers the program did not collect before its next request are dropped with it, as the adapter's
// pipe drops them.
TEST(Replay, AnswersLeftOverFromTheLastRequestAreDropped) {
    sim::Replay replay(parse(R"({"t":0,"ev":"tx","data":"01 f1 02 02 00 02"})" "\n"
                             R"({"t":10,"ev":"rx","data":"aa"})" "\n"
                             R"({"t":20,"ev":"tx","data":"01 f2 02 02 00 02"})" "\n"
                             R"({"t":30,"ev":"rx","data":"bb"})" "\n"),
                       0);
    replay.write(frame({0x01, 0xF1, 0x02, 0x02, 0x00, 0x02}), 0);
    replay.write(frame({0x01, 0xF2, 0x02, 0x02, 0x00, 0x02}), 5);
    const auto answer = replay.read(15);
    ASSERT_TRUE(answer);
    EXPECT_EQ(payloadOf(*answer), std::vector<std::uint8_t>{0xBB});
    EXPECT_FALSE(replay.read(100));
}

// What a report carries is compared: a frame up to its checksum (not what earlier frames left after
// it), a loader report its size byte's worth.
TEST(Replay, ComparesWhatTheReportCarries) {
    sim::Replay replay(parse(R"({"t":0,"ev":"tx","data":"01 f2 02 03 01 10 14"})" "\n"
                             R"({"t":1,"ev":"tx","data":"16 00 44 00 10 00"})" "\n"),
                       0);
    replay.write(frame({0x01, 0xF2, 0x02, 0x03, 0x01, 0x10, 0x14}, 0x99), 0);
    replay.write(report({0x16, 0x00, 0x44, 0x00, 0x10, 0x00, 0x77, 0x77}, 6), 1);
    EXPECT_EQ(replay.failure(), "");
    EXPECT_EQ(replay.exchangesMatched(), 2);
}

struct Difference {
    const char* name;
    std::string recorded;
    sim::Report sent;
    std::string failure;
};

class ReplayDifferenceTest : public ::testing::TestWithParam<Difference> {};

// The first exchange that differs stops the replay; the message names it, what was recorded and
// what was sent. Nothing is answered afterwards.
TEST_P(ReplayDifferenceTest, StopsAndNamesTheExchange) {
    const Difference& d = GetParam();
    sim::Replay replay(parse(R"({"t":0,"ev":"tx","data":"01 f1 02 02 00 02"})" "\n"
                             R"({"t":5,"ev":"rx","data":"01 f1 02 02 00 02"})" "\n" +
                             d.recorded + R"({"t":90,"ev":"rx","data":"01"})" "\n"),
                       0);
    replay.write(frame({0x01, 0xF1, 0x02, 0x02, 0x00, 0x02}), 0);
    EXPECT_TRUE(replay.read(10));
    replay.write(d.sent, 20);
    EXPECT_EQ(replay.failure(), d.failure);
    EXPECT_FALSE(replay.read(1000));
    EXPECT_EQ(replay.open("PID=0x0301,VID=0x2047,DEVICEINDEX=0", 1000), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Exchanges, ReplayDifferenceTest,
    ::testing::Values(
        Difference{
            "OtherByte",
            R"({"t":20,"ev":"tx","data":"01 f2 02 03 01 10 14"})"
            "\n",
            frame({0x01, 0xF2, 0x02, 0x03, 0x01, 0x11, 0x15}),
            "exchange 2 (line 4 of the recording): recorded TX 01 f2 02 03 01 10 14, sent TX 01 f2 02 03 01 "
            "11 15; first difference at byte 6, counting the bytes shown from 1"},
        Difference{"OtherLength",
                   R"({"t":20,"ev":"tx","data":"01 f2 02 02 00 02"})"
                   "\n",
                   frame({0x01, 0xF2, 0x02, 0x03, 0x01, 0x10, 0x14}),
                   "exchange 2 (line 4 of the recording): recorded TX 01 f2 02 02 00 02, sent TX 01 f2 02 03 "
                   "01 10 14; "
                   "first difference at byte 4, counting the bytes shown from 1"},
        Difference{"OpenRecorded",
                   R"({"t":20,"ev":"open","device":"PID=0x0200,VID=0x2047,DEVICEINDEX=0","result":0})"
                   "\n",
                   frame({0x01, 0xF2, 0x02, 0x02, 0x00, 0x02}),
                   "exchange 2 (line 4 of the recording): recorded open PID=0x0200,VID=0x2047,DEVICEINDEX=0, "
                   "sent TX "
                   "01 f2 02 02 00 02"},
        Difference{
            "EndOfRecording", "", frame({0x01, 0xF2, 0x02, 0x02, 0x00, 0x02}),
            "exchange 2: the recording ends after 1 exchanges, but the program sent TX 01 f2 02 02 00 02"},
        // Another password is not told from the recorded one; another lock flag is, and the sent
        // password bytes stay hidden in the message.
        Difference{"ProtectionFlag",
                   R"({"t":20,"ev":"tx","data":"01 f2 02 07 0e 00 ** ** ** ** **"})"
                   "\n",
                   frame({0x01, 0xF2, 0x02, 0x07, 0x0E, 0x01, 0x12, 0x34, 0x56, 0x9C, 0xB8}),
                   "exchange 2 (line 4 of the recording): recorded TX 01 f2 02 07 0e 00 ** ** ** ** **, sent "
                   "TX 01 f2 "
                   "02 07 0e 01 ** ** ** ** **; first difference at byte 6, counting the bytes shown from 1"},
        Difference{"ProtectionSentForAnother",
                   R"({"t":20,"ev":"tx","data":"01 f2 02 02 00 02"})"
                   "\n",
                   frame({0x01, 0xF2, 0x02, 0x07, 0x0E, 0x01, 0x12, 0x34, 0x56, 0x9C, 0xB8}),
                   "exchange 2 (line 4 of the recording): recorded TX 01 f2 02 02 00 02, sent TX 01 f2 02 07 "
                   "0e 01 ** "
                   "** ** ** **; first difference at byte 4, counting the bytes shown from 1"},
        // A recording from elsewhere may hold a password in clear: neither side shows it.
        Difference{"ProtectionRecordedInClear",
                   R"({"t":20,"ev":"tx","data":"01 f2 02 07 0e 00 12 34 56 9c b7"})"
                   "\n",
                   frame({0x01, 0xF2, 0x02, 0x02, 0x00, 0x02}),
                   "exchange 2 (line 4 of the recording): recorded TX 01 f2 02 07 0e 00 ** ** ** ** **, sent "
                   "TX 01 f2 "
                   "02 02 00 02; first difference at byte 4, counting the bytes shown from 1"},
        // The same bytes as far as the shorter goes: the length is the difference, either way.
        Difference{"SentLonger",
                   R"({"t":20,"ev":"tx","data":"16 00 44 00"})"
                   "\n",
                   report({0x16, 0x00, 0x44, 0x00, 0x10}),
                   "exchange 2 (line 4 of the recording): recorded TX 16 00 44 00, sent TX 16 00 44 00 10; "
                   "recorded 4 "
                   "bytes, sent 5"},
        Difference{"SentShorter",
                   R"({"t":20,"ev":"tx","data":"16 00 44 00 10"})"
                   "\n",
                   report({0x16, 0x00, 0x44, 0x00}),
                   "exchange 2 (line 4 of the recording): recorded TX 16 00 44 00 10, sent TX 16 00 44 00; "
                   "recorded 5 "
                   "bytes, sent 4"}),
    [](const ::testing::TestParamInfo<Difference>& info) { return std::string(info.param.name); });

// A program that ends early did not make what was recorded after: the first such exchange is named.
TEST(Replay, AnEndBeforeTheLastExchangeNamesTheFirstOneMissing) {
    sim::Replay replay(parse(R"({"t":0,"ev":"tx","data":"01 f1 02 02 00 02"})" "\n"
                             R"({"t":5,"ev":"rx","data":"01"})" "\n"
                             R"({"t":9,"ev":"open","device":"PID=0x0200,VID=0x2047,DEVICEINDEX=0","result":0})" "\n"),
                       0);
    EXPECT_EQ(replay.unplayed(),
              "exchange 1 (line 2 of the recording): recorded TX 01 f1 02 02 00 02, but the program ended after 0 of 2 "
              "exchanges");
    replay.write(frame({0x01, 0xF1, 0x02, 0x02, 0x00, 0x02}), 0);
    EXPECT_EQ(replay.unplayed(),
              "exchange 2 (line 4 of the recording): recorded open PID=0x0200,VID=0x2047,DEVICEINDEX=0, but the program "
              "ended after 1 of 2 exchanges");
    replay.open("PID=0x0200,VID=0x2047,DEVICEINDEX=0", 20);
    EXPECT_EQ(replay.unplayed(), "");
}

TEST(Replay, MaskedBytesMatchAnyByte) {
    sim::Replay replay(parse(R"({"t":0,"ev":"tx","data":"01 f2 02 07 0e 00 ** ** ** ** **"})" "\n"), 0);
    replay.write(frame({0x01, 0xF2, 0x02, 0x07, 0x0E, 0x00, 0x65, 0x43, 0x21, 0xC9, 0xE6}), 0);
    EXPECT_EQ(replay.failure(), "");
}

// The adapter comes and goes at the recorded times, counted from the exchange before; the
// notification fires once; an open gets the recorded result.
TEST(Replay, PlugEventsAndOpensFollowTheRecording) {
    sim::Replay replay(parse(R"({"t":10,"ev":"arrival","vid":"0x2047","pid":"0x0301","n":1})" "\n"
                             R"({"t":20,"ev":"open","device":"PID=0x0301,VID=0x2047,DEVICEINDEX=0","result":0})" "\n"
                             R"({"t":1000,"ev":"notify"})" "\n"
                             R"({"t":1500,"ev":"removal","pid":"0x0301"})" "\n"
                             R"({"t":4000,"ev":"notify"})" "\n"
                             R"({"t":4100,"ev":"arrival","vid":"0x2047","pid":"0x0200","n":1})" "\n"
                             R"({"t":5000,"ev":"open","device":"PID=0x0200,VID=0x2047,DEVICEINDEX=0","result":3})" "\n"),
                       0);
    replay.advance(0);
    EXPECT_EQ(replay.count(0x2047, 0x0301), 1);
    EXPECT_EQ(replay.open("PID=0x0301,VID=0x2047,DEVICEINDEX=0", 300), 0);
    replay.advance(1279);
    EXPECT_FALSE(replay.takeNotification());
    EXPECT_EQ(replay.count(0x2047, 0x0301), 1);
    replay.advance(1280);  // 980 µs after the open
    EXPECT_TRUE(replay.takeNotification());
    EXPECT_FALSE(replay.takeNotification());
    EXPECT_EQ(replay.count(0x2047, 0x0301), 0);
    replay.advance(4280);
    EXPECT_TRUE(replay.takeNotification());
    EXPECT_EQ(replay.count(0x2047, 0x0200), 1);
    EXPECT_EQ(replay.count(0x2047, 0x0301), 0);
    EXPECT_EQ(replay.open("PID=0x0200,VID=0x2047,DEVICEINDEX=0", 4300), 3);
    EXPECT_EQ(replay.failure(), "");
}

}  // namespace
