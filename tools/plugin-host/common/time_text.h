// Times as transcripts and record dumps show them: "YYYY-MM-DD HH:MM:SS".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <boost/date_time/posix_time/ptime.hpp>

namespace plugin_host {

// Nothing for a time that is not a date (the host's last-round time before
// the first round).
std::optional<std::string> time_text(const boost::posix_time::ptime& time);

// The host's 7-byte time as stored in a record's round time: year (16-bit
// little-endian), month, day, hour, minute, second. Seven zero bytes are what
// the host writes for a time that is not a date, and give nothing. Other bytes
// are shown as stored, even when they make no calendar date.
std::optional<std::string> round_time_text(const std::uint8_t (&bytes)[7]);

}  // namespace plugin_host
