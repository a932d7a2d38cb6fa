// Reads a capture that plugin-host run wrote back into the site's exchanges:
// each request (from the "sent" comments) with the frame that answered it.
// Requests whose replies never came intact have no frame and are left out.
#pragma once

#include <istream>
#include <string>
#include <vector>

#include "tools/simulator/capture_repeater.h"

namespace plugin_host {

// Throws std::invalid_argument naming the capture and the line for a line
// that is not a scenario line. A last line cut short is left out.
std::vector<simulator::CapturedExchange> read_capture(std::istream& in, const std::string& name);

// Reads the capture file at `path`; throws std::invalid_argument also when it
// cannot be read, is a directory, or holds no exchange to answer with.
std::vector<simulator::CapturedExchange> read_capture_file(const std::string& path);

}  // namespace plugin_host
