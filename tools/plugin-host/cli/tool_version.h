// The tool's version: the project's version, and where the build came from.
#pragma once

#include <string>

namespace plugin_host {

// Written at build time: the project version, and `git describe` of the
// checkout it was built from (empty outside a checkout).
extern const char* const project_version;
extern const char* const source_description;

// "plugin-host 1.0.0 (v1.0.0-4-gabc1234)" and the plug-in the tool loads by
// default, on two lines.
std::string version_text();

}  // namespace plugin_host
