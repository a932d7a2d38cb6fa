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

std::string stored_time_text(const protocol419::round_time& time)
{
    return format(time.year, time.month, time.day, time.hour, time.minute, time.second);
}

std::optional<std::string> round_time_text(const protocol419::round_time& time)
{
    if (!time.stamped()) {
        return std::nullopt;
    }
    return stored_time_text(time) + (time.calendar_date() ? "" : " (not a calendar date)");
}

std::optional<std::string> round_time_text(const std::uint8_t (&bytes)[protocol419::ROUND_TIME_BYTES])
{
    return round_time_text(protocol419::decode_round_time(bytes));
}

std::string local_time_text(std::time_t when, const char* format)
{
    std::tm local{};
    localtime_r(&when, &local);
    char text[64];
    return std::strftime(text, sizeof text, format, &local) != 0 ? text : "";
}

}  // namespace plugin_host
