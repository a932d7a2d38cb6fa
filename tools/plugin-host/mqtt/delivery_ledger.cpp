#include "tools/plugin-host/mqtt/delivery_ledger.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

#include "tools/plugin-host/common/whole_transfer.h"

namespace plugin_host {

namespace {

bool write_all(int fd, const std::string& text)
{
    int error = 0;
    return transfer_whole(
               text.size(), [&](std::size_t done) { return ::write(fd, text.data() + done, text.size() - done); },
               error) == text.size();
}

}  // namespace

std::optional<LedgerState> DeliveryLedger::load() const
{
    std::ifstream in(path_);
    if (!in) {
        return std::nullopt;
    }
    LedgerState state;
    std::string stored, acknowledged, newest;
    unsigned long long numbers[3] = {};
    if (!(in >> stored >> numbers[0] >> acknowledged >> numbers[1]) || stored != "stored" ||
        acknowledged != "acknowledged" || numbers[1] > numbers[0]) {
        throw std::runtime_error(path_ + " is not the publishing state of a history (\"stored N\", \"acknowledged "
                                         "M\"); move it away to publish only new records");
    }
    state.stored = numbers[0];
    state.acknowledged = numbers[1];
    if (in >> newest >> numbers[2] && newest == "newest") {
        in.get();
        std::getline(in, state.newest_file);
        state.newest_records = numbers[2];
    }
    return state;
}

bool DeliveryLedger::store(const LedgerState& state) const
{
    const std::string temporary = path_ + ".new";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written = write_all(fd, "stored " + std::to_string(state.stored) + "\nacknowledged " +
                                                 std::to_string(state.acknowledged) + "\n" +
                                                 (state.newest_file.empty()
                                                      ? std::string()
                                                      : "newest " + std::to_string(state.newest_records) + " " +
                                                            state.newest_file + "\n")) && ::fsync(fd) == 0;
    const int saved = errno;
    ::close(fd);
    if (!written || std::rename(temporary.c_str(), path_.c_str()) != 0) {
        errno = written ? errno : saved;
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const std::size_t slash = path_.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace plugin_host
