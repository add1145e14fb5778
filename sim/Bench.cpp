#include "sim/Bench.h"

#include <algorithm>

#include "sim/Adapter.h"
#include "sim/Module.h"
#include "sim/Bootloader.h"
#include "sim/Product.h"
#include "sim/Wire.h"

namespace sim {

namespace {

struct Pending {
    std::int64_t readyUs = 0;
    Report report{};
};

constexpr std::uint16_t kPidApplication = 0x0301;
constexpr std::uint16_t kPidLoader = 0x0200;
// A restarting device answers first, then leaves the bus this long after.
constexpr std::int64_t kDropAfterUs = 1000;

struct RestartPlan {
    std::int64_t dropUs = 0;
    std::int64_t backUs = 0;
    Bootloader::Mode next = Bootloader::Mode::Application;
    bool dropped = false;
};

}  // namespace

struct Bench::Impl {
    explicit Impl(BenchConfig c) : config(std::move(c)) {
        if (config.bootloader.blank) enterMode(Bootloader::Mode::BuiltIn);
    }

    BenchConfig config;
    Adapter adapter{config.adapter};
    Product product{config.product};
    Module module{config.module, config.faults};
    Bootloader boot{config.bootloader, config.adapter};
    Bootloader::Mode mode = Bootloader::Mode::Application;
    std::optional<RestartPlan> restart;
    bool offBus = false;
    int generation = 0;
    std::int64_t busyUntilUs = 0;
    std::vector<Bytes> loaderReports;
    std::vector<ReceivedFrame> received;
    std::vector<int> answersByCode = std::vector<int>(256, 0);  // answers on the product's destination
    std::vector<Pending> pending;  // in order of queueing; equal ready times leave in that order

