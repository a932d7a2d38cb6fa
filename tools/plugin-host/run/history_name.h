// The name of a device's history, which may carry the device's date: in
// hist/%Y-%m-%d.bin, %Y is the year (four digits), %m the month and %d the
// day (two digits), and %% a percent sign. Only the file's own name may
// carry them; its folder is one folder that must exist. A name with all
// three gives one file a day, whose age the name tells.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "protocol419/round_time.h"

namespace plugin_host {

// The most days of history files a device may be told to keep: a century.
constexpr int MAX_KEEP_DAYS = 36500;

// Refuses a name that its user gave (before a site's folder is put in front)
// with std::invalid_argument saying why: a conversion other than %Y, %m, %d
// and %%, or one in a folder's name.
void check_history_name(const std::string& name);

class HistoryName {
public:
    // A checked name, with its folder (taken as it is) in front.
    explicit HistoryName(std::string name);

    // The name carries part of a date.
    bool dated() const { return dated_; }
    // The name carries the whole date: one file a day.
    bool daily() const { return daily_; }

    // The file's name for the day of `time`.
    std::string for_day(const protocol419::round_time& time) const;
    // The folder that holds the files ("." for a name without one).
    const std::string& folder() const { return folder_; }
    // A file of that folder, by its name there, as the name was given.
    std::string in_folder(const std::string& file_name) const { return prefix_ + file_name; }
    // The day of a file in the folder whose name this pattern gives for some
    // calendar day; nothing for any other name. Daily names only.
    std::optional<protocol419::round_time> day_of(const std::string& file_name) const;
    // The files of the folder that this name gives, oldest first: the one
    // file of an undated name when it is there; for a dated one, each file
    // whose name it gives for some date, in the order of their dates.
    std::vector<std::string> files() const;
    // A file beside the history that stands for all its files: the name
    // with its date part left out (hist/east-1-%Y-%m-%d.bin and `.state`
    // give hist/east-1.state), or for an undated name the name with `suffix`
    // after it.
    std::string beside(const std::string& suffix) const;

private:
    // The date fields a file name gives (0 for those the name has not).
    std::optional<protocol419::round_time> date_of(const std::string& file_name) const;

    std::string folder_;   // "." for none
    std::string prefix_;   // the folder with its slash, as given: "" for none
    std::string file_;     // the file's own name, with its conversions
    bool dated_ = false;
    bool daily_ = false;
};

}  // namespace plugin_host
