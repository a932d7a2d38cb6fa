// The report's series: which readings of a record it charts, and taking
// them out of each record. A reading the record does not hold (a module or
// battery group beyond the counts the power system announced) is NaN.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plugin_host {

// What a history holds at most: the widest record decides which series the
// report has.
struct HistoryShape {
    unsigned ac_channels = 0;
    unsigned modules = 0;           // held in the record
    unsigned modules_reported = 0;  // as the power system counted them
    unsigned dc_units = 1;
    unsigned batteries[2] = {0, 0};  // battery groups of each DC unit

    void widen(const std::uint8_t* record);
};

enum class ModuleStatus { on = 0, off = 1, faulty = 2 };

struct Series {
    std::string label;  // unique within the report
    std::string unit;   // "V", "A", "Hz"; empty for a module's status
    std::string chart;  // the chart it is drawn in
    bool status = false;  // a ModuleStatus, reduced to the worst instead of to extremes
    bool summarised = false;  // in the header's minimum, maximum and mean
};

class SeriesLayout {
public:
    explicit SeriesLayout(const HistoryShape& shape);

    const std::vector<Series>& series() const { return series_; }
    // Writes series().size() values.
    void extract(const std::uint8_t* record, float* values) const;

private:
    enum class Source { reading, module_total, module_status };
    struct Extractor {
        Source source;
        std::size_t offset;        // the float, or the first module block
        std::size_t count_offset;  // the count that must cover index; none when 0
        unsigned index;
        unsigned capacity = 0;     // a count above it stored nothing (the old values stay); none when 0
    };
    void add(Series series, Extractor extractor);

    std::vector<Series> series_;
    std::vector<Extractor> extractors_;
};

// Minimum, maximum and mean of the finite values of one series.
struct SeriesStats {
    float min = 0;
    float max = 0;
    double sum = 0;
    std::uint64_t count = 0;

    void add(float value);
    double mean() const { return count == 0 ? 0.0 : sum / static_cast<double>(count); }
};

}  // namespace plugin_host
