// Writes the report: one self-contained HTML page (the charting library,
// the page's own script and the data inside it, nothing loaded from
// elsewhere) with a header readable without script, and the charts drawn
// by the browser from the reduced rows.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "tools/plugin-host/report/report_alarms.h"
#include "tools/plugin-host/report/report_gaps.h"
#include "tools/plugin-host/report/report_reduce.h"
#include "tools/plugin-host/report/report_selection.h"
#include "tools/plugin-host/report/report_series.h"

namespace plugin_host {

struct ReportContent {
    std::vector<std::string> files;
    std::uint64_t records = 0;    // with a round time
    std::uint64_t unstamped = 0;  // without one: not charted
    std::vector<LeftOffRecord> left_off;  // with a round time unfit for the time axis
    std::int64_t first = 0;       // ms
    std::int64_t last = 0;
    std::int64_t interval = 0;
    std::vector<RecordGap> gaps;
    std::vector<Series> series;
    std::vector<SeriesStats> stats;
    ReducedRows rows;
    std::vector<AlarmLane> alarms;
};

void write_report_page(std::ostream& out, const ReportContent& content);

// "2026-01-01 00:00:00" for ms since 1970 (a stored wall-clock time).
std::string report_time_text(std::int64_t ms);
// "45 s", "12 min 5 s", "3 h 4 min", "2 d 1 h".
std::string duration_text(std::int64_t ms);

}  // namespace plugin_host
