#include <gtest/gtest.h>

#include <chrono>

#include "support/ScenarioRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

constexpr std::uint8_t kMbusSetupCode = 0x40;

sim::BenchConfig productBench(std::array<std::uint8_t, 4> identification, std::uint8_t baudCode = 1) {
    sim::BenchConfig b;
    b.product.identification = identification;
    b.product.baudCode = baudCode;
    return b;
}

// The frames the bench received, shortened: "setup 837c/1", "ident", "code 5 [1]".
QString describe(const sim::ReceivedFrame& f) {
    const std::vector<std::uint8_t>& b = f.frame;
    if (b.size() < 6) return QStringLiteral("short");
    const std::uint8_t dest = b[1], code = b[4];
    if (dest == kDestInterface && code == kMbusSetupCode && b.size() >= 10)
        return QStringLiteral("setup %1/%2").arg(b[6] << 8 | b[7], 4, 16, QLatin1Char('0')).arg(b[8]);
    if (dest == kDestProduct && code == 0x00 && b.size() == 6) return QStringLiteral("ident");
    QString s = QStringLiteral("code %1 [").arg(code);
    for (std::size_t i = 5; i + 1 < b.size(); ++i) s += QString::number(b[i]) + (i + 2 < b.size() ? " " : "");
    return s + "]";
}

struct ProductConnectionTest : ::testing::Test {
    std::unique_ptr<ScenarioRig> rig;
    std::size_t framesBefore = 0;

    void open(const sim::BenchConfig& bench, bool withDatabase = true) {
        rig = std::make_unique<ScenarioRig>(bench, false);
        if (withDatabase) ASSERT_TRUE(rig->installSampleDatabase());
        rig->runFor(50);
        rig->controller->iface().Restart();
        ASSERT_TRUE(rig->runFor(500, [&] { return s().connection.Interface_connected; }));
        rest();
    }
    Session& s() { return rig->s(); }
    CommandHandler& handler() { return rig->controller->handler(); }
    bool resting() { return !handler().ProcessIsInProgress(false); }
    bool rest(int ms = 60000) { return rig->runFor(ms, [&] { return resting(); }); }

    // What the automatic connection's reboot does, with the functions and module machines left
    // resting so that only the product machine works.
    void connectProduct() {
        framesBefore = rig->frames().size();
        s().connection.Device_connection_request = true;
        rig->controller->iface().Reset_connection();
        s().machines.EnterProduct_state = PRODUCT_START;
        handler().wakeup();
    }
    QStringList framesSinceConnect() {
        QStringList out;
        const auto frames = rig->frames();
        for (std::size_t i = framesBefore; i < frames.size(); ++i) out << describe(frames[i]);
        return out;
    }
    bool supplyOn() {
        bool on = false;
        rig->lib->withBench([&](sim::Bench& b) { on = (b.outputWord() & 0x0100) != 0; });
        return on;
    }
};

TEST_F(ProductConnectionTest, SpeedSearchFindsTheProductAtCodeTwoAndRemembersIt) {
    open(productBench({0, 37, 1, 0}, 2));
    connectProduct();
    ASSERT_TRUE(rest());
    EXPECT_EQ(framesSinceConnect(), (QStringList{"setup 00ff/1", "setup 837c/1", "ident", "ident", "setup 00ff/2",
                                                 "setup 837c/0", "ident"}));
    EXPECT_EQ(s().product.Prd_Speed, 2);
    EXPECT_EQ(s().product.Prd_connected, 1);
    // The device pauses after each setup answer (600 ms, then 750 ms) come before the next request.
    const auto frames = rig->frames();
    for (std::size_t i = framesBefore + 1; i < framesBefore + 3; ++i)
        EXPECT_GE(frames[i].timeUs - frames[i - 1].timeUs, 1'350'000) << i;
    EXPECT_EQ(s().product.Fnc_OperationToDo, 1);
    EXPECT_TRUE(rig->log().contains("Found product \r\n"));

    // The next connection starts at the remembered code.
    connectProduct();
    ASSERT_TRUE(rest());
    EXPECT_EQ(framesSinceConnect(), (QStringList{"setup 00ff/2", "setup 837c/2", "ident"}));
}

