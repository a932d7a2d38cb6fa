#include "tools/plugin-host/common/time_text.h"

#include <cstdio>

#include <boost/date_time/posix_time/posix_time_types.hpp>

namespace plugin_host {

namespace {

std::string format(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second)
{
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", year, month, day, hour, minute, second);
    return text;
}

}  // namespace

std::optional<std::string> time_text(const boost::posix_time::ptime& time)
{
    if (time.is_special()) {
        return std::nullopt;
    }
    const auto date = time.date();
    const auto of_day = time.time_of_day();
    return format(static_cast<unsigned>(date.year()), static_cast<unsigned>(date.month().as_number()),
                  static_cast<unsigned>(date.day().as_number()), static_cast<unsigned>(of_day.hours()),
                  static_cast<unsigned>(of_day.minutes()), static_cast<unsigned>(of_day.seconds()));
}

std::optional<std::string> round_time_text(const std::uint8_t (&bytes)[7])
{
    bool all_zero = true;
    for (const std::uint8_t byte : bytes) {
        all_zero = all_zero && byte == 0;
    }
    if (all_zero) {
        return std::nullopt;
    }
    return format(static_cast<unsigned>(bytes[0] | bytes[1] << 8), bytes[2], bytes[3], bytes[4], bytes[5], bytes[6]);
}

}  // namespace plugin_host
