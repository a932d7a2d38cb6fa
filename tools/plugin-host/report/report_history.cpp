#include "tools/plugin-host/report/report_history.h"

#include <fstream>
#include <stdexcept>

#include "protocol419/record_fields.h"
#include "tools/plugin-host/report/report_fields.h"

namespace plugin_host {

namespace {

constexpr std::size_t RECORDS_PER_BLOCK = 4096;

// Days from 1970-01-01 to a date of the proleptic Gregorian calendar.
std::int64_t days_from_civil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto year_of_era = static_cast<unsigned>(year - era * 400);
    const unsigned day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + static_cast<std::int64_t>(day_of_era) - 719468;
}

}  // namespace

void for_each_record(const std::vector<std::string>& paths, const std::function<void(const std::uint8_t*)>& visit,
                     const std::function<void(const std::string&)>& warn)
{
    std::vector<char> block(RECORDS_PER_BLOCK * protocol419::RECORD_SIZE);
    for (const std::string& path : paths) {
        std::ifstream file(path, std::ios::binary);
        if (!file) {
            throw std::runtime_error("cannot read " + path);
        }
        std::size_t held = 0;
        while (file) {
            file.read(block.data() + held, static_cast<std::streamsize>(block.size() - held));
            held += static_cast<std::size_t>(file.gcount());
            const std::size_t whole = held / protocol419::RECORD_SIZE;
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(block.data());
            for (std::size_t index = 0; index < whole; ++index) {
                visit(bytes + index * protocol419::RECORD_SIZE);
            }
            const std::size_t rest = held - whole * protocol419::RECORD_SIZE;
            std::copy(block.begin() + static_cast<std::ptrdiff_t>(whole * protocol419::RECORD_SIZE),
                      block.begin() + static_cast<std::ptrdiff_t>(held), block.begin());
            held = rest;
        }
        if (file.bad()) {
            throw std::runtime_error("error reading " + path);
        }
        if (held != 0) {
            warn(path + " ends in " + std::to_string(held) + " byte(s) of an unfinished record: left out");
        }
    }
}

std::optional<std::int64_t> record_time_ms(const std::uint8_t* record)
{
    static const std::size_t at = report_field_offset("round_time");
    const unsigned year = record_byte(record, at) | static_cast<unsigned>(record_byte(record, at + 1)) << 8;
    const unsigned month = record_byte(record, at + 2);
    const unsigned day = record_byte(record, at + 3);
    const unsigned hour = record_byte(record, at + 4);
    const unsigned minute = record_byte(record, at + 5);
    const unsigned second = record_byte(record, at + 6);
    if (year == 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    const std::int64_t seconds = days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    return seconds * 1000;
}

}  // namespace plugin_host
