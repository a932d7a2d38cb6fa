#include "tools/plugin-host/run/dated_history.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include "protocol419/record.h"
#include "tools/plugin-host/common/record_view.h"

namespace plugin_host {

namespace {

std::int64_t day_number(const protocol419::round_time& day)
{
    return protocol419::round_time{day.year, day.month, day.day, 0, 0, 0}.seconds_since_1970() / 86400;
}

std::string date_text(const protocol419::round_time& day)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", day.year, day.month, day.day);
    return text;
}

}  // namespace

DatedHistory::DatedHistory(const std::string& name, int keep_days, std::string keep_option, std::time_t device_now,
                           HistoryFile::Say say)
    : name_(name), keep_days_(keep_days), keep_option_(std::move(keep_option)), say_(std::move(say))
{
    std::tm local{};
    ::localtime_r(&device_now, &local);
    const protocol419::round_time today{static_cast<unsigned>(local.tm_year + 1900),
                                        static_cast<unsigned>(local.tm_mon + 1), static_cast<unsigned>(local.tm_mday)};
    // At start a file that cannot be opened is the user's to fix: say so now.
    day_ = today;
    day_name_ = name_.for_day(today);
    file_ = std::make_unique<HistoryFile>(day_name_, sizeof(qorv52_419_Data_t), say_);
    remove_old(today);
}

bool DatedHistory::append(const unsigned char* record)
{
    const protocol419::round_time time = RecordView(record).round_time();
    const protocol419::round_time day = time.calendar_date() ? time : day_;
    if ((!file_ || name_.for_day(day) != day_name_) && !open_day(day)) {
        return false;
    }
    return file_->append(record);
}

bool DatedHistory::open_day(const protocol419::round_time& day)
{
    const std::string name = name_.for_day(day);
    const bool new_day = name != day_name_;
    day_ = day;
    day_name_ = name;
    file_.reset();
    try {
        file_ = std::make_unique<HistoryFile>(name, sizeof(qorv52_419_Data_t), say_);
    } catch (const std::runtime_error& error) {
        if (refused_ != name) {
            say_(std::string(error.what()) + "; polling goes on, and each new record tries it again");
            refused_ = name;
        }
        return false;
    }
    refused_.clear();
    if (new_day) {
        remove_old(day);
    }
    return true;
}

void DatedHistory::remove_old(const protocol419::round_time& today)
{
    if (keep_days_ == 0) {
        return;
    }
    DIR* folder = ::opendir(name_.folder().c_str());
    if (folder == nullptr) {
        say_("cannot read the folder " + name_.folder() + " to remove old day files: " + std::strerror(errno));
        return;
    }
    const std::int64_t oldest_kept = day_number(today) - keep_days_;
    while (const dirent* entry = ::readdir(folder)) {
        const std::optional<protocol419::round_time> day = name_.day_of(entry->d_name);
        if (!day || day_number(*day) >= oldest_kept) {
            continue;
        }
        const std::string path = name_.in_folder(entry->d_name);
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
            continue;
        }
        if (::unlink(path.c_str()) == 0) {
            say_("removed " + path + ", the history of " + date_text(*day) + ": more than " +
                 std::to_string(keep_days_) + (keep_days_ == 1 ? " day" : " days") + " before " + date_text(today) +
                 " (" + keep_option_ + ")");
        } else {
            say_("cannot remove the old history file " + path + ": " + std::strerror(errno));
        }
    }
    ::closedir(folder);
}

}  // namespace plugin_host
