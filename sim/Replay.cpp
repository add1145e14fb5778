#include "sim/Replay.h"

#include <algorithm>

namespace sim {

namespace {

using Kind = RecordedEvent::Kind;

// Answers and notifications waiting for the program; a recording that queues more loses the oldest.
constexpr std::size_t kMaxQueuedAnswers = 256;
constexpr int kMaxQueuedNotifications = 64;
constexpr std::size_t kPayload = 62;

// What a report carries: a frame ends at its checksum (the rest of the report holds whatever an
// earlier frame left there); any other report is its size byte's worth.
std::vector<std::uint8_t> carried(const Report& r) {
    std::size_t size = std::min<std::size_t>(r[1], kPayload);
    const std::uint8_t* p = r.data() + 2;
    if (size == kPayload && p[0] == 0x01 && p[2] == 0x02 && p[3] >= 2 && p[3] + 4u <= kPayload) size = p[3] + 4u;
    return {p, p + size};
}

// The module's protection request carries its password in data bytes 1 to 4 and the checksum:
// never shown, whether sent or recorded (a recording from elsewhere may hold them in clear).
std::vector<bool> secretsOf(const std::vector<std::uint8_t>& frame, std::vector<bool> secret = {}) {
    secret.resize(frame.size(), false);
    if (frame.size() == 11 && frame[1] == 0xF2 && frame[3] == 7 && frame[4] == 0x0E)
        std::fill(secret.begin() + 6, secret.end(), true);
    return secret;
}

}  // namespace

std::string hexBytes(const std::vector<std::uint8_t>& bytes, const std::vector<bool>& masked) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) out += ' ';
        if (i < masked.size() && masked[i]) {
            out += "**";
        } else {
            out += kHex[bytes[i] >> 4];
            out += kHex[bytes[i] & 0x0F];
        }
    }
    return out;
}

Replay::Replay(Recording recording, std::int64_t startUs) : recording_(std::move(recording)), anchorUs_(startUs) {
    exchanges_ = static_cast<int>(std::count_if(recording_.events.begin(), recording_.events.end(), [](const RecordedEvent& e) {
        return e.kind == Kind::Tx || e.kind == Kind::Open;
    }));
}

std::string Replay::shown(const std::vector<std::uint8_t>& bytes, std::vector<bool> hidden) const {
    std::string text = "TX " + hexBytes(bytes, secretsOf(bytes, std::move(hidden)));
    const std::string name = namer_ ? namer_(bytes) : std::string();
    return name.empty() ? text : text + " (" + name + ")";
}

std::string Replay::describe(const RecordedEvent& e) const {
    return e.kind == Kind::Open ? "open " + e.device : shown(e.bytes, e.masked);
}

bool Replay::isExchange(std::size_t i) const {
    const Kind k = recording_.events[i].kind;
    return k == Kind::Tx || k == Kind::Open;
}

std::int64_t Replay::dueUs(std::size_t i) const {
    return anchorUs_ + (recording_.events[i].timeUs - anchorRecordedUs_);
}

void Replay::apply(const RecordedEvent& e) {
    switch (e.kind) {
        case Kind::Rx: {
            Report r{};
            r[0] = 0x3F;
            r[1] = static_cast<std::uint8_t>(std::min(e.bytes.size(), kPayload));
            std::copy_n(e.bytes.begin(), r[1], r.begin() + 2);
            if (answers_.size() >= kMaxQueuedAnswers) answers_.pop_front();
            answers_.push_back(r);
            break;
        }
        case Kind::Notify:
            notifications_ = std::min(notifications_ + 1, kMaxQueuedNotifications);
            break;
        case Kind::Arrival:
            present_ = true;
            vid_ = e.vid;
            pid_ = e.pid;
            devices_ = e.count;
            break;
        case Kind::Removal:
            present_ = false;
            answers_.clear();
            break;
        case Kind::Tx:
        case Kind::Open:
            break;
    }
}

void Replay::advance(std::int64_t nowUs) {
    if (!failure_.empty()) return;
    while (next_ < recording_.events.size() && !isExchange(next_) && dueUs(next_) <= nowUs) {
        apply(recording_.events[next_]);
        ++next_;
    }
}

