// The daemon's compact time stamp, as stored in published records.
#pragma once

#include <array>

#include <boost/date_time/posix_time/ptime.hpp>

// Seven bytes: year (16-bit little-endian), month, day, hour, minute, second.
// A time that is not a date gives seven zero bytes.
using ttime = std::array<unsigned char, 7>;

__attribute__((visibility("default"))) ttime get_ttime(const boost::posix_time::ptime& t);
