#include "host/get_ttime.h"

#include <boost/date_time/posix_time/posix_time_types.hpp>

ttime get_ttime(const boost::posix_time::ptime& t)
{
    ttime out{};
    if (t.is_special()) {
        return out;
    }
    const auto date = t.date();
    const auto time_of_day = t.time_of_day();
    const auto year = static_cast<unsigned int>(date.year());
    out[0] = static_cast<unsigned char>(year & 0xFFu);
    out[1] = static_cast<unsigned char>(year >> 8);
    out[2] = static_cast<unsigned char>(date.month().as_number());
    out[3] = static_cast<unsigned char>(date.day().as_number());
    out[4] = static_cast<unsigned char>(time_of_day.hours());
    out[5] = static_cast<unsigned char>(time_of_day.minutes());
    out[6] = static_cast<unsigned char>(time_of_day.seconds());
    return out;
}
