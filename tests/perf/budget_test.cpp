// What a poll round may cost, counted: no heap allocation in the decoders,
// in the replies of a round (round end and alarm rules included) or in the
// value query once the program has warmed up; one request per reply; the
// record published and stored once per round; the clock read once to open a
// round and once to close it.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "tools/clock_seam/clock_seam.h"
#include "testbed/heap_count.h"
#include "testbed/decoder_cases.h"
#include "testbed/site_scenario.h"

namespace {

// Counts the calls into the host without allocating, so that the counts
// of heap allocations are the device's alone.
class counting_host : public HostObserver {
public:
    void on_send(unsigned char, unsigned char, const unsigned char*, int) override { ++requests; }
    void on_send_sp(int, const unsigned char*, unsigned int, bool) override { ++published; }
    void on_save_history(const unsigned char*, unsigned int) override { ++stored; }
    void on_reset() override { ++resets; }
    void on_check_threshold_bool(int, const std::string&, const std::string&, const std::string&,
                                 const std::string&, bool, unsigned short) override
    {
        ++alarm_reports;
    }
    bool on_batch_check(std::size_t) override
    {
        ++batch_checks;
        return false;
    }

    unsigned requests = 0, published = 0, stored = 0, resets = 0, alarm_reports = 0, batch_checks = 0;
};

// Keeps the compiler from dropping an allocation whose block is never used.
void escape(void* block) { asm volatile("" : : "g"(block) : "memory"); }

TEST(HeapCount, SeesEveryAllocation)
{
    EXPECT_EQ(heap_count::during([] {
                  int* block = new int(1);
                  escape(block);
                  delete block;
              }),
              1u);
    EXPECT_EQ(heap_count::during([] { escape(std::string(64, 'x').data()); }), 1u);
}

struct reply_cost {
    int step;
    std::uint64_t allocations;
    unsigned long long clock_reads;
    unsigned requests;
};

class Budget : public ::testing::Test {
protected:
    Budget()
    {
        clock_seam::freeze_at_local(2026, 1, 1, 0, 0, 0);
        device.set_observer(&host);
    }

    void set_up_site(int alarm_mode)
    {
        device.InitSetting(site_scenario::configuration(alarm_mode));
        site_scenario::enable_every_rule(device);
        // Standard output, the stream library and the alarm texts allocate
        // once, on first use; the host's maps take each identifier once.
        site_scenario::run_first_round(device, replies);
        site_scenario::run_round(device, replies);
    }

    // A round two seconds after the last, as the daemon starts it, with what
    // each reply cost; the refresh's own cost comes first, at step -1.
    std::vector<reply_cost> costed_round()
    {
        clock_seam::advance(2);
        std::vector<reply_cost> costs;
        auto measure = [&](int step, auto&& action) {
            const unsigned long long reads = clock_seam::reads();
            const unsigned requests = host.requests;
            const std::uint64_t allocations = heap_count::during(action);
            costs.push_back({step, allocations, clock_seam::reads() - reads, host.requests - requests});
        };
        int started = 0;
        measure(-1, [&] { started = device.RefreshStatus(); });
        EXPECT_EQ(started, 1);
        for (int going_on = started; going_on == 1 && costs.size() <= 8;) {
            const int step = device.poll_step_;
            site_scenario::reply_frame* frame = replies.reply_for(step);
            if (frame == nullptr) {
                ADD_FAILURE() << "no reply for poll step " << step;
                break;
            }
            measure(step, [&] {
                going_on = device.process(frame->bytes.data(), static_cast<unsigned>(frame->bytes.size()));
            });
        }
        return costs;
    }

    qorv52_419 device;
    counting_host host;
    site_scenario::site replies;
};

TEST_F(Budget, DecodersAllocateNothing)
{
    const auto cases = site_scenario::decoder_cases();
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& c : cases) {
            c.run(device);
        }
    }
    for (const auto& c : cases) {
        EXPECT_EQ(heap_count::during([&] { c.run(device); }), 0u) << c.name;
    }
}

TEST_F(Budget, RoundsAllocateNothingAndReadTheClockOnlyToOpenAndClose)
{
    for (int mode : {1, 2}) {
        set_up_site(mode);
        for (bool ready : {false, true}) {
            device.data_ready_ = ready ? 1 : 0;
            const std::vector<reply_cost> costs = costed_round();
            // Not ready: every request of the round. Ready with quiet replies: the analog ones.
            ASSERT_EQ(costs.size(), ready ? 4u : 9u) << "mode " << mode;
            for (const reply_cost& cost : costs) {
                const bool opens = cost.step == -1;
                const bool closes = &cost == &costs.back();
                SCOPED_TRACE("mode " + std::to_string(mode) + (ready ? " ready" : " first") + ", step " +
                             std::to_string(cost.step));
                EXPECT_EQ(cost.allocations, 0u);
                EXPECT_EQ(cost.clock_reads, opens || closes ? 1u : 0u);
                EXPECT_EQ(cost.requests, closes ? 0u : 1u);
            }
        }
    }
}

TEST_F(Budget, ARoundPublishesStoresAndJudgesOnce)
{
    set_up_site(2);
    host = counting_host();
    device.data_ready_ = 0;
    costed_round();
    EXPECT_EQ(host.requests, 8u);
    EXPECT_EQ(host.published, 1u);
    EXPECT_EQ(host.stored, 1u);
    EXPECT_EQ(host.batch_checks, 1u);
    // Once inside round completion and once when the poll cycle closes the round.
    EXPECT_EQ(host.resets, 2u);
    // Eight threshold rules, three rules for each of two AC inputs, one for each of forty modules.
    EXPECT_EQ(host.alarm_reports, 8u + 2u * 3u + 40u);
}

TEST_F(Budget, ServedValuesAllocateNothing)
{
    set_up_site(1);
    const std::string out_v = "out_v";
    const std::string ac = "ac";
    float value = 0.0f;
    EXPECT_EQ(heap_count::during([&] { value = device.Get_Value(0, out_v); }), 0u);
    EXPECT_EQ(value, 53.5f);
    EXPECT_EQ(heap_count::during([&] { value = device.Get_Value(0, ac); }), 0u);
    EXPECT_EQ(value, 0.0f);
}

}  // namespace
