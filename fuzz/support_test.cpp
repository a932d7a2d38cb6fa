// The fuzz targets' own rules: which requests count as the protocol's, and
// which record bytes each reply may change. A mistake here would let the
// fuzzers wave a fault through, so the tables are pinned to known cases.
#include <cstddef>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "fuzz/support/checking_host.h"
#include "fuzz/support/record_regions.h"

namespace {

using fuzz::classify;
using fuzz::request_kind;
using fuzz::sent_request;

sent_request request(std::uint8_t cid1, std::uint8_t cid2, std::vector<std::uint8_t> data)
{
    return {cid1, cid2, true, std::move(data)};
}

sent_request bare(std::uint8_t cid1, std::uint8_t cid2) { return {cid1, cid2, false, {}}; }

}  // namespace

TEST(FuzzRequestRules, OnlyTheProtocolsPairsWithTheirDataPass)
{
    const struct {
        sent_request sent;
        std::uint8_t version;
        request_kind kind;
    } cases[] = {
        {request(0x40, 0x41, {1}), 0x20, request_kind::poll},
        {request(0x40, 0x44, {1}), 0x20, request_kind::poll},
        {bare(0x40, 0x41), 0x20, request_kind::foreign},
        {request(0x40, 0x43, {2}), 0x20, request_kind::foreign},
        {bare(0x41, 0x43), 0x20, request_kind::poll},
        {request(0x41, 0x41, {1}), 0x20, request_kind::foreign},
        {bare(0x42, 0x44), 0x20, request_kind::poll},
        {request(0x42, 0x41, {1}), 0x20, request_kind::foreign},
        {request(0x42, 0x41, {1}), 0x21, request_kind::poll},
        {bare(0x42, 0x41), 0x21, request_kind::foreign},
        {bare(0x42, 0x43), 0x20, request_kind::foreign},
        {request(0x41, 0x4E, {0xE6, 0x07, 1, 2, 3, 4, 5}), 0x20, request_kind::control},
        {request(0x41, 0x4E, {0xE6, 0x07, 1, 2, 3, 4}), 0x20, request_kind::foreign},
        {request(0x42, 0x48, {0xDC, 0, 0, 0x56, 0x42}), 0x20, request_kind::control},
        {request(0x42, 0x48, {0x00, 0, 0, 0x56, 0x42}), 0x20, request_kind::foreign},
        {request(0x41, 0x45, {0x11, 0x02}), 0x20, request_kind::control},
        {request(0x41, 0x45, {0xE5, 0x04}), 0x20, request_kind::foreign},
        {bare(0x43, 0x41), 0x20, request_kind::foreign},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(classify(c.sent, c.version), c.kind)
            << std::hex << unsigned{c.sent.cid1} << "/" << unsigned{c.sent.cid2} << " data " << c.sent.data.size();
    }
}

TEST(FuzzRecordRegions, CoverTheRecordOnceAndHoldTheKnownOffsets)
{
    EXPECT_NO_FATAL_FAILURE(fuzz::check_regions());
    using fuzz::reply_decoder;
    using fuzz::written_by;
    const struct {
        fuzz::record_region region;
        std::size_t first, end;  // a run of bytes that must all be in the region
    } inside[] = {
        {written_by(reply_decoder::ac_analog), 8, 21},      // currents and channel count
        {written_by(reply_decoder::ac_analog), 62, 79},     // channel 2: a to p40_41_count
        {written_by(reply_decoder::ac_status), 21, 25},
        {written_by(reply_decoder::ac_alarms), 79, 89},     // channel 2 alarms and user bytes
        {written_by(reply_decoder::rc_analog), 89, 103},    // output voltage, count, module 0
        {written_by(reply_decoder::rc_alarms), 731, 734},   // module 39
        {written_by(reply_decoder::dc_analog), 738, 805},
        {written_by(reply_decoder::dc2_alarms), 943, 996},
        {fuzz::round_time_region(), 865, 872},
        {fuzz::reserved_region(), 996, 1003},
        {fuzz::reserved_region(), 28, 35},
    };
    for (const auto& run : inside) {
        for (std::size_t offset = run.first; offset < run.end; ++offset) {
            EXPECT_TRUE(run.region.test(offset)) << offset;
        }
        // Each run is whole fields: the bytes on either side belong elsewhere.
        EXPECT_FALSE(run.region.test(run.first - 1)) << run.first;
        if (run.end < protocol419::RECORD_SIZE) {
            EXPECT_FALSE(run.region.test(run.end)) << run.end;
        }
    }
    EXPECT_EQ(fuzz::reserved_region().count(), 33u);
}
