#include "host/device_loop.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "host/reply_match.h"

namespace {

using steady = std::chrono::steady_clock;

std::string pair_text(unsigned char cid1, unsigned char cid2)
{
    return pmbus_frame::byte_text(cid1) + "/" + pmbus_frame::byte_text(cid2);
}

// The kind of a fault, for counting its repeats: the problem without the
// figures that differ from one occurrence to the next (received checksums).
std::string fault_kind(const std::string& problem)
{
    const auto detail = problem.find(" (");
    return detail == std::string::npos ? problem : problem.substr(0, detail);
}

// How long the line may go quiet in the middle of a reply before the reply
// counts as cut off: ten characters' time at the line's speed, and never
// less than the pauses a USB adapter or a busy machine makes on its own.
std::chrono::milliseconds reply_gap(int baud)
{
    constexpr long long BITS_PER_CHARACTER = 10;
    constexpr long long CHARACTERS = 10;
    constexpr std::chrono::milliseconds SHORTEST{50};
    if (baud <= 0) {
        return SHORTEST;
    }
    return std::max(SHORTEST, std::chrono::milliseconds(CHARACTERS * BITS_PER_CHARACTER * 1000 / baud));
}

LineLog& log_or(LineLog* given, std::unique_ptr<LineLog>& own)
{
    if (given != nullptr) {
        return *given;
    }
    own = std::make_unique<LineLog>(stderr_sink());
    return *own;
}

}  // namespace

DeviceLoop::DeviceLoop(PMBusProtocol& device, ByteLine& line, LoopSettings settings)
    : device_(device),
      line_(line),
      settings_(std::move(settings)),
      relay_(*this, device.observer()),
      log_(log_or(settings_.log, own_log_)),
      supervisor_(line_, log_, settings_.reopen, settings_.stop)
{
    if (settings_.attempts < 1) {
        settings_.attempts = 1;
    }
    device_.set_observer(&relay_);
}

DeviceLoop::~DeviceLoop()
{
    if (&device_.observer() == &relay_) {
        device_.set_observer(&relay_.next());
    }
}

void DeviceLoop::Relay::on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length)
{
    ObserverRelay::on_send(cid1, cid2, data, length);
    const std::size_t info_length = length > 0 ? static_cast<std::size_t>(length) : 0;
    loop_.last_request_.clear();
    loop_.unframed_.clear();
    try {
        loop_.last_request_ = pmbus_frame::encode_frame(loop_.device_.protocol_version_, loop_.device_.address_,
                                                        cid1, cid2, data, info_length);
    } catch (const std::invalid_argument& error) {
        // The device asked for a request no frame can carry: a fault of this
        // exchange, said and retried like any other, not the host's end.
        loop_.unframed_ = error.what();
    }
    loop_.last_cid1_ = cid1;
    loop_.last_cid2_ = cid2;
    ++loop_.requests_;
    loop_.send_last_request();
}

void DeviceLoop::Relay::on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag)
{
    ObserverRelay::on_send_sp(type, record, length, flag);
    ++loop_.published_;
}

void DeviceLoop::Relay::on_open_port()
{
    ObserverRelay::on_open_port();
    try {
        loop_.line_.open();
    } catch (const LineError& error) {
        loop_.log_.fault(loop_.line_.name(), "cannot open the port",
                         std::string("cannot open the port: ") + error.what());
    }
}

void DeviceLoop::send_last_request()
{
    send_problem_.clear();
    send_stopped_ = false;
    if (last_request_.empty()) {
        send_problem_ = unframed_;
        return;
    }
    try {
        if (!line_.is_open()) {
            line_.open();
        }
        // A late answer to an earlier request must not pass for this one's.
        line_.discard_input();
        const WriteWait wait{std::chrono::milliseconds(settings_.reply_timeout_ms), settings_.stop};
        send_stopped_ =
            !line_.write(reinterpret_cast<const unsigned char*>(last_request_.data()), last_request_.size(), wait);
    } catch (const LineLost&) {
        // The wait that follows finds the lost line and says so once.
    } catch (const LineError& error) {
        send_problem_ = std::string("cannot send the request: ") + error.what();
    }
}

ExchangeResult DeviceLoop::run_round()
{
    log_.flush();
    if (!supervisor_.ensure_open()) {
        return ExchangeResult{};
    }
    const unsigned long before = requests_;
    for (LoopWatcher* watcher : watchers_) {
        watcher->before_round();
    }
    if (device_.RefreshStatus() == 0 || requests_ == before) {
        return ExchangeResult{};
    }
    return finish_exchange();
}

