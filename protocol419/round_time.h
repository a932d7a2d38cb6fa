// The round time a record carries: the host's 7-byte local time, year
// (16-bit little-endian), month, day, hour, minute, second, written when the
// round ends. Seven zero bytes mean the record was never stamped. Readers of
// stored records take the bytes apart here, and only here, so that every one
// of them agrees on what is a date.
#pragma once

#include <cstddef>
#include <cstdint>

namespace protocol419 {

constexpr std::size_t ROUND_TIME_BYTES = 7;

struct round_time {
    unsigned year = 0;
    unsigned month = 0;
    unsigned day = 0;
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;

    // False for seven zero bytes.
    constexpr bool stamped() const { return (year | month | day | hour | minute | second) != 0; }

    // A day of the Gregorian calendar and a time of day (a leap second
    // included): 2026-02-30 is not one, and is not taken for 2026-03-02.
    constexpr bool calendar_date() const
    {
        return year != 0 && month >= 1 && month <= 12 && day >= 1 && day <= days_in_month() && hour <= 23 &&
               minute <= 59 && second <= 60;
    }

    // Seconds from 1970-01-01 00:00:00 to this time, read as it is stored (no
    // time zone applied); meaningful only for a calendar date.
    constexpr std::int64_t seconds_since_1970() const
    {
        const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const std::int64_t year_of_era = y - era * 400;
        const std::int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
        const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
        const std::int64_t days = era * 146097 + day_of_era - 719468;
        return days * 86400 + hour * 3600 + minute * 60 + second;
    }

private:
    constexpr unsigned days_in_month() const
    {
        constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
        return month == 2 && leap ? 29 : days[month - 1];
    }
};

// The round time of the seven bytes at `bytes`.
constexpr round_time decode_round_time(const std::uint8_t* bytes)
{
    return {static_cast<unsigned>(bytes[0] | bytes[1] << 8), bytes[2], bytes[3], bytes[4], bytes[5], bytes[6]};
}

// The round time at seconds from 1970-01-01 00:00:00 (the inverse of
// seconds_since_1970 for a calendar date).
constexpr round_time round_time_at(std::int64_t seconds)
{
    std::int64_t days = (seconds >= 0 ? seconds : seconds - 86399) / 86400;
    const std::int64_t of_day = seconds - days * 86400;
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t day_of_era = days - era * 146097;
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
    const std::int64_t month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
    const std::int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
    return {static_cast<unsigned>(year), static_cast<unsigned>(month),
            static_cast<unsigned>(day_of_year - (153 * shifted_month + 2) / 5 + 1), static_cast<unsigned>(of_day / 3600),
            static_cast<unsigned>(of_day % 3600 / 60), static_cast<unsigned>(of_day % 60)};
}

static_assert(round_time{2024, 2, 29, 0, 0, 0}.calendar_date() && !round_time{2026, 2, 29, 0, 0, 0}.calendar_date());
static_assert(round_time{1970, 1, 1, 0, 0, 1}.seconds_since_1970() == 1);
static_assert(round_time{2026, 3, 1, 0, 0, 0}.seconds_since_1970() == 1772323200);
static_assert(round_time_at(1772323200 - 1).day == 28 && round_time_at(253402300799).year == 9999);

}  // namespace protocol419
