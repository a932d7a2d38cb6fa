// The device's local time, to the second, as the controller keeps it. Every
// reading of the clock in the device goes through here.
#pragma once

#include <boost/date_time/posix_time/posix_time_types.hpp>

namespace device {

inline boost::posix_time::ptime local_now() { return boost::posix_time::second_clock::local_time(); }

}  // namespace device
