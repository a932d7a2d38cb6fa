// Stored records read one at a time from a stream of raw bytes or hex text:
// a history file of a month of two-second rounds (over a million records)
// is decoded without ever being held whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <istream>
#include <string>

#include "protocol419/record_fields.h"
#include "tools/plugin-host/common/hex_text.h"

namespace plugin_host {

using StoredRecord = std::array<std::uint8_t, protocol419::RECORD_SIZE>;

class RecordStream {
public:
    RecordStream(std::istream& in, bool hex) : in_(in), hex_(hex) {}

    // The next whole record; false at the end of the input, after a partial
    // record (left_over() bytes) or on an error (error()).
    bool next(StoredRecord& record);
    // The record at this index of a raw (not hex) input that can seek; read
    // in place when it is the next one.
    bool at(std::size_t index, StoredRecord& record);

    std::size_t bytes_read() const { return bytes_read_; }
    std::size_t left_over() const { return left_over_; }
    // Empty unless the input could not be read or was not hex (not_hex()).
    const std::string& error() const { return error_; }
    bool not_hex() const { return not_hex_; }

private:
    std::size_t fill_binary(StoredRecord& record);
    std::size_t fill_hex(StoredRecord& record);

    std::istream& in_;
    bool hex_;
    HexReader hex_reader_;
    std::size_t bytes_read_ = 0;
    std::size_t left_over_ = 0;
    std::string error_;
    bool not_hex_ = false;
};

// Opens a file of stored records. Throws std::invalid_argument, a wrong
// input, for a file that cannot be opened or is a directory.
std::ifstream open_record_file(const std::string& path);

}  // namespace plugin_host
