#include "tools/plugin-host/report/report_page.h"

#include <cmath>
#include <cstdio>

#include "tools/plugin-host/report/report_assets.h"
#include "tools/plugin-host/common/time_text.h"

namespace plugin_host {

namespace {

std::string html_escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// A JSON string that may sit inside a <script> element.
std::string json_string(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '<') {
            out += "\\u003c";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// Four significant digits: finer than a pixel of any chart.
std::string number(double value)
{
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

std::string reading(double value, const std::string& unit)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return unit.empty() ? text : std::string(text) + " " + unit;
}

constexpr std::size_t SHOWN_ITEMS = 20;

void write_left_off(std::ostream& out, const ReportContent& content)
{
    if (content.left_off.empty()) {
        return;
    }
    out << "<tr><th>left off the charts</th><td>" << content.left_off.size()
        << (content.left_off.size() == 1 ? " record" : " records") << " with a round time unfit for the time axis";
    for (std::size_t i = 0; i < content.left_off.size() && i < SHOWN_ITEMS; ++i) {
        const LeftOffRecord& record = content.left_off[i];
        out << "<br>" << html_escaped(content.files[record.place.file]) << " record " << record.place.index << ": "
            << record.time << " (" << record.why << ")";
    }
    if (content.left_off.size() > SHOWN_ITEMS) {
        out << "<br>and " << content.left_off.size() - SHOWN_ITEMS << " more";
    }
    out << "</td></tr>\n";
}

void write_header(std::ostream& out, const ReportContent& content)
{
    out << "<header><h1>History report</h1>\n<table class=\"facts\">\n";
    out << "<tr><th>files</th><td>";
    for (std::size_t i = 0; i < content.files.size(); ++i) {
        out << (i == 0 ? "" : ", ") << html_escaped(content.files[i]);
    }
    out << "</td></tr>\n<tr><th>records</th><td>" << content.records;
    if (content.unstamped != 0) {
        out << " (and " << content.unstamped << " without a round time, not shown)";
    }
    out << "</td></tr>\n";
    write_left_off(out, content);
    if (content.records != 0) {
        out << "<tr><th>time span</th><td>" << report_time_text(content.first) << " to "
            << report_time_text(content.last) << " (" << duration_text(content.last - content.first)
            << ")</td></tr>\n<tr><th>usual interval</th><td>" << duration_text(content.interval)
            << "</td></tr>\n";
    }
    out << "<tr><th>gaps</th><td>";
    if (content.gaps.empty()) {
        out << "none";
    }
    for (std::size_t i = 0; i < content.gaps.size() && i < SHOWN_ITEMS; ++i) {
        const RecordGap& gap = content.gaps[i];
        out << (i == 0 ? "" : "<br>") << report_time_text(gap.from) << " to " << report_time_text(gap.to);
        out << (gap.to < gap.from ? " (the clock stepped back)" : " (" + duration_text(gap.to - gap.from) + ")");
    }
    if (content.gaps.size() > SHOWN_ITEMS) {
        out << "<br>and " << content.gaps.size() - SHOWN_ITEMS << " more";
    }
    out << "</td></tr>\n</table>\n";

    out << "<table class=\"stats\"><tr><th></th><th>minimum</th><th>maximum</th><th>mean</th></tr>\n";
    for (std::size_t i = 0; i < content.series.size(); ++i) {
        const Series& series = content.series[i];
        const SeriesStats& stats = content.stats[i];
        if (!series.summarised || stats.count == 0) {
            continue;
        }
        out << "<tr><th>" << html_escaped(series.label) << "</th><td>" << reading(stats.min, series.unit)
            << "</td><td>" << reading(stats.max, series.unit) << "</td><td>" << reading(stats.mean(), series.unit)
            << "</td></tr>\n";
    }
    out << "</table></header>\n";
}

void write_data(std::ostream& out, const ReportContent& content)
{
    out << "{\"first\":" << content.first << ",\"last\":" << content.last << ",\"series\":[";
    for (std::size_t i = 0; i < content.series.size(); ++i) {
        const Series& series = content.series[i];
        out << (i == 0 ? "" : ",") << "{\"label\":" << json_string(series.label)
            << ",\"unit\":" << json_string(series.unit) << ",\"chart\":" << json_string(series.chart)
            << ",\"status\":" << (series.status ? "true" : "false") << "}";
    }
    // Times after the first record, and each series as one column.
    out << "],\n\"t\":[";
    for (std::size_t row = 0; row < content.rows.times.size(); ++row) {
        out << (row == 0 ? "" : ",") << content.rows.times[row] - content.first;
    }
    out << "],\n\"v\":[";
    for (std::size_t column = 0; column < content.series.size(); ++column) {
        out << (column == 0 ? "[" : ",\n[");
        for (std::size_t row = 0; row < content.rows.values.size(); ++row) {
            out << (row == 0 ? "" : ",") << number(content.rows.values[row][column]);
        }
        out << "]";
    }
    out << "],\n\"alarms\":[";
    for (std::size_t i = 0; i < content.alarms.size(); ++i) {
        const AlarmLane& lane = content.alarms[i];
        out << (i == 0 ? "" : ",\n") << "{\"name\":" << json_string(lane.name) << ",\"level\":" << lane.level
            << ",\"active\":[";
        for (std::size_t j = 0; j < lane.active.size(); ++j) {
            out << (j == 0 ? "" : ",") << lane.active[j].first - content.first << ","
                << lane.active[j].second - content.first;
        }
        out << "]}";
    }
    out << "]}";
}

}  // namespace

std::string report_time_text(std::int64_t ms)
{
    const std::int64_t seconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    return stored_time_text(protocol419::round_time_at(seconds));
}

std::string duration_text(std::int64_t ms)
{
    const std::int64_t seconds = (ms < 0 ? -ms : ms) / 1000;
    const std::int64_t units[] = {86400, 3600, 60, 1};
    const char* const names[] = {" d", " h", " min", " s"};
    for (std::size_t i = 0; i < 4; ++i) {
        if (seconds >= units[i] || i == 3) {
            std::string text = std::to_string(seconds / units[i]) + names[i];
            const std::int64_t rest = i < 3 ? seconds % units[i] / units[i + 1] : 0;
            return rest == 0 ? text : text + " " + std::to_string(rest) + names[i + 1];
        }
    }
    return "0 s";
}

void write_report_page(std::ostream& out, const ReportContent& content)
{
    out << "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n<title>History report "
        << (content.records == 0 ? "" : report_time_text(content.first)) << "</title>\n<style>\n"
        << report_dygraph_css << "\n" << report_page_css << "</style>\n</head><body>\n";
    write_header(out, content);
    out << "<main id=\"charts\"></main>\n<script type=\"application/json\" id=\"report-data\">";
    write_data(out, content);
    out << "</script>\n<script>\n" << report_dygraph_js << "\n</script>\n<script>\n" << report_page_js
        << "</script>\n</body></html>\n";
}

}  // namespace plugin_host
