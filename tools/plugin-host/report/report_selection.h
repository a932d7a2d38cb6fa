// Which records the report charts, and in what order. Records are charted in
// the order of their round times, whatever order the files hold them in, so
// that a history written out of order reduces as well as an ordered one.
// A round time that is no calendar date, or one far from all the others (a
// controller clock set wrong once), would stretch the time axis over years:
// such records are left off the charts and listed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/plugin-host/report/report_gaps.h"
#include "tools/plugin-host/report/report_history.h"

namespace plugin_host {

struct DatedRecord {
    std::int64_t time;  // ms
    RecordPlace place;
};

struct LeftOffRecord {
    RecordPlace place;
    std::string time;  // as stored
    std::string why;   // "not a calendar date", "far from the other records"
};

struct ChartedRecords {
    std::vector<DatedRecord> in_time_order;
    std::vector<RecordGap> steps_back;  // where the files go back in time, in file order
    std::vector<LeftOffRecord> left_off;
    std::uint64_t unstamped = 0;  // never stamped: no round time at all
};

class RecordSelection {
public:
    // Takes the records in the order of the files.
    void add(const std::uint8_t* record, RecordPlace place);
    // Keeps the times within a day of the span of the middle 99 % of them.
    // With fewer than 200 dated records none is far.
    ChartedRecords finish();

private:
    std::vector<DatedRecord> dated_;
    ChartedRecords result_;
};

}  // namespace plugin_host
