// The Prometheus text exposition format (version 0.0.4) of a run's devices,
// written from their snapshots at each scrape. The format is written here,
// not by a library: Debian 12 packages no C++ client library for it, and what
// is written is a few dozen families of plain lines.
//
// Names are under powersystem_, in base units (volts, amperes, hertz,
// seconds). Every sample carries device, bus and address; readings add what
// they need (channel, phase, module, unit, battery, index, field), all of
// them bounded by the record's layout. While a device does not answer, or
// has not completed a round for three intervals, its readings and alarms are
// left out, so that graphs show a gap; up, the counters and the time of the
// last completed round stay.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tools/plugin-host/common/device_snapshot.h"

namespace plugin_host {

// The content type of the text format.
extern const char* const EXPOSITION_CONTENT_TYPE;

// The exposition of `devices` as seen at `now`.
std::string exposition_text(const std::vector<std::shared_ptr<const DeviceSnapshot>>& devices,
                            std::chrono::steady_clock::time_point now);

// A label value or HELP text as the format wants it: backslash, double quote
// (label values only) and line feed escaped.
std::string escape_label_value(const std::string& text);

}  // namespace plugin_host