TEST_F(ProductConnectionTest, SilentProductIsNotFoundAfterSixIdentificationsOnVirtualTime) {
    sim::BenchConfig bench;
    bench.product.present = false;
    open(bench);
    const auto wallStart = std::chrono::steady_clock::now();
    const std::int64_t virtualStart = rig->clock.nowUs();
    connectProduct();
    ASSERT_TRUE(rest());
    const auto wallMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - wallStart).count();
    EXPECT_EQ(framesSinceConnect().count("ident"), 6);
    EXPECT_EQ(framesSinceConnect().filter("setup 00ff").size(), 3);
    EXPECT_EQ(rig->progress.text, "Product not found !");
    EXPECT_EQ(s().product.Prd_connected, 0);
    EXPECT_EQ(s().product.baudrate, 1);
    EXPECT_EQ(s().machines.EnterProduct_state, PRODUCT_WAIT_ANSWER);
    EXPECT_GT(rig->clock.nowUs() - virtualStart, 6 * 2'400'000);
    EXPECT_LT(wallMs, 5000);
}

TEST_F(ProductConnectionTest, ModuleOfIdentification44IsConfiguredFirst) {
    sim::BenchConfig bench = productBench({0, 44, 1, 0});
    bench.product.hasModule = true;
    bench.adapter.input2High = false;  // module wired to the cable
    open(bench);
    connectProduct();
    ASSERT_TRUE(rest());
    const QStringList frames = framesSinceConnect();
    ASSERT_GE(frames.size(), 3);
    EXPECT_EQ(frames.mid(frames.size() - 3), (QStringList{"code 5 [1]", "code 9 []", "code 8 []"}));
    EXPECT_EQ(rig->view.module.text, "Module: VRAK-1. ( Id: a1, hw ver. 1, fw ver. 1 )");
    EXPECT_EQ(rig->view.module.tone, Tone::Green);
    EXPECT_EQ(s().module.Mod_connected, 1);
    EXPECT_TRUE(rig->view.menus.contains("module:VRAK-1"));
    EXPECT_FALSE(rig->view.eventsLogPage);
}

TEST_F(ProductConnectionTest, DirectVrak2ShowsTheEventsLogPage) {
    sim::BenchConfig bench = productBench({0, 44, 1, 0});
    bench.product.hasModule = true;
    bench.product.moduleInfo = {2, 0xA2, 7};
    bench.adapter.input2High = false;
    open(bench);
    connectProduct();
    ASSERT_TRUE(rest());
    EXPECT_EQ(rig->view.module.text, "Module: VRAK-2. ( Id: a2, hw ver. 2, fw ver. 7 )");
    EXPECT_TRUE(rig->view.menus.contains("module:VRAK-2"));
    EXPECT_TRUE(rig->view.eventsLogPage);
}

TEST_F(ProductConnectionTest, OtherIdentificationsSkipModuleConfigAndASilentModuleTimesOut) {
    open(productBench({0, 63, 1, 2}));  // the bench product has no module
    s().connection.Actual_communication = 1;
    connectProduct();
    ASSERT_TRUE(rest());
    const QStringList frames = framesSinceConnect();
    EXPECT_EQ(frames.mid(frames.size() - 2), (QStringList{"code 5 [1]", "code 8 []"}));
    EXPECT_EQ(s().module.Mod_timeout, 1);
    EXPECT_EQ(s().module.Mod_connected, 0);
    EXPECT_EQ(s().connection.Actual_communication, 2);
    EXPECT_EQ(rig->view.module.text, "No module connected.");
}

// An undescribed module type is no module: the product goes on alone instead of waiting for ever.
TEST_F(ProductConnectionTest, ModuleWithoutDescriptionCountsAsNoModule) {
    sim::BenchConfig bench = productBench({0, 44, 1, 0});
    bench.product.hasModule = true;
    bench.product.moduleInfo = {1, 0x55, 1};
    open(bench);
    connectProduct();
    ASSERT_TRUE(rest());
    EXPECT_EQ(s().module.Mod_connected, 0);
    EXPECT_EQ(s().module.Mod_timeout, 1);
    EXPECT_TRUE(rig->log().contains("Module type 85 not described: no module\r\n"));
    EXPECT_EQ(rig->view.module.text, "No module connected.");
    EXPECT_TRUE(rig->view.menus.filter("module:").isEmpty());
}

