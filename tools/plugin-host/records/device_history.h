// A device's history read back by record number: the records it stored, in
// the order it stored them, counted from 1 over all the files that hold
// them. Whoever delivers records elsewhere numbers them this way, so a
// number names the same record after a restart of the tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/plugin-host/records/record_stream.h"

namespace plugin_host {

class DeviceHistory {
public:
    // The history that the device writes at `history` (the file named in
    // its site document or by --history).
    explicit DeviceHistory(std::string history);
    ~DeviceHistory();
    DeviceHistory(const DeviceHistory&) = delete;
    DeviceHistory& operator=(const DeviceHistory&) = delete;

    // Whole records held now (a torn tail is not counted).
    std::uint64_t count();
    // Record number `number` (from 1); false when the history does not hold
    // it (any more) or it cannot be read.
    bool read(std::uint64_t number, StoredRecord& record);

private:
    // The files holding the device's records, oldest first.
    std::vector<std::string> files() const;

    std::string history_;
    int fd_ = -1;
};

}  // namespace plugin_host
