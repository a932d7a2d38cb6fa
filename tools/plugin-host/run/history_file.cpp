#include "tools/plugin-host/run/history_file.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/plugin-host/common/whole_transfer.h"

namespace plugin_host {

HistoryFile::HistoryFile(const std::string& path, std::size_t record_size, Say say)
    : path_(path), record_size_(record_size), say_(std::move(say))
{
    // A file size limit then makes a write fail with EFBIG, as a full disk
    // fails it, instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    struct stat status {};
    if (fd_ < 0 || ::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode)) {
        const std::string why = fd_ < 0 ? std::strerror(errno) : "not a regular file";
        if (fd_ >= 0) {
            ::close(fd_);
        }
        throw std::runtime_error("cannot open the history file " + path + ": " + why);
    }
    // One writer: a second program appending would interleave two power
    // systems' records that nobody could tell apart.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        throw std::runtime_error("the history file " + path + " is in use: another program appends to it");
    }
    const auto size = static_cast<long long>(status.st_size);
    const long long torn = size % static_cast<long long>(record_size_);
    size_ = size - torn;
    if (torn != 0) {
        if (!cut_to(size_)) {
            const std::string why = std::strerror(errno);
            ::close(fd_);
            throw std::runtime_error("cannot cut the torn tail of the history file " + path + ": " + why);
        }
        say_(path_ + ": dropped a torn tail of " + std::to_string(torn) + (torn == 1 ? " byte" : " bytes") +
             " (a record cut short); the file holds " + std::to_string(size_ / static_cast<long long>(record_size_)) +
             " whole records");
    }
}

HistoryFile::~HistoryFile()
{
    if (lost_run_ != 0) {
        say_(path_ + ": " + std::to_string(lost_run_) + (lost_run_ == 1 ? " record was" : " records were") +
             " not written since appending failed");
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool HistoryFile::cut_to(long long size)
{
    int result;
    do {
        result = ::ftruncate(fd_, static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

bool HistoryFile::append(const unsigned char* record)
{
    int error = 0;
    // Written at the end of the whole records, not at the file's end: a tail
    // that could not be cut off before is written over.
    const std::size_t written = transfer_whole(
        record_size_,
        [&](std::size_t done) {
            return ::pwrite(fd_, record + done, record_size_ - done,
                            static_cast<off_t>(size_ + static_cast<long long>(done)));
        },
        error);
    if (written == record_size_) {
        size_ += static_cast<long long>(record_size_);
        if (lost_run_ != 0) {
            say_(path_ + ": appending again; " + std::to_string(lost_run_) +
                 (lost_run_ == 1 ? " record was" : " records were") + " not written");
            lost_run_ = 0;
        }
        return true;
    }
    if (written != 0) {
        cut_to(size_);
    }
    if (lost_run_++ == 0) {
        say_("cannot append to the history file " + path_ + " (" + std::strerror(error) +
             "); polling goes on, and each new record is tried again");
    }
    ++lost_total_;
    return false;
}

}  // namespace plugin_host