TEST_F(ProductConnectionTest, LabelsAndMenusByIdentification) {
    struct Case {
        std::array<std::uint8_t, 4> answer;
        const char* label;
        QStringList menus;
        bool fileButtons;
    };
    const Case cases[] = {
        {{0, 63, 1, 2}, "Product: TAVIRON ZED 63. ( Id: 063, ver. 1, subver. 2 )", {"TAVIRON ZED 63#63"}, true},
        {{0, 37, 2, 255}, "Product: TAVIRON A37. ( Id: 037, ver. 2, subver. 255 )", {"TAVIRON A37#37"}, false},
        {{0, 12, 1, 5}, "Product: TAVIRON 12. ( Id: 012, ver. 1, subver. 5 )", {}, false},
        // Two descriptions hold version 2.1: the later one is used.
        {{7, 12, 2, 1}, "Product: TAVIRON 12 Plus. ( Id: 712, ver. 2, subver. 1 )", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        open(productBench(c.answer));
        connectProduct();
        ASSERT_TRUE(rest());
        EXPECT_EQ(rig->view.product.text, c.label);
        EXPECT_EQ(rig->view.product.tone, Tone::Green);
        EXPECT_EQ(rig->view.menus, c.menus);
        EXPECT_EQ(rig->view.fileButtons, c.fileButtons);
    }
    EXPECT_EQ(s().product.Prd_index, 5u);
    EXPECT_EQ(s().product.Prd_Name, "TAVIRON 12 Plus");
}

TEST_F(ProductConnectionTest, UndescribedProductIsSwitchedOff) {
    open(productBench({0, 99, 3, 4}));
    connectProduct();
    ASSERT_TRUE(rest());
    EXPECT_EQ(rig->view.product.text, "( Id: 99, ver. 3, subver. 4 )");
    EXPECT_EQ(rig->view.product.tone, Tone::Red);
    EXPECT_TRUE(rig->log().contains("Product not defined! \r\n"));
    EXPECT_EQ(framesSinceConnect().last(), "setup 00ff/0");
    EXPECT_FALSE(supplyOn());
    EXPECT_EQ(s().product.Prd_connected, 0);
    EXPECT_EQ(s().link.Product_supply.load(), 0);
    EXPECT_TRUE(rig->databaseFatals.isEmpty());
}

TEST_F(ProductConnectionTest, MissingDatabaseIsFatal) {
    open(productBench({0, 37, 1, 0}), false);
    connectProduct();
    ASSERT_TRUE(rest());
    ASSERT_FALSE(rig->databaseFatals.isEmpty());
    EXPECT_TRUE(rig->databaseFatals.first().contains("VuzUvazuzuvar.db"));
    EXPECT_EQ(s().product.Prd_connected, 0);
    // Nothing more goes out once the program is to end.
    EXPECT_EQ(framesSinceConnect().last(), "ident");
    EXPECT_FALSE(rig->log().contains("Product not defined!"));
}

TEST_F(ProductConnectionTest, SilentAdapterSetupEndsTheConnection) {
    open(productBench({0, 37, 1, 0}));
    rig->lib->withBench([](sim::Bench& b) { b.config().faults.dropNext = 1; });
    connectProduct();
    ASSERT_TRUE(rest());
    EXPECT_TRUE(rig->log().contains("RX error on Mbus_Setup_Request!\r\n"));
    EXPECT_EQ(rig->progress.text, "Product not found !");
    EXPECT_EQ(framesSinceConnect(), QStringList{"setup 00ff/1"});
}

TEST_F(ProductConnectionTest, StoppedPowerUpDoesNotLeaveTheNextConnectionHalfWay) {
    open(productBench({0, 37, 1, 0}));
    connectProduct();
    ASSERT_TRUE(rig->runFor(10000, [&] { return framesSinceConnect().contains("setup 837c/1"); }));
    handler().StopProcess();
    rest();
    connectProduct();
    ASSERT_TRUE(rest());
    EXPECT_EQ(framesSinceConnect(), (QStringList{"setup 00ff/1", "setup 837c/1", "ident"}));
    EXPECT_EQ(s().product.Prd_connected, 1);
}

TEST_F(ProductConnectionTest, PowerOffRefusedWhileACommandRunsChangesNothing) {
    sim::BenchConfig bench;
    bench.product.present = false;
    open(bench);
    connectProduct();
    ASSERT_TRUE(rig->runFor(10000, [&] { return framesSinceConnect().contains("ident"); }));
    s().product.Prd_connected = 1;
    rig->view.eventsLogPage = true;
    const MachineStates machines = s().machines;
    const int sending = s().link.SendingCmd;
    const std::uint16_t output = s().link.Output_value;
    const int clears = rig->view.clearForms;
    rig->logView.clear();

    rig->controller->product().closeToolStripMenuItem_Click();
    EXPECT_EQ(rig->log(), "Wait until the previous command is completed!\r\n");
    EXPECT_EQ(rig->progress.text, "Wait until the previous command is completed!");
    EXPECT_EQ(s().product.Prd_connected, 1);
    EXPECT_TRUE(rig->view.eventsLogPage);
    EXPECT_EQ(s().machines.EnterProduct_state, machines.EnterProduct_state);
    EXPECT_EQ(s().machines.EnterFunctions_state, machines.EnterFunctions_state);
    EXPECT_EQ(s().machines.EnterModule_state, machines.EnterModule_state);
    EXPECT_EQ(s().link.SendingCmd, sending);
    EXPECT_EQ(s().link.Output_value.load(), output);
    EXPECT_EQ(rig->view.clearForms, clears);
}

TEST_F(ProductConnectionTest, PowerOffSwitchesTheSupplyOff) {
    open(productBench({0, 37, 1, 0}));
    connectProduct();
    ASSERT_TRUE(rest());
    ASSERT_TRUE(supplyOn());
    framesBefore = rig->frames().size();
    rig->logView.clear();

    rig->controller->product().closeToolStripMenuItem_Click();
    EXPECT_EQ(s().product.Prd_connected, 0);
    EXPECT_EQ(rig->view.product.text, "No product connected.");
    ASSERT_TRUE(rest());
    rig->runFor(200);
    EXPECT_EQ(framesSinceConnect(), QStringList{"setup 00ff/0"});
    EXPECT_FALSE(supplyOn());
    EXPECT_TRUE(rig->log().startsWith("AutoConn: EnterFunc_sta = 3 EnterFunc_WAITING \r\n"));
    EXPECT_TRUE(rig->log().endsWith("Stop thread \r\n"));
    EXPECT_EQ(s().machines.EnterProduct_state, PRODUCT_WAIT_ANSWER);
    EXPECT_EQ(s().machines.EnterFunctions_state, kEnterFunctionsWaiting);
}

}  // namespace

