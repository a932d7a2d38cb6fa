#include "tools/plugin-host/report/report_reduce.h"

#include <cmath>
#include <limits>

namespace plugin_host {

namespace {

const float NOTHING = std::numeric_limits<float>::quiet_NaN();

}  // namespace

PixelReducer::PixelReducer(std::vector<bool> status, std::int64_t first, std::int64_t last, unsigned pixels,
                           std::int64_t gap_ms)
    : status_(std::move(status)),
      first_(first),
      span_(last > first ? last - first : 1),
      pixels_(pixels == 0 ? 1 : pixels),
      gap_ms_(gap_ms),
      extremes_(status_.size())
{
}

std::int64_t PixelReducer::pixel_of(std::int64_t time) const
{
    const std::int64_t pixel = (time - first_) * static_cast<std::int64_t>(pixels_) / span_;
    return pixel < 0 ? 0 : pixel >= pixels_ ? pixels_ - 1 : pixel;
}

void PixelReducer::add(std::int64_t time, const float* values)
{
    const bool broken = open_ && (time - last_time_ > gap_ms_ || time < last_time_);
    const std::int64_t pixel = pixel_of(time);
    if (open_ && (broken || pixel != pixel_)) {
        flush();
    }
    if (broken) {
        rows_.times.push_back(last_time_ + (time - last_time_) / 2);
        rows_.values.emplace_back(status_.size(), NOTHING);
    }
    if (!open_) {
        open_ = true;
        pixel_ = pixel;
        first_time_ = time;
        records_ = 0;
        for (Extremes& extremes : extremes_) {
            extremes = {NOTHING, NOTHING, 0, 0};
        }
    }
    for (std::size_t i = 0; i < extremes_.size(); ++i) {
        const float value = values[i];
        if (std::isnan(value)) {
            continue;
        }
        Extremes& extremes = extremes_[i];
        if (std::isnan(extremes.low) || value < extremes.low) {
            extremes.low = value;
            extremes.low_at = records_;
        }
        if (std::isnan(extremes.high) || value > extremes.high) {
            extremes.high = value;
            extremes.high_at = records_;
        }
    }
    last_time_ = time;
    ++records_;
}

void PixelReducer::flush()
{
    open_ = false;
    if (records_ == 1) {
        rows_.times.push_back(first_time_);
        std::vector<float>& row = rows_.values.emplace_back(extremes_.size());
        for (std::size_t i = 0; i < extremes_.size(); ++i) {
            row[i] = extremes_[i].low;
        }
        return;
    }
    rows_.times.push_back(first_time_);
    rows_.times.push_back(last_time_);
    std::vector<float> earlier(extremes_.size());
    std::vector<float> later(extremes_.size());
    for (std::size_t i = 0; i < extremes_.size(); ++i) {
        const Extremes& extremes = extremes_[i];
        if (status_[i]) {
            earlier[i] = later[i] = extremes.high;
        } else if (extremes.low_at <= extremes.high_at) {
            earlier[i] = extremes.low;
            later[i] = extremes.high;
        } else {
            earlier[i] = extremes.high;
            later[i] = extremes.low;
        }
    }
    rows_.values.push_back(std::move(earlier));
    rows_.values.push_back(std::move(later));
}

ReducedRows PixelReducer::finish()
{
    if (open_) {
        flush();
    }
    return std::move(rows_);
}

}  // namespace plugin_host
