#include <gtest/gtest.h>

#include <deque>

#include "link/DeviceText.h"
#include "link/UsbInterfaceLibrary.h"

using namespace dravik;

namespace {

// Stands in for hidapi: captures written reports, serves queued input reports, can "unplug".
struct FakeHid {
    std::vector<std::vector<std::uint8_t>> written;
    std::deque<std::vector<std::uint8_t>> input;
    // Replies that arrive after the next writes, one per write (an empty one: no reply).
    std::deque<std::vector<std::uint8_t>> replies;
    bool unplugged = false;
    // A read with nothing queued waits its time-out on this clock, as hid_read_timeout does.
    Clock* clock = nullptr;
    int devices = 1;
    int opened = 0;
    int refusal = 0;  // a kOpen... code: the device is listed but open() fails with it
};

class FakeDevice : public HidDevice {
public:
    explicit FakeDevice(FakeHid& h) : h_(h) {}
    int write(const std::uint8_t* d, std::size_t n) override {
        if (h_.unplugged) return -1;
        h_.written.emplace_back(d, d + n);
        if (!h_.replies.empty()) {
            if (!h_.replies.front().empty()) h_.input.push_back(h_.replies.front());
            h_.replies.pop_front();
        }
        return static_cast<int>(n);
    }
    int readTimeout(std::uint8_t* d, std::size_t n, int ms) override {
        if (h_.unplugged) return -1;
        if (h_.input.empty()) {
            if (h_.clock != nullptr) h_.clock->sleepUs(std::int64_t{ms} * 1000);
            return 0;
        }
        auto r = h_.input.front();
        h_.input.pop_front();
        const std::size_t k = std::min(n, r.size());
        std::copy_n(r.begin(), k, d);
        return static_cast<int>(k);
    }

private:
    FakeHid& h_;
};

class FakeHidApi : public HidApi {
public:
    explicit FakeHidApi(FakeHid& h) : h_(h) {}
    int count(std::uint16_t vid, std::uint16_t pid) override {
        return vid == 0x2047 && pid == 0x0301 ? h_.devices : 0;
    }
    std::unique_ptr<HidDevice> open(std::uint16_t vid, std::uint16_t pid, int index) override {
        if (count(vid, pid) <= index) {
            lastError_ = kOpenNoDevice;
            return nullptr;
        }
        if (h_.refusal != 0) {
            lastError_ = h_.refusal;
            return nullptr;
        }
        ++h_.opened;
        return std::make_unique<FakeDevice>(h_);
    }

    int lastOpenError() const override { return lastError_; }