// A description the program cannot use ends the connection with a message naming the table, the
// key and the reason; the product's supply goes off and nothing waits for ever.
TEST_F(ProductConnectionTest, RefusedDescriptionEndsTheConnectionWithAMessage) {
    struct Case {
        const char* change;
        bool module;
        const char* message;
    };
    const Case cases[] = {
        {"UPDATE Products SET ModuleInfo_Length = 4 WHERE Product_key = 3", false,
         "Products row with product key 3"},
        {"UPDATE Products SET ModuleInfo_Length = -1 WHERE Product_key = 3", false, "length -1 is outside 0 to 3"},
        {"UPDATE Modules SET BytesPerSlot = 0 WHERE Module_key = 1", true,
         "Modules row with module key 1 (\"VRAK-1\", software type a1) refused: bytes per slot 0"},
        {"UPDATE Modules SET BytesPerSlot = NULL WHERE Module_key = 1", true, "bytes per slot 0"},
        {"UPDATE Modules SET BytesPerSlot = 4294967328 WHERE Module_key = 1", true, "bytes per slot 4294967328"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.change);
        sim::BenchConfig bench = productBench({0, 44, 1, 0});
        bench.product.hasModule = true;
        bench.adapter.input2High = false;
        open(bench);
        ASSERT_TRUE(rig->changeDatabase(c.change));
        rig->progress.setProgressText(QStringLiteral("Connecting product..."), true);
        connectProduct();
        ASSERT_TRUE(rest());
        ASSERT_EQ(rig->dialogs.shown.size(), 1u);
        EXPECT_EQ(rig->dialogs.shown[0].caption, "Product database");
        EXPECT_TRUE(rig->dialogs.shown[0].text.contains(QString::fromLatin1(c.message)))
            << rig->dialogs.shown[0].text.toStdString();
        EXPECT_TRUE(rig->log().contains(QString::fromLatin1(c.message)));
        EXPECT_EQ(rig->progress.text, "Product database error");
        EXPECT_EQ(s().product.Prd_connected, 0);
        EXPECT_EQ(s().module.Mod_connected, 0);
        EXPECT_EQ(framesSinceConnect().last(), "setup 00ff/0");
        EXPECT_FALSE(supplyOn());
        EXPECT_TRUE(rig->databaseFatals.isEmpty());
        if (c.module) EXPECT_TRUE(rig->view.menus.filter("module:").isEmpty());
    }
}
