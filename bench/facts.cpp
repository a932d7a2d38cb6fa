#include "bench/facts.h"

#include "bench/site_device.h"
#include "host/frame_codec.h"
#include "host/host_observer.h"
#include "testbed/heap_count.h"
#include "testbed/decoder_cases.h"

namespace bench {

namespace {

constexpr unsigned line_baud = 9600;

// Adds up the characters of the request frames a round sends, framed as the
// host's protocol layer frames them for the line.
class request_meter : public HostObserver {
public:
    explicit request_meter(const qorv52_419& device) : device_(device) {}

    void on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length) override
    {
        characters += pmbus_frame::encode_frame(device_.protocol_version_, device_.address_, cid1, cid2, data,
                                                static_cast<std::size_t>(length))
                          .size();
        ++requests;
    }
    std::size_t characters = 0;
    unsigned requests = 0;

private:
    const qorv52_419& device_;
};

void print_line_time(std::FILE* out)
{
    qorv52_419 device;
    bench::set_up(device, 2);
    request_meter meter(device);
    device.set_observer(&meter);
    site_scenario::site replies;
    const site_scenario::round_trace trace = site_scenario::run_first_round(device, replies);
    device.set_observer(nullptr);

    std::size_t reply_characters = 0;
    for (unsigned i = 0; i < trace.replies; ++i) {
        reply_characters += site_scenario::line_characters(*trace.answered[i]);
    }
    const std::size_t characters = meter.characters + reply_characters;
    std::fprintf(out, "round_requests %u\n", meter.requests);
    std::fprintf(out, "round_replies %u\n", trace.replies);
    std::fprintf(out, "round_line_characters %zu\n", characters);
    std::fprintf(out, "round_line_seconds %.6f\n", site_scenario::line_seconds(characters, line_baud));
}

void print_allocations(std::FILE* out)
{
    // Twice through everything first: standard output, the stream library's
    // locale data and the host's tables allocate once on first use.
    qorv52_419 device;
    bench::set_up(device, 2);
    site_scenario::site replies;
    site_scenario::run_first_round(device, replies);

    const auto cases = site_scenario::decoder_cases();
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& c : cases) {
            c.run(device);
        }
    }
    for (const auto& c : cases) {
        std::fprintf(out, "allocations_%s %llu\n", c.name.c_str(),
                     static_cast<unsigned long long>(heap_count::during([&] { c.run(device); })));
    }
    // The decoders leave the record as a round would; a round puts it right anyway.
    const auto first = heap_count::during([&] { site_scenario::run_first_round(device, replies); });
    const auto ready = heap_count::during([&] { site_scenario::run_round(device, replies); });
    std::fprintf(out, "allocations_first_round %llu\n", static_cast<unsigned long long>(first));
    std::fprintf(out, "allocations_ready_round %llu\n", static_cast<unsigned long long>(ready));

    for (int mode : {1, 2}) {
        qorv52_419 judged;
        bench::set_up(judged, mode);
        judged.RoundDone();
        std::fprintf(out, "allocations_RoundDone_mode%d %llu\n", mode,
                     static_cast<unsigned long long>(heap_count::during([&] { judged.RoundDone(); })));
    }
}

}  // namespace

void print_facts(std::FILE* out)
{
    std::fprintf(out, "sizeof_device %zu\n", sizeof(qorv52_419));
    print_line_time(out);
    print_allocations(out);
    std::fflush(out);
}

void run_rounds(long count)
{
    qorv52_419 device;
    bench::set_up(device, 2);
    site_scenario::site replies;
    for (long i = 0; i < count; ++i) {
        site_scenario::run_first_round(device, replies);
    }
}

}  // namespace bench
