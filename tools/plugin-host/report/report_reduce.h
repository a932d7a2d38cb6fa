// Reduces series of any length to at most two rows per pixel of the time
// axis: for each series the lowest and the highest value within the pixel,
// in the order they came, so a one-round dip or spike survives any zoom-out.
// A status series keeps its worst value instead. A gap in the records (or a
// clock that stepped back) ends the line: a row of NaN sits in the gap.
#pragma once

#include <cstdint>
#include <vector>

namespace plugin_host {

struct ReducedRows {
    std::vector<std::int64_t> times;          // ms, ascending within each stretch between gaps
    std::vector<std::vector<float>> values;   // one row of all series per time; NaN: nothing there
};

class PixelReducer {
public:
    // status[i]: series i is reduced to its worst (greatest) value. Times
    // from first to last are spread over pixels; a step between records
    // longer than gap_ms breaks the lines.
    PixelReducer(std::vector<bool> status, std::int64_t first, std::int64_t last, unsigned pixels,
                 std::int64_t gap_ms);

    void add(std::int64_t time, const float* values);
    ReducedRows finish();

private:
    struct Extremes {
        float low, high;
        std::uint64_t low_at, high_at;  // which record of the pixel
    };
    std::int64_t pixel_of(std::int64_t time) const;
    void flush();

    std::vector<bool> status_;
    std::int64_t first_;
    std::int64_t span_;
    unsigned pixels_;
    std::int64_t gap_ms_;

    bool open_ = false;
    std::int64_t pixel_ = 0;
    std::int64_t first_time_ = 0;
    std::int64_t last_time_ = 0;
    std::uint64_t records_ = 0;
    std::vector<Extremes> extremes_;
    ReducedRows rows_;
};

}  // namespace plugin_host