ExchangeResult DeviceLoop::finish_exchange()
{
    ExchangeResult result;
    result.started = true;
    int attempt = 1;
    for (;;) {
        std::string problem;
        const Wait wait = await_reply(problem);
        if (wait == Wait::stopped) {
            result.stopped = true;
            return result;
        }
        if (wait == Wait::lost) {
            supervisor_.lost(problem);
            for (LoopWatcher* watcher : watchers_) {
                watcher->on_fault("line lost (" + problem + ")");
            }
            device_.process_error();
            ++result.faults;
            result.lost = true;
            result.abandoned = true;
            return result;
        }
        if (wait == Wait::reply) {
            supervisor_.answered();
            const unsigned long requests_before = requests_;
            const unsigned long published_before = published_;
            for (LoopWatcher* watcher : watchers_) {
                watcher->on_reply(reply_.data(), reply_length_);
            }
            const int more = device_.process(reply_.data(), static_cast<unsigned>(reply_length_));
            ++result.replies;
            if (requests_ != requests_before) {
                attempt = 1;  // the next request of the round is out
                continue;
            }
            if (more == 0) {
                // The end of a poll round publishes the record; the answer to
                // a control command ends the exchange without one.
                result.completed = published_ != published_before;
                return result;
            }
            // The device neither asked for more nor ended the exchange: it
            // could not use the reply, so treat it as a bad one.
            problem = "the device could not use the reply to " + pair_text(last_cid1_, last_cid2_);
        }
        ++result.faults;
        report(problem, attempt);
        device_.process_error();
        if (attempt >= settings_.attempts) {
            const std::string request = pair_text(last_cid1_, last_cid2_);
            const std::string given_up = "giving up on " + request + " after " + std::to_string(settings_.attempts) +
                                         (settings_.attempts == 1 ? " attempt" : " attempts") +
                                         "; this round is abandoned and the next one starts afresh";
            log_.fault(line_.name(), "giving up on " + request, given_up);
            for (LoopWatcher* watcher : watchers_) {
                watcher->on_fault(given_up);
            }
            result.abandoned = true;
            return result;
        }
        ++attempt;
        send_last_request();
    }
}

void DeviceLoop::report(const std::string& problem, int attempt)
{
    const std::string fault = problem + " (request " + pair_text(last_cid1_, last_cid2_) +
                              ", attempt " + std::to_string(attempt) + " of " + std::to_string(settings_.attempts) +
                              ")";
    log_.fault(line_.name(), fault_kind(problem), fault);
    for (LoopWatcher* watcher : watchers_) {
        watcher->on_fault(fault);
    }
}

DeviceLoop::Wait DeviceLoop::await_reply(std::string& problem)
{
    reader_.reset();
    if (send_stopped_) {
        return Wait::stopped;
    }
    if (!send_problem_.empty()) {
        problem = send_problem_;
        return Wait::fault;
    }
    std::string cut_short;
    // The timeout runs until the reply's first character; from then on only
    // a gap between characters ends it, however slow the line.
    const auto gap = reply_gap(line_.baud());
    auto deadline = steady::now() + std::chrono::milliseconds(settings_.reply_timeout_ms);
    const OutstandingRequest request{device_.protocol_version_, device_.address_, last_cid1_};
    unsigned char chunk[256];
    for (;;) {
        if (stop_requested()) {
            return Wait::stopped;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - steady::now()).count();
        if (left <= 0 && reader_.in_frame()) {
            problem = "reply cut off: the line went quiet for " + std::to_string(gap.count()) +
                      " ms in the middle of a frame";
            return Wait::fault;
        }
        if (left <= 0) {
            problem = "no reply within " + std::to_string(settings_.reply_timeout_ms) + " ms";
            if (!cut_short.empty()) {
                problem += " (" + cut_short + ")";
            }
            return Wait::timeout;
        }
        std::size_t received = 0;
        try {
            const auto slice = std::min<long long>(left, STOP_SLICE.count());
            received = line_.read(chunk, sizeof chunk, static_cast<int>(slice));
        } catch (const LineLost& error) {
            problem = error.what();
            return Wait::lost;
        } catch (const LineError& error) {
            problem = error.what();
            return Wait::fault;
        }
        for (std::size_t i = 0; i < received; ++i) {
            if (!reader_.push(chunk[i])) {
                continue;
            }
            const pmbus_frame::FrameOutcome& outcome = reader_.outcome();
            if (outcome.status == pmbus_frame::FrameStatus::cut_short) {
                // Noise that happened to hold an SOI; the reply may follow.
                cut_short = pmbus_frame::describe(outcome);
                continue;
            }
            if (outcome.status != pmbus_frame::FrameStatus::good) {
                problem = "bad reply: " + pmbus_frame::describe(outcome);
                return Wait::fault;
            }
            const pmbus_frame::DecodedFrame& frame = *outcome.frame;
            problem = reply_mismatch(frame, request);
            if (!problem.empty()) {
                return Wait::fault;
            }
            if (frame.cid2() != pmbus_frame::RTN_NORMAL) {
                problem = "error reply: RTN " + pmbus_frame::byte_text(frame.cid2()) + " (" + pmbus_frame::rtn_text(frame.cid2()) +
                          ")";
                return Wait::fault;
            }
            std::memcpy(reply_.data(), frame.bytes.data(), frame.length);
            reply_length_ = frame.length;
            return Wait::reply;
        }
        if (received > 0 && reader_.in_frame()) {
            deadline = steady::now() + gap;
        }
    }
}
