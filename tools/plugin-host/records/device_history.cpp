#include "tools/plugin-host/records/device_history.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plugin_host {

DeviceHistory::DeviceHistory(std::string history) : history_(std::move(history)) {}

DeviceHistory::~DeviceHistory()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::vector<std::string> DeviceHistory::files() const { return {history_}; }

std::uint64_t DeviceHistory::count()
{
    std::uint64_t records = 0;
    for (const std::string& file : files()) {
        struct stat status {};
        if (::stat(file.c_str(), &status) == 0) {
            records += static_cast<std::uint64_t>(status.st_size) / protocol419::RECORD_SIZE;
        }
    }
    return records;
}

bool DeviceHistory::read(std::uint64_t number, StoredRecord& record)
{
    if (number == 0) {
        return false;
    }
    if (fd_ < 0) {
        fd_ = ::open(files().front().c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) {
            return false;
        }
    }
    const auto at = static_cast<off_t>((number - 1) * protocol419::RECORD_SIZE);
    std::size_t got = 0;
    while (got < record.size()) {
        const ssize_t result = ::pread(fd_, record.data() + got, record.size() - got, at + static_cast<off_t>(got));
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(result);
    }
    return true;
}

}  // namespace plugin_host