    void dispatch(const Frame& request, std::int64_t nowUs);
    // A request on the product's destination: heard by the module while the adapter's lines are
    // switched for it, else by the product. Returns the answer and the time the device needs.
    std::optional<Bytes> dispatchBus(const Frame& request, std::int64_t arriveUs, std::int64_t& deviceUs,
                                     bool& corrupt);
    void queueAnswer(const Frame& request, Bytes data, std::int64_t readyUs, bool corrupt);
    void loaderWrite(const Report& report, std::int64_t nowUs);
    void planRestart(Bootloader::Mode next, std::int64_t afterUs);
    void enterMode(Bootloader::Mode next);
    void leaveBus();
};

namespace {

bool hits(const std::vector<CommandFault>& faults, std::uint8_t code, int answerNumber) {
    return std::any_of(faults.begin(), faults.end(), [&](const CommandFault& f) {
        return f.code == code && answerNumber > f.after && answerNumber <= f.after + f.count;
    });
}

}  // namespace

void Bench::Impl::enterMode(Bootloader::Mode next) {
    mode = next;
    if (next == Bootloader::Mode::Application) {
        config.adapter.pid = kPidApplication;
        // The new application answers with the identification its image holds.
        config.adapter.identification = boot.applicationId();
    } else {
        config.adapter.pid = kPidLoader;
    }
}

void Bench::Impl::planRestart(Bootloader::Mode next, std::int64_t afterUs) {
    RestartPlan plan;
    plan.dropUs = afterUs + kDropAfterUs;
    plan.backUs = plan.dropUs + config.bootloader.restartUs;
    plan.next = next;
    restart = plan;
}

void Bench::Impl::leaveBus() {
    offBus = true;
    pending.clear();
    ++generation;
    boot.reset();
    adapter.powerLoss();
    busyUntilUs = 0;
}

void Bench::Impl::loaderWrite(const Report& report, std::int64_t nowUs) {
    const std::size_t size = std::min<std::size_t>(report[1], kMaxPayload);
    Bytes core(report.begin() + 2, report.begin() + 2 + static_cast<std::ptrdiff_t>(size));
    loaderReports.push_back(core);
    int& unplugAfter = config.bootloader.unplugAfterReports;
    if (unplugAfter == 0) {
        unplugAfter = -1;
        config.adapter.plugged = false;
        restart.reset();
        leaveBus();
        offBus = false;
        return;
    }
    if (unplugAfter > 0) --unplugAfter;
    const std::int64_t frameUs = config.timing.usbFrameUs;
    // One receive buffer: the next report crosses the bus only once the last one is processed.
    const std::int64_t arriveUs = std::max(nowUs, busyUntilUs) + frameUs;
    const Bootloader::Result r = boot.handle(core, mode);
    busyUntilUs = arriveUs + r.busyUs;
    if (r.reply) pending.push_back(Pending{busyUntilUs + frameUs, packReport(*r.reply)});
    if (r.restart == Bootloader::Restart::IntoRamLoader) {
        planRestart(Bootloader::Mode::RamLoader, busyUntilUs);
    } else if (r.restart == Bootloader::Restart::Reset) {
        planRestart(boot.applicationValid() ? Bootloader::Mode::Application : Bootloader::Mode::BuiltIn, busyUntilUs);
    }
}

void Bench::Impl::dispatch(const Frame& request, std::int64_t nowUs) {
    const Timing& timing = config.timing;
    const std::int64_t arriveUs = nowUs + timing.usbFrameUs;
    std::optional<Bytes> answer;
    std::int64_t deviceUs = 0;
    bool corrupt = false;
    switch (request.dest) {
        case kAdapterDest:
            answer = adapter.handle(request, arriveUs);
            deviceUs = timing.adapterTurnaroundUs;
            break;
        case kProductDest:
            answer = dispatchBus(request, arriveUs, deviceUs, corrupt);
            break;
        default:
            break;
    }
    if (answer) {
        const std::int64_t readyUs = arriveUs + deviceUs + timing.usbFrameUs + config.faults.extraDelayUs;
        queueAnswer(request, std::move(*answer), readyUs, corrupt);
        if (request.dest == kAdapterDest && adapter.takeBootRequest()) planRestart(Bootloader::Mode::BuiltIn, readyUs);
    }
}

std::optional<Bytes> Bench::Impl::dispatchBus(const Frame& request, std::int64_t arriveUs,
                                              std::int64_t& deviceUs, bool& corrupt) {
    // The adapter forwards the frame at its current speed; a device listening at another speed
    // hears only noise.
    const std::uint32_t baud = adapter.baud();
    const std::int64_t requestWireUs = wireTimeUs(frameSize(request), baud);
    const std::int64_t hearUs = arriveUs + requestWireUs;
    const std::optional<std::int64_t> since = adapter.supplyOnSince(hearUs);
    std::optional<Bytes> answer;
    std::uint32_t turnaroundUs = 0;
    if (module.owns(adapter.lines())) {
        if (module.listens(adapter.lines(), adapter.baudCode(), since, hearUs)) {
            answer = module.handle(request, *since);
            turnaroundUs = config.timing.moduleTurnaroundUs;
        }
    } else if (product.listens(adapter.baudCode(), since, hearUs)) {
        answer = product.handle(request, *since);
        turnaroundUs = config.timing.productTurnaroundUs;
    }
    if (!answer) {
        return std::nullopt;
    }
    const int number = ++answersByCode[request.code];
    if (hits(config.faults.dropCommand, request.code, number)) {
        return std::nullopt;
    }
    corrupt = hits(config.faults.corruptCommand, request.code, number);
    deviceUs = requestWireUs + turnaroundUs + wireTimeUs(answer->size() + kFrameOverhead, baud);
    return answer;
}

void Bench::Impl::queueAnswer(const Frame& request, Bytes data, std::int64_t readyUs, bool corrupt) {
    Faults& faults = config.faults;
    if (faults.dropNext > 0) {
        --faults.dropNext;
        return;
    }
    if (faults.truncateNext > 0) {
        --faults.truncateNext;
        data.clear();
    } else if (faults.misaddressNext > 0 && !data.empty()) {
        --faults.misaddressNext;
        data[0] = static_cast<std::uint8_t>(data[0] + 1);
    } else if (faults.lengthenNext > 0) {
        --faults.lengthenNext;
        data.push_back(0);
    }
    Bytes frame = encodeFrame(Frame{request.dest, request.code, std::move(data)});
    if (faults.corruptNext > 0) {
        --faults.corruptNext;
        corrupt = true;
    }
    if (corrupt) {
        // The checksum stays that of the true code, as after a fault on the wire.
        frame[4] = static_cast<std::uint8_t>(frame[4] + 0x80);
    }
    pending.push_back(Pending{readyUs, packReport(frame)});
}

Bench::Bench(BenchConfig config) : impl_(std::make_shared<Impl>(std::move(config))) {}

void Bench::write(const Report& report, std::int64_t nowUs) {
    advance(nowUs);
    if (!present()) {
        return;  // nothing reaches a device that is not on the bus
    }
    if (impl_->mode != Bootloader::Mode::Application) {
        impl_->loaderWrite(report, nowUs);
        return;
    }
    Incoming in = decodeReport(report);
    impl_->received.push_back(ReceivedFrame{nowUs, in.raw, in.frame.has_value()});
    if (in.frame) {
        impl_->dispatch(*in.frame, nowUs);
    }
}

std::optional<Report> Bench::read(std::int64_t nowUs) {
    auto& pending = impl_->pending;
    auto best = pending.end();
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        if (it->readyUs <= nowUs && (best == pending.end() || it->readyUs < best->readyUs)) {
            best = it;
        }
    }
    if (best == pending.end()) {
        return std::nullopt;
    }
    const Report report = best->report;
    pending.erase(best);
    return report;
}

