// A device's history under a name that may carry the device's date: the
// published record goes to the file of the day of its round time (the
// device's clock, not the host's), and a new file starts when that day
// changes. Each day file keeps HistoryFile's guarantees. With a number of
// days to keep, the device's day files more than that many days before its
// current day are removed when the history opens and whenever the day
// changes; no other file is touched.
#pragma once

#include <ctime>
#include <memory>
#include <string>

#include "tools/plugin-host/run/history_file.h"
#include "tools/plugin-host/run/history_name.h"

namespace plugin_host {

class DatedHistory {
public:
    // Opens the file of the day `device_now` (local time) falls on.
    // `keep_days`: 0 keeps every file; otherwise the name is daily and
    // `keep_option` is how the user said it, for the messages. Throws
    // std::runtime_error when the file cannot be opened.
    DatedHistory(const std::string& name, int keep_days, std::string keep_option, std::time_t device_now,
                 HistoryFile::Say say);

    // Appends one record to the file of its day. A record without a calendar
    // date goes to the file of the last day used. False when it could not be
    // written (said once, tried again with the next record).
    bool append(const unsigned char* record);

private:
    // Opens the file of `day` in place of the present one; false when it
    // cannot be opened (said once for each file).
    bool open_day(const protocol419::round_time& day);
    // Removes the day files more than keep_days_ before `today`.
    void remove_old(const protocol419::round_time& today);

    HistoryName name_;
    int keep_days_;
    std::string keep_option_;
    HistoryFile::Say say_;
    protocol419::round_time day_;
    std::string day_name_;
    std::unique_ptr<HistoryFile> file_;
    std::string refused_;  // the day file that could not be opened, said once
};

}  // namespace plugin_host
