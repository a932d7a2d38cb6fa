// The host side of a fuzz run: collects what the device sends and publishes,
// checks each call as it comes, and stops the run on the first broken rule.
#pragma once

#include <cstdint>
#include <vector>

#include "host/host_observer.h"

namespace fuzz {

// Reports a broken rule on standard error and aborts, which the fuzzer
// records as a finding together with the input that led to it.
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sends the device's diagnostic lines to /dev/null: they would only slow the
// run down. The fuzzer's own reports go to standard error.
void silence_standard_output();

#define FUZZ_CHECK(condition, ...)        \
    do {                                  \
        if (!(condition)) {               \
            ::fuzz::fail(__VA_ARGS__);    \
        }                                 \
    } while (false)

struct sent_request {
    std::uint8_t cid1;
    std::uint8_t cid2;
    bool has_data;
    std::vector<std::uint8_t> data;
};

enum class request_kind { poll, control, foreign };

// Whether a request is one of the poll round's command pairs with the data
// it must carry (the argument byte 1 for AC, and for DC only under protocol
// version 0x21), one of the control commands with data of its exact shape,
// or something the protocol does not have.
request_kind classify(const sent_request& request, std::uint8_t protocol_version);

class checking_host : public HostObserver {
public:
    void on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length) override;
    void on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag) override;
    void on_save_history(const unsigned char* record, unsigned int length) override;
    int on_refresh_status() override { return answers.refresh; }
    bool on_check_ao_report(const std::string&, float) override { return answers.ao_report; }
    bool on_batch_check(std::size_t) override { return answers.batch; }

    // Forgets what the previous step sent and published.
    void clear();

    HostAnswers answers;
    std::vector<sent_request> sent;
    int published = 0;
    int saved = 0;
    // The last record published and the last one stored, as handed over.
    std::vector<std::uint8_t> last_published;
    std::vector<std::uint8_t> last_saved;
};

}  // namespace fuzz
