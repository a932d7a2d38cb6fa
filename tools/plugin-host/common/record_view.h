// A stored record as the tools read it: the counts it announces, clamped to
// the slots the record has, whether it holds a second DC unit, and its round
// time. The summary of run, the report and decode all ask here, so that they
// agree on what a record holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol419/round_time.h"

namespace plugin_host {

class RecordView {
public:
    // The 1003 bytes of a record; they must outlive the view.
    explicit RecordView(const std::uint8_t* record) : record_(record) {}

    // Items of a list the record has slots for: as many as its count says, but
    // never more than its capacity, since a count byte is stored as received.
    static std::size_t held(std::size_t count, std::size_t capacity) { return count < capacity ? count : capacity; }

    unsigned ac_channels() const;
    // The module count the power system reported, and how many of those
    // modules the record holds (the first 40).
    unsigned modules_reported() const;
    unsigned modules_held() const;
    // Battery groups of DC unit 0 or 1. A list longer than its slots is not
    // stored at all, so such a count holds none.
    unsigned battery_groups(unsigned unit) const;

    // The power system reported a second DC unit. The plug-in writes the
    // second unit's block only then, and the block starts as zero bytes; any
    // byte written there (a bus at 0 V still has its alarm state and battery
    // count) shows the unit.
    bool second_dc_unit() const;

    protocol419::round_time round_time() const;

private:
    const std::uint8_t* record_;
};

}  // namespace plugin_host
