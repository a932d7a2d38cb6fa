// "Did you mean ...?" for a name that is not known: a member of a document
// or an option of the command line.
#pragma once

#include <optional>
#include <set>
#include <string>

namespace plugin_host {

// The known name nearest to `given` when it is near enough to be a slip of
// the keyboard (a letter or two apart), or nothing.
std::optional<std::string> nearest_name(const std::string& given, const std::set<std::string>& known);

}  // namespace plugin_host
