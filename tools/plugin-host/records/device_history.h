// A device's history read back by record number: the records it stored, in
// the order it stored them, over all the files that hold them (one a day
// with a dated name). Numbers are the device's own count of records ever
// stored, which outlives its files: a file removed for its age takes its
// records away but not their numbers, and the numbers of the records held
// are counted back from the newest.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/plugin-host/records/record_stream.h"

namespace plugin_host {

class DeviceHistory {
public:
    // Lists the files that hold the device's records now, oldest first.
    using Lister = std::function<std::vector<std::string>()>;

    explicit DeviceHistory(Lister files);
    ~DeviceHistory();
    DeviceHistory(const DeviceHistory&) = delete;
    DeviceHistory& operator=(const DeviceHistory&) = delete;

    // Where a record is: its file and how many whole records that file held
    // up to and with it.
    struct Place {
        std::string file;
        std::uint64_t records = 0;
    };

    // Whole records held now, over all the files (a torn tail not counted);
    // after `after` when given: the records of its file beyond its count and
    // those of every later file (every file held when its file is gone).
    std::uint64_t count(const Place* after = nullptr) const;
    // Numbers the records held now so that the newest is `newest`.
    void number_back_from(std::uint64_t newest);
    // Record number `number`; false when the history does not hold it (any
    // more) or it cannot be read. Files that started since are numbered on.
    bool read(std::uint64_t number, StoredRecord& record);
    // Where record `number` is; an empty file when the history does not hold it.
    Place place_of(std::uint64_t number);

private:
    struct Part {
        std::string file;
        std::uint64_t first = 0;  // the number of its first record
        std::uint64_t records = 0;
    };
    // The part holding `number`, after taking in what was written since.
    const Part* part_of(std::uint64_t number);
    void take_in_new_files();

    Lister list_;
    std::vector<Part> parts_;
    std::string open_file_;
    int fd_ = -1;
};

// Whole records in `file` (0 when it cannot be read).
std::uint64_t records_in(const std::string& file);

}  // namespace plugin_host
