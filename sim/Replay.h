#pragma once
// A recorded session standing in for the bench: the device side of the recording, played back.
// Each report the program sends and each open it makes (an "exchange") must be the next one of
// the recording; it is answered with what was recorded after it, after the recorded delay. The
// adapter arrives, leaves and notifies at the recorded times. Times of the recording count from
// the exchange before them, so a program that is slower or faster than the recorded one meets
// every answer after the same delay.
//
// The first exchange that differs stops the replay: nothing is answered afterwards, and failure()
// tells the exchange number, what was recorded and what was sent.

#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "sim/Bench.h"
#include "sim/Recording.h"

namespace sim {

class Replay {
  public:
    Replay(Recording recording, std::int64_t startUs);

    // Names the command a report carries (its bytes as recorded), for the messages; empty for
    // none. Without a namer, reports go unnamed.
    using Namer = std::function<std::string(const std::vector<std::uint8_t>&)>;
    void setNamer(Namer namer) { namer_ = std::move(namer); }

    // Plays what has come due by nowUs (answers, arrivals, removals, notifications).
    void advance(std::int64_t nowUs);

    // Host side of the pipe, as on the bench.
    void write(const Report& report, std::int64_t nowUs);
    std::optional<Report> read(std::int64_t nowUs);
    std::optional<std::int64_t> nextReadyUs() const;
    // An open of the device text: the recorded result, or -1 when it is not the next exchange.
    int open(const std::string& device, std::int64_t nowUs);
    int count(std::uint16_t vid, std::uint16_t pid) const;
    // True once for every recorded notification that has come due.
    bool takeNotification();

    // Empty while the program does what was recorded.
    const std::string& failure() const { return failure_; }
    // For a program that ends: the first recorded exchange it did not make, empty when it made all.
    std::string unplayed() const;
    int exchangesRecorded() const { return exchanges_; }
    int exchangesMatched() const { return matched_; }
    const Recording& recording() const { return recording_; }

  private:
    bool isExchange(std::size_t i) const;
    std::int64_t dueUs(std::size_t i) const;
    void apply(const RecordedEvent& e);
    // The program moved on to its next exchange: what was recorded before it is played now.
    void catchUp();
    // The next exchange, or nullptr with the failure set.
    const RecordedEvent* expect(const std::string& sent, std::int64_t nowUs);
    void matched(std::int64_t nowUs);
    // "TX 01 f2 ... (NAME)", the password bytes of either side hidden.
    std::string shown(const std::vector<std::uint8_t>& bytes, std::vector<bool> hidden) const;
    std::string describe(const RecordedEvent& e) const;

    Recording recording_;
    std::size_t next_ = 0;         // first event not played yet
    std::int64_t anchorUs_ = 0;    // when the last exchange was matched (the start before any)
    std::int64_t anchorRecordedUs_ = 0;
    std::deque<Report> answers_;
    int notifications_ = 0;
    bool present_ = false;
    std::uint16_t vid_ = 0;
    std::uint16_t pid_ = 0;
    int devices_ = 0;
    int exchanges_ = 0;
    int matched_ = 0;
    std::string failure_;
    Namer namer_;
};

// "01 f2 02 02 00 02": the bytes as a recording writes them.
std::string hexBytes(const std::vector<std::uint8_t>& bytes, const std::vector<bool>& masked = {});

}  // namespace sim
