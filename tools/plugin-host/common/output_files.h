// Output files of the tool: one that is also an input is refused before it
// is opened (opening would empty it), and what was written is checked, so
// that a full disk or a closed pipe is an error and never a short file.
#pragma once

#include <ostream>
#include <string>

namespace plugin_host {

// The two paths name one file: after links and "..", or as hard links of one
// file. A path that does not exist yet is resolved through its folder.
bool same_file(const std::string& a, const std::string& b);

// Flushes out; throws std::runtime_error "cannot write NAME: REASON" when
// the stream lost anything. NAME is "standard output" for std::cout.
void check_written(std::ostream& out, const std::string& name);

}  // namespace plugin_host
