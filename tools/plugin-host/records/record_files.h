// The files of records that a command line names: a file as it is, and a
// folder as its regular files sorted by name, which for day files named by
// date (hist/%Y-%m-%d.bin) is their time order.
#pragma once

#include <string>
#include <vector>

namespace plugin_host {

// The inputs with each folder replaced by its regular files (not those whose
// names start with a dot), sorted by name. Throws std::invalid_argument for
// a folder that holds none or cannot be read.
std::vector<std::string> record_files(const std::vector<std::string>& inputs);

}  // namespace plugin_host