std::optional<std::int64_t> Bench::nextReadyUs() const {
    const auto& pending = impl_->pending;
    const auto earliest = std::min_element(
        pending.begin(), pending.end(), [](const auto& a, const auto& b) { return a.readyUs < b.readyUs; });
    if (earliest == pending.end()) {
        return std::nullopt;
    }
    return earliest->readyUs;
}

void Bench::advance(std::int64_t nowUs) {
    Impl& m = *impl_;
    if (!m.restart) return;
    if (!m.restart->dropped && nowUs >= m.restart->dropUs) {
        m.restart->dropped = true;
        m.leaveBus();
    }
    if (nowUs >= m.restart->backUs) {
        m.enterMode(m.restart->next);
        m.restart.reset();
        m.offBus = false;
    }
}

bool Bench::present() const { return impl_->config.adapter.plugged && !impl_->offBus; }

std::uint16_t Bench::currentPid() const { return impl_->config.adapter.pid; }

int Bench::busGeneration() const { return impl_->generation; }

std::int64_t Bench::writeReadyUs() const {
    if (impl_->mode == Bootloader::Mode::Application) return 0;
    return impl_->busyUntilUs;
}

std::uint8_t Bench::flashAt(std::uint32_t address) const { return impl_->boot.at(address); }

const std::vector<std::uint32_t>& Bench::erasedSegments() const { return impl_->boot.erasedSegments(); }

int Bench::massErases() const { return impl_->boot.massErases(); }

const std::vector<std::vector<std::uint8_t>>& Bench::loaderReports() const { return impl_->loaderReports; }

std::string Bench::testRamLoaderText() { return Bootloader::testRamLoaderText(); }

bool Bench::plugged() const { return impl_->config.adapter.plugged; }

bool Bench::accessible() const { return impl_->config.adapter.accessible; }

void Bench::plug() {
    Impl& m = *impl_;
    m.config.adapter.plugged = true;
    // Power-up: the loader runs when no application is programmed, the application otherwise.
    if (!m.boot.applicationValid()) {
        m.enterMode(Bootloader::Mode::BuiltIn);
    } else if (m.mode != Bootloader::Mode::Application) {
        m.enterMode(Bootloader::Mode::Application);
    }
}

void Bench::unplug() {
    impl_->config.adapter.plugged = false;
    impl_->restart.reset();
    impl_->leaveBus();
    impl_->offBus = false;
}

int Bench::count(std::uint16_t vid, std::uint16_t pid) const {
    const AdapterConfig& adapter = impl_->config.adapter;
    return present() && adapter.vid == vid && adapter.pid == pid ? 1 : 0;
}

BenchConfig& Bench::config() { return impl_->config; }

const std::vector<ReceivedFrame>& Bench::received() const { return impl_->received; }

void Bench::clearReceived() { impl_->received.clear(); }

std::uint16_t Bench::outputWord() const { return impl_->adapter.outputWord(); }

std::uint8_t Bench::baudCode() const { return impl_->adapter.baudCode(); }

bool Bench::productPowered(std::int64_t nowUs) const {
    return impl_->config.product.present && impl_->adapter.supplyOnSince(nowUs).has_value();
}

bool Bench::productBooted(std::int64_t nowUs) const {
    const auto since = impl_->adapter.supplyOnSince(nowUs);
    return productPowered(nowUs) && nowUs - *since >= impl_->config.product.bootTimeUs;
}

const std::array<std::uint8_t, 256>& Bench::productMemory() const { return impl_->config.product.memory; }

const std::vector<std::pair<std::uint8_t, std::uint8_t>>& Bench::productWrites() const {
    return impl_->product.writes();
}

bool Bench::moduleListening(std::int64_t nowUs) const {
    const Adapter& adapter = impl_->adapter;
    return impl_->module.listens(adapter.lines(), adapter.baudCode(), adapter.supplyOnSince(nowUs), nowUs);
}

const std::vector<std::uint8_t>& Bench::moduleImage() const { return impl_->module.image(); }

}  // namespace sim