  private:
    FakeHid& h_;
    int lastError_ = kOpenFailed;
};

struct UsbLibraryTest : ::testing::Test {
    FakeHid hid;
    VirtualClock clock;
    UsbInterfaceLibrary lib{clock, std::make_unique<FakeHidApi>(hid)};
};

TEST_F(UsbLibraryTest, PacksTheRecordIntoADatapipeReport) {
    ASSERT_EQ(lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0"), 0);
    dataBuffer tx;
    buildRequest(tx, IDENTIFICATION, 0, 0);
    tx[65] = 0x77;  // the last payload byte that fits in the report
    tx[66] = 0x99;  // beyond the report: never sent
    lib.USB_TX(tx);
    ASSERT_EQ(hid.written.size(), 1u);
    const auto& r = hid.written[0];
    ASSERT_EQ(r.size(), 64u);
    EXPECT_EQ(r[0], 0x3F);
    EXPECT_EQ(r[1], 62);
    EXPECT_EQ(std::vector<std::uint8_t>(r.begin() + 2, r.begin() + 8),
              (std::vector<std::uint8_t>{0x01, 0xF2, 0x02, 0x02, 0x00, 0x02}));
    EXPECT_EQ(r[63], 0x77);
}

TEST_F(UsbLibraryTest, DrainsStaleInputBeforeSending) {
    lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    hid.input.push_back({0x3F, 6, 0x01, 0xF2, 0x02, 0x02, 0x00, 0x02});
    hid.input.push_back({0x3F, 6, 0x01, 0xF2, 0x02, 0x02, 0x00, 0x02});
    lib.USB_TX(dataBuffer{});
    dataBuffer rx;
    EXPECT_FALSE(lib.USB_RX(&rx));
}

TEST_F(UsbLibraryTest, UnpacksAnswersWithBoundedSize) {
    lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    hid.input.push_back({0x3F, 8, 0x01, 0xF2, 0x02, 0x04, 0x01, 0x10, 0x2A, 0x3F});
    dataBuffer rx;
    ASSERT_TRUE(lib.USB_RX(&rx));
    EXPECT_EQ(rx.count(), 8u);
    EXPECT_EQ(rx[kDest], 0xF2);
    EXPECT_EQ(rx[10], 0x2A);

    // A size byte larger than the report cannot make the copy run past the buffer.
    std::vector<std::uint8_t> big(64, 0xAB);
    big[0] = 0x3F;
    big[1] = 250;
    hid.input.push_back(big);
    dataBuffer rx2;
    ASSERT_TRUE(lib.USB_RX(&rx2));
    EXPECT_EQ(rx2.count(), 62u);
    EXPECT_EQ(rx2[4 + 61], 0xAB);
    EXPECT_EQ(rx2[4 + 62], 0x00);

    hid.input.push_back({0x3A, 2, 0x00});  // another report id
    EXPECT_FALSE(lib.USB_RX(&rx2));
}

TEST_F(UsbLibraryTest, UnplugMidExchangeIsATimeoutAndNeverASpin) {
    lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    hid.unplugged = true;
    dataBuffer rx;
    EXPECT_FALSE(lib.USB_RX(&rx));
    const auto before = clock.nowUs();
    lib.USB_TX(dataBuffer{});
    EXPECT_FALSE(lib.USB_RX(&rx));  // device gone: the poll still waits its few milliseconds
    EXPECT_GE(clock.nowUs() - before, 5000);
    EXPECT_EQ(lib.ID_Request(0xF2), ExchangeLibrary::kNoAnswer);
}

TEST_F(UsbLibraryTest, ARequestReopensAfterAnError) {
    lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    hid.unplugged = true;
    dataBuffer rx;
    EXPECT_FALSE(lib.USB_RX(&rx));  // the error drops the handle
    hid.unplugged = false;
    const int opened = hid.opened;
    lib.USB_TX(dataBuffer{});
    EXPECT_EQ(hid.opened, opened + 1);
    EXPECT_EQ(hid.written.size(), 1u);
}

// The open result tells a missing adapter from one the user may not open and from a bad name.
TEST_F(UsbLibraryTest, OpenFailsForMissingDeviceRefusalOrBadText) {
    const char* device = "PID=0x0301,VID=0x2047,DEVICEINDEX=0";
    hid.devices = 0;
    EXPECT_EQ(lib.BSL_initialize_BSL(device), kOpenNoDevice);
    hid.devices = 1;
    EXPECT_EQ(lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047"), kOpenFailed);
    for (const int refusal : {kOpenNoPermission, kOpenFailed}) {
        hid.refusal = refusal;
        EXPECT_EQ(lib.BSL_initialize_BSL(device), refusal);
    }
    hid.refusal = 0;
    EXPECT_EQ(lib.BSL_initialize_BSL(device), 0);
    EXPECT_EQ(lib.BSL_NumOfUSBDevices(0x2047, 0x0301), 1);
    EXPECT_EQ(lib.BSL_NumOfUSBDevices(0x2047, 0x0200), 0);
}

TEST(DeviceText, Parsing) {
    const auto id = parseDeviceText("PID=0x0301,VID=0x2047,DEVICEINDEX=0");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->pid, 0x0301);
    EXPECT_EQ(id->vid, 0x2047);
    for (const char* bad : {"", "PID=0x0301", "PID=0xZZ,VID=0x2047,DEVICEINDEX=0", "PID=0x10000,VID=1,DEVICEINDEX=0",
                            "FOO=1,PID=1,VID=1,DEVICEINDEX=0"})
        EXPECT_FALSE(parseDeviceText(bad)) << bad;
}

}  // namespace

// The loader operations: one report per core command, replies 0x3A data / 0x3B status.
TEST_F(UsbLibraryTest, LoaderCommandsGoOutAsCoreCommandsInOneReportEach) {
    ASSERT_EQ(lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0"), 0);
    hid.replies = {{0x3F, 2, 0x3B, 0x05}, {0x3F, 2, 0x3B, 0x00}, {0x3F, 3, 0x3A, 0xB1, 0x29}, {}, {}};
    EXPECT_EQ(lib.BSL_RX_Password(lib.BSL_getDefaultPass()), 5);
    EXPECT_EQ(lib.BSL_eraseSegment(0x1FE01), 0);
    EXPECT_EQ(lib.BSL_CRC_Check(0x4400, 5000), 0);
    const dataBuffer rx = lib.BSL_get_RX_Buffer();
    EXPECT_EQ(rx[5] + 256 * rx[6], 0x29B1);

    std::string text = "@4401\n";
    for (int i = 0; i < 60; ++i) text += "5A ";
    text += "\nq\n";
    EXPECT_EQ(lib.BSL_RX_TXT(text.c_str(), 1), 0u);

    ASSERT_EQ(hid.written.size(), 5u);
    const auto& pw = hid.written[0];
    EXPECT_EQ(pw[1], 33);
    EXPECT_EQ(pw[2], 0x11);
    EXPECT_TRUE(std::all_of(pw.begin() + 3, pw.begin() + 35, [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(std::vector<std::uint8_t>(hid.written[1].begin() + 1, hid.written[1].begin() + 6),
              (std::vector<std::uint8_t>{4, 0x12, 0x01, 0xFE, 0x01}));
    EXPECT_EQ(std::vector<std::uint8_t>(hid.written[2].begin() + 1, hid.written[2].begin() + 8),
              (std::vector<std::uint8_t>{6, 0x16, 0x00, 0x44, 0x00, 0x88, 0x13}));
    // 58 data bytes a report at most, the next block's address following on.
    EXPECT_EQ(std::vector<std::uint8_t>(hid.written[3].begin() + 1, hid.written[3].begin() + 6),
              (std::vector<std::uint8_t>{62, 0x1B, 0x01, 0x44, 0x00}));
    EXPECT_EQ(hid.written[3][63], 0x5A);
    EXPECT_EQ(std::vector<std::uint8_t>(hid.written[4].begin() + 1, hid.written[4].begin() + 8),
              (std::vector<std::uint8_t>{6, 0x1B, 0x3B, 0x44, 0x00, 0x5A, 0x5A}));
}

TEST_F(UsbLibraryTest, ALoaderThatStopsAnsweringFailsLaterCommandsAtOnceUntilReopened) {
    hid.clock = &clock;
    ASSERT_EQ(lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0"), 0);
    EXPECT_EQ(lib.BSL_eraseSegment(0x4400), kBslNoReply);
    const auto afterTimeout = clock.nowUs();
    EXPECT_GE(afterTimeout, 1000000);
    EXPECT_NE(lib.BSL_CRC_Check(0x4400, 16), 0);
    EXPECT_EQ(clock.nowUs(), afterTimeout);
    EXPECT_EQ(hid.written.size(), 1u);

    ASSERT_EQ(lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0"), 0);
    hid.replies = {{0x3F, 2, 0x3B, 0x00}};
    EXPECT_EQ(lib.BSL_eraseSegment(0x4400), 0);
}

TEST_F(UsbLibraryTest, BootModeRequestIsOurFrameToTheAdapter) {
    hid.clock = &clock;
    ASSERT_EQ(lib.BSL_initialize_BSL("PID=0x0301,VID=0x2047,DEVICEINDEX=0"), 0);
    hid.replies = {{0x3F, 7, 0x01, 0xF1, 0x02, 0x03, 0x43, 0x00, 0x46}};
    EXPECT_EQ(lib.BootMode_Request(), 0);
    ASSERT_EQ(hid.written.size(), 1u);
    EXPECT_EQ(std::vector<std::uint8_t>(hid.written[0].begin() + 2, hid.written[0].begin() + 11),
              (std::vector<std::uint8_t>{0x01, 0xF1, 0x02, 0x05, 0x43, 'B', 'S', 'L', 0x29}));
    EXPECT_EQ(lib.BootMode_Request(), 1);  // no answer
}
