// Reading history files for the report: records back to back, read a block
// at a time so that a month of records never sits in memory at once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace plugin_host {

// Calls visit(record) for every whole record of the files, in the order
// given. A file that ends in part of a record (a daemon stopped while
// writing) is read up to its last whole record and warn() is told. Throws
// std::runtime_error naming a file that cannot be read.
void for_each_record(const std::vector<std::string>& paths, const std::function<void(const std::uint8_t*)>& visit,
                     const std::function<void(const std::string&)>& warn);

// The record's round time in milliseconds since 1970-01-01 00:00:00, the
// stored wall-clock time taken as it is (no time zone applied). Nothing for
// a record that was never stamped or holds no calendar date.
std::optional<std::int64_t> record_time_ms(const std::uint8_t* record);

}  // namespace plugin_host
