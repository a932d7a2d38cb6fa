// The input files the tool reads: small ones whole (configurations, site
// documents and event scripts), captures as a stream.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

namespace plugin_host {

// Far more than any configuration or script needs; a device file such as
// /dev/zero stops here instead of filling the memory.
constexpr std::size_t MAX_INPUT_BYTES = 1024 * 1024;

// Reads the file at path; `what` names it in messages ("configuration").
// Throws std::invalid_argument for a file that cannot be read, a directory,
// an empty file, or one larger than MAX_INPUT_BYTES.
std::string read_input_file(const std::string& path, const std::string& what);

// Opens the file at path to be read as it goes, refusing as read_input_file
// does a file that cannot be read, a directory or an empty file.
std::ifstream open_input_stream(const std::string& path, const std::string& what);

}  // namespace plugin_host
