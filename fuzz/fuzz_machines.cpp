// The command handler with the connection, product and functions machines on the simulated bench,
// the input deciding for every request whether the bench answers, stays silent, answers late,
// answers corrupted or is replaced by arbitrary bytes, and which operations the user starts. No
// answer may make a machine touch memory outside a buffer or hang the pump.
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>

#include "FuzzApplication.h"
#include "FuzzInput.h"
#include "link/ExchangeLibrary.h"
#include "support/ScenarioRig.h"

using namespace dravik;
using namespace dravik::test;

namespace {

// Sits between the controller and the bench; every report sent takes one decision from the input.
// The library's own requests and the loader operations run over this layer's report exchange, so
// they meet the same decisions; whatever the library grows later reaches the bench the same way.
class FuzzLayer final : public ExchangeLibrary {
  public:
    FuzzLayer(SimulatedInterfaceLibrary& bench, Clock& clock, fuzz::Input& in)
        : ExchangeLibrary(clock), bench_(bench), in_(in) {}

    int BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) override {
        return bench_.BSL_NumOfUSBDevices(vid, pid);
    }
    int BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) override {
        return bench_.BSL_RegisterUSBDeviceNotification(std::move(onChange));
    }
    void BSL_UnRegisterUSBDeviceNotification() override { bench_.BSL_UnRegisterUSBDeviceNotification(); }
    void BSL_setFamily(int family) override { bench_.BSL_setFamily(family); }
    void BSL_setCom(int com) override { bench_.BSL_setCom(com); }
    int BSL_initialize_BSL(const char* device) override {
        const int result = bench_.BSL_initialize_BSL(device);
        bslOpened();
        return result;
    }

    void USB_TX(dataBuffer report) override {
        const std::uint8_t decision = in_.byte();
        switch (decision % 8) {
            case 4:  // silent: the request never reaches the bench
                return;
            case 5:  // late: the answer is held back for some polls
                silentPolls_ = in_.byte();
                break;
            case 6: {  // arbitrary: the request's header, then bytes from the input
                dataBuffer answer = report;
                const int keep = in_.byte() % 6;
                for (int i = kStart + keep; i < dataBuffer::kSize; ++i) answer[i] = in_.byte();
                answer.setCount(in_.byte());
                forged_.push_back(answer);
                return;
            }
            case 7:  // corrupted: one byte of the answer changes
                corruptAt_ = kStart + in_.byte() % 64;
                corruptWith_ = in_.byte();
                break;
            default:
                break;
        }
        bench_.USB_TX(report);
    }

    bool USB_RX(dataBuffer* report) override {
        if (!forged_.empty()) {
            *report = forged_.front();
            forged_.pop_front();
            return true;
        }
        if (silentPolls_ > 0) {
            --silentPolls_;
            return false;
        }
        if (!bench_.USB_RX(report)) return false;
        if (corruptAt_ > 0) {
            (*report)[corruptAt_] = corruptWith_;
            corruptAt_ = 0;
        }
        return true;
    }

  private:
    SimulatedInterfaceLibrary& bench_;
    fuzz::Input& in_;
    std::deque<dataBuffer> forged_;
    int silentPolls_ = 0;
    int corruptAt_ = 0;
    std::uint8_t corruptWith_ = 0;
};

constexpr std::uint8_t kProducts[] = {37, 63, 44, 12, 99};
constexpr std::uint8_t kModules[] = {0xA1, 0xA2, 16, 31, 47, 0x81, 0x55};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzz::startOffscreenApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    sim::BenchConfig bench;
    bench.product.identification = {in.byte(), kProducts[in.byte() % std::size(kProducts)], in.byte(),
                                    in.byte()};
    bench.product.baudCode = static_cast<std::uint8_t>(1 + in.byte() % 3);
    bench.product.hasModule = in.byte() % 2 == 1;
    bench.product.moduleInfo = {in.byte(), kModules[in.byte() % std::size(kModules)], in.byte()};
    bench.adapter.input2High = in.byte() % 2 == 1;
    for (int a = 0x10; a < 0x30; ++a) bench.product.memory[static_cast<std::size_t>(a)] = in.byte();

    QWidget container;  // outlives the rig whose panel it holds
    std::unique_ptr<FuzzLayer> layer;
    ScenarioRig rig(bench, false, [&](SimulatedInterfaceLibrary& lib, Clock& clock) -> InterfaceLibrary& {
        layer = std::make_unique<FuzzLayer>(lib, clock, in);
        return *layer;
    });
    if (!rig.installSampleDatabase()) std::abort();
    EnterFunctions& functions = rig.controller->functions();
    functions.setContainer(&container);
    PanelOperations& ops = rig.controller->panelOperations();
    // Connecting as the automatic connection does: the adapter, the product and its functions.
    rig.runFor(50);
    rig.controller->iface().Restart();
    rig.runFor(1000);
    rig.controller->autoConn().RebootConnectProduct();
    rig.runFor(20000, [&] { return !rig.controller->handler().ProcessIsInProgress(false); });
    // How far a seed gets, for whoever tends the corpus.
    if (std::getenv("FUZZ_MACHINES_TRACE") != nullptr) {
        std::fprintf(stderr, "product %d, module %d, rows %d, frames %zu\n", rig.s().product.Prd_connected,
                     rig.s().module.Mod_connected, functions.panel().rowCount(), rig.frames().size());
    }

    for (int step = 0; step < 16 && !in.empty(); ++step) {
        switch (in.byte() % 8) {
            case 0:
                ops.button_ReadParameters_Click();
                break;
            case 1: {
                ProductPanel& panel = functions.panel();
                if (panel.rowCount() > 0) {
                    const int row = in.byte() % panel.rowCount();
                    QComboBox* combo = panel.row(row).combo;
                    if (combo != nullptr && combo->count() > 0) {
                        const int item = in.byte() % combo->count();
                        combo->setCurrentIndex(item);
                        emit combo->activated(item);
                    }
                }
                ops.button_SetParameters_Click();
                break;
            }
            case 2:
                ops.DefaultParameters_fnc();
                break;
            case 3: {
                ProductPanel& panel = functions.panel();
                if (panel.rowCount() > 0) {
                    const int row = in.byte() % panel.rowCount();
                    if (QLineEdit* text = panel.row(row).text)
                        text->setText(QString::fromLatin1(in.text(12)));
                    ops.FunctionButton_Click(row);
                }
                break;
            }
            case 4:
                rig.controller->product().closeToolStripMenuItem_Click();
                break;
            case 5:
                rig.plug(in.byte() % 2 == 1);
                break;
            default:
                break;
        }
        rig.runFor(100 * (1 + in.byte() % 64));
    }
    rig.plug(false);
    rig.runFor(3000);
    return 0;
}
