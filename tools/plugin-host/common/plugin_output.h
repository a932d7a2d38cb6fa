// Keeps what the tool reports apart from the plug-in's own diagnostic lines,
// which it writes with printf and std::cout onto standard output.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace plugin_host {

// A stream of the tool's own, closed when it goes.
using ReportStream = std::unique_ptr<FILE, int (*)(FILE*)>;

// Returns a stream onto the standard output the tool started with, and sends
// the process's standard output where target says: "" discards it, "-"
// leaves it on standard output, anything else is a file appended to.
// Throws std::runtime_error when the file cannot be opened.
ReportStream separate_report_from_plugin_output(const std::string& target);

// Writes text to the report stream, after whatever the plug-in wrote so far
// (with "-" both share the terminal: keep the order of lines). Throws
// std::runtime_error when standard output does not take it.
void show(FILE* report, const std::string& text);

// At the end: what the plug-in wrote has reached `target`. Throws
// std::runtime_error naming it when a write failed (a full disk).
void finish_plugin_output(const std::string& target);

}  // namespace plugin_host
