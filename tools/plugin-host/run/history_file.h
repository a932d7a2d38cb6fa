// The history file of a device: the site's memory, whole 1003-byte records
// back to back and nothing else, whatever the disk does.
//
// On open, a torn tail (a record cut short by a full disk or a crash) is cut
// back to the last whole record, and the host says how many bytes went. A
// record that cannot be appended (disk full, file too large, an I/O error)
// is taken back out to the last whole record: polling goes on, the host says
// so once, tries again with the next record, and says how many records were
// lost when appending works again. A monitoring service does not stop for a
// full disk, and a reader never meets a misaligned record.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace plugin_host {

class HistoryFile {
public:
    using Say = std::function<void(const std::string&)>;

    // Opens `path` for appending, creating it. Throws std::runtime_error
    // naming the file when it cannot be opened.
    HistoryFile(const std::string& path, std::size_t record_size, Say say);
    ~HistoryFile();
    HistoryFile(const HistoryFile&) = delete;
    HistoryFile& operator=(const HistoryFile&) = delete;

    // Appends one record; false when it could not be written (the file then
    // holds whole records only, as before).
    bool append(const unsigned char* record);

    const std::string& path() const { return path_; }
    // Records that could not be written since the file was opened.
    unsigned long lost() const { return lost_total_; }

private:
    // Cuts the file back to `size` bytes; false when even that fails.
    bool cut_to(long long size);

    std::string path_;
    std::size_t record_size_;
    Say say_;
    int fd_ = -1;
    long long size_ = 0;           // whole records written, in bytes
    unsigned long lost_run_ = 0;   // records lost since the last good append
    unsigned long lost_total_ = 0;
};

}  // namespace plugin_host
