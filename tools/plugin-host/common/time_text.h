// Times as transcripts and record dumps show them: "YYYY-MM-DD HH:MM:SS".
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include <boost/date_time/posix_time/ptime.hpp>

#include "protocol419/round_time.h"

namespace plugin_host {

// Nothing for a time that is not a date (the host's last-round time before
// the first round).
std::optional<std::string> time_text(const boost::posix_time::ptime& time);

// A record's round time (see protocol419/round_time.h). Nothing for seven
// zero bytes, what the host writes for a time that is not a date. Bytes that
// make no calendar date are shown as stored and said to be no date.
std::optional<std::string> round_time_text(const protocol419::round_time& time);
std::optional<std::string> round_time_text(const std::uint8_t (&bytes)[protocol419::ROUND_TIME_BYTES]);

// A moment of the wall clock in local time, in strftime's `format`.
std::string local_time_text(std::time_t when, const char* format = "%Y-%m-%d %H:%M:%S");

// The stored fields as they are, whether or not they make a date: for
// machine-readable dumps of the record.
std::string stored_time_text(const protocol419::round_time& time);

}  // namespace plugin_host