void Replay::catchUp() {
    while (next_ < recording_.events.size() && !isExchange(next_)) {
        apply(recording_.events[next_]);
        ++next_;
    }
}

const RecordedEvent* Replay::expect(const std::string& sent, std::int64_t nowUs) {
    advance(nowUs);
    catchUp();
    if (next_ < recording_.events.size()) return &recording_.events[next_];
    failure_ = "exchange " + std::to_string(matched_ + 1) + ": the recording ends after " +
               std::to_string(exchanges_) + " exchanges, but the program sent " + sent;
    return nullptr;
}

void Replay::matched(std::int64_t nowUs) {
    anchorUs_ = nowUs;
    anchorRecordedUs_ = recording_.events[next_].timeUs;
    ++next_;
    ++matched_;
}

void Replay::write(const Report& report, std::int64_t nowUs) {
    if (!failure_.empty()) return;
    const std::vector<std::uint8_t> sent = carried(report);
    const RecordedEvent* e = expect(shown(sent, {}), nowUs);
    if (e == nullptr) return;
    // Answers still waiting belong to an earlier request; the adapter's pipe drops them.
    answers_.clear();
    std::size_t diff = 0;
    std::vector<bool> hidden;
    std::string where;
    if (e->kind == Kind::Tx) {
        while (diff < sent.size() && diff < e->bytes.size() && (e->masked[diff] || e->bytes[diff] == sent[diff]))
            ++diff;
        if (diff == sent.size() && diff == e->bytes.size()) {
            matched(nowUs);
            return;
        }
        // What the recording hides stays hidden on the sent side too.
        hidden = secretsOf(e->bytes, e->masked);
        where = diff < sent.size() && diff < e->bytes.size()
                    ? "; first difference at byte " + std::to_string(diff + 1) +
                          ", counting the bytes shown from 1"
                    : "; recorded " + std::to_string(e->bytes.size()) + " bytes, sent " +
                          std::to_string(sent.size());
    }
    failure_ = "exchange " + std::to_string(matched_ + 1) + " (line " + std::to_string(e->line) +
               " of the recording): recorded " + describe(*e) + ", sent " + shown(sent, hidden) + where;
}

std::optional<Report> Replay::read(std::int64_t nowUs) {
    advance(nowUs);
    if (!failure_.empty() || answers_.empty()) return std::nullopt;
    Report r = answers_.front();
    answers_.pop_front();
    return r;
}

std::optional<std::int64_t> Replay::nextReadyUs() const {
    if (!failure_.empty()) return std::nullopt;
    if (!answers_.empty()) return anchorUs_;
    if (next_ < recording_.events.size() && !isExchange(next_)) return dueUs(next_);
    return std::nullopt;
}

int Replay::open(const std::string& device, std::int64_t nowUs) {
    if (!failure_.empty()) return -1;
    const std::string text =
        device.size() > kMaxRecordedDeviceText ? device.substr(0, kMaxRecordedDeviceText) + "..." : device;
    const RecordedEvent* e = expect("open " + text, nowUs);
    if (e == nullptr) return -1;
    if (e->kind == Kind::Open && e->device == device) {
        const int result = e->result;
        matched(nowUs);
        return result;
    }
    failure_ = "exchange " + std::to_string(matched_ + 1) + " (line " + std::to_string(e->line) +
               " of the recording): recorded " + describe(*e) + ", sent open " + text;
    return -1;
}

std::string Replay::unplayed() const {
    if (!failure_.empty()) return failure_;
    for (std::size_t i = next_; i < recording_.events.size(); ++i) {
        if (!isExchange(i)) continue;
        const RecordedEvent& e = recording_.events[i];
        return "exchange " + std::to_string(matched_ + 1) + " (line " + std::to_string(e.line) +
               " of the recording): recorded " + describe(e) + ", but the program ended after " +
               std::to_string(matched_) + " of " + std::to_string(exchanges_) + " exchanges";
    }
    return {};
}

int Replay::count(std::uint16_t vid, std::uint16_t pid) const {
    return present_ && vid == vid_ && pid == pid_ ? devices_ : 0;
}

bool Replay::takeNotification() {
    if (notifications_ == 0) return false;
    --notifications_;
    return true;
}

}  // namespace sim
