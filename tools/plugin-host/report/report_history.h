// Reading history files for the report: records back to back, read one at a
// time so that a month of records never sits in memory at once, and read
// again in the order of their round times.
#pragma once

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/plugin-host/records/record_stream.h"

namespace plugin_host {

// Where a record sits: which of the history files, and its index there.
struct RecordPlace {
    std::size_t file = 0;
    std::size_t index = 0;
};

// Calls visit(record, place) for every whole record of the files, in the
// order given. A file that ends in part of a record (a daemon stopped while
// writing) is read up to its last whole record and warn() is told. Throws
// std::invalid_argument naming a file that cannot be opened, is a directory
// or is empty (an empty one among several is left out and warn() is told),
// and std::runtime_error for one that fails while being read.
void for_each_record(const std::vector<std::string>& paths,
                     const std::function<void(const std::uint8_t*, RecordPlace)>& visit,
                     const std::function<void(const std::string&)>& warn);

// The history files open for reading records in any order.
class HistoryFiles {
public:
    explicit HistoryFiles(const std::vector<std::string>& paths);
    // The record at place; throws std::runtime_error when it cannot be read
    // again (the file changed under the report).
    const StoredRecord& read(RecordPlace place);

private:
    std::vector<std::string> paths_;
    std::vector<std::ifstream> files_;
    std::vector<std::unique_ptr<RecordStream>> streams_;
    StoredRecord record_{};
};

// The record's round time in milliseconds since 1970-01-01 00:00:00, the
// stored wall-clock time taken as it is (no time zone applied). Nothing for
// a record that was never stamped or holds no calendar date.
std::optional<std::int64_t> record_time_ms(const std::uint8_t* record);

}  // namespace plugin_host
