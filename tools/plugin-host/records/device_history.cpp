#include "tools/plugin-host/records/device_history.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/plugin-host/common/whole_transfer.h"

namespace plugin_host {

std::uint64_t records_in(const std::string& file)
{
    struct stat status {};
    return ::stat(file.c_str(), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) / protocol419::RECORD_SIZE
                                              : 0;
}

DeviceHistory::DeviceHistory(Lister files) : list_(std::move(files)) {}

DeviceHistory::~DeviceHistory()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::uint64_t DeviceHistory::count(const Place* after) const
{
    const std::vector<std::string> files = list_();
    auto from = files.begin();
    std::uint64_t records = 0;
    if (after != nullptr) {
        const auto anchor = std::find(files.begin(), files.end(), after->file);
        if (anchor != files.end()) {
            const std::uint64_t held = records_in(*anchor);
            records += held > after->records ? held - after->records : 0;
            from = anchor + 1;
        }
    }
    for (auto file = from; file != files.end(); ++file) {
        records += records_in(*file);
    }
    return records;
}

void DeviceHistory::number_back_from(std::uint64_t newest)
{
    parts_.clear();
    std::uint64_t next = newest + 1;
    const std::vector<std::string> files = list_();
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        const std::uint64_t records = records_in(*file);
        next -= std::min(records, next - 1);
        parts_.insert(parts_.begin(), Part{*file, next, records});
    }
}

void DeviceHistory::take_in_new_files()
{
    if (parts_.empty()) {
        return;
    }
    const std::vector<std::string> files = list_();
    const auto last = std::find(files.begin(), files.end(), parts_.back().file);
    if (last == files.end()) {
        return;
    }
    // A file is whole once a later one has started; the last one grows.
    for (auto file = last; file != files.end(); ++file) {
        if (file != last) {
            const Part& before = parts_.back();
            parts_.push_back(Part{*file, before.first + before.records, 0});
        }
        parts_.back().records = records_in(*file);
    }
}

const DeviceHistory::Part* DeviceHistory::part_of(std::uint64_t number)
{
    for (int look = 0; look < 2; ++look) {
        for (const Part& part : parts_) {
            if (number >= part.first && number < part.first + part.records) {
                return &part;
            }
        }
        if (look == 0 && !parts_.empty() && number >= parts_.back().first + parts_.back().records) {
            take_in_new_files();
        }
    }
    return nullptr;
}

DeviceHistory::Place DeviceHistory::place_of(std::uint64_t number)
{
    const Part* part = part_of(number);
    return part == nullptr ? Place{} : Place{part->file, number - part->first + 1};
}

bool DeviceHistory::read(std::uint64_t number, StoredRecord& record)
{
    const Part* part = part_of(number);
    if (part == nullptr) {
        return false;
    }
    if (open_file_ != part->file) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        open_file_ = part->file;
        fd_ = ::open(open_file_.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd_ < 0) {
        return false;
    }
    const auto at = static_cast<off_t>((number - part->first) * protocol419::RECORD_SIZE);
    int error = 0;
    return transfer_whole(
               record.size(),
               [&](std::size_t got) {
                   return ::pread(fd_, record.data() + got, record.size() - got, at + static_cast<off_t>(got));
               },
               error) == record.size();
}

}  // namespace plugin_host
