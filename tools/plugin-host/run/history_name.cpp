#include "tools/plugin-host/run/history_name.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <utility>

#include <dirent.h>
#include <sys/stat.h>
#include <stdexcept>

namespace plugin_host {

namespace {

// The digits a conversion takes in a name.
int width_of(char conversion) { return conversion == 'Y' ? 4 : 2; }

}  // namespace

void check_history_name(const std::string& name)
{
    const std::size_t slash = name.rfind('/');
    if (slash != std::string::npos && name.find('%') < slash) {
        throw std::invalid_argument("\"" + name.substr(0, slash) +
                                    "\": a folder's name carries no date or %; only the file's own name may");
    }
    for (std::size_t i = name.find('%'); i != std::string::npos; i = name.find('%', i + 2)) {
        const char conversion = i + 1 < name.size() ? name[i + 1] : '\0';
        if (conversion != 'Y' && conversion != 'm' && conversion != 'd' && conversion != '%') {
            throw std::invalid_argument("\"" + name.substr(i, conversion == '\0' ? 1 : 2) +
                                        "\" is not taken: a history name may carry %Y, %m, %d and %% only");
        }
    }
}

HistoryName::HistoryName(std::string name)
{
    const std::size_t slash = name.rfind('/');
    if (slash == std::string::npos) {
        folder_ = ".";
        file_ = std::move(name);
    } else {
        prefix_ = name.substr(0, slash + 1);
        folder_ = slash == 0 ? "/" : name.substr(0, slash);
        file_ = name.substr(slash + 1);
    }
    bool has[3] = {false, false, false};
    for (std::size_t i = file_.find('%'); i != std::string::npos && i + 1 < file_.size();
         i = file_.find('%', i + 2)) {
        has[0] = has[0] || file_[i + 1] == 'Y';
        has[1] = has[1] || file_[i + 1] == 'm';
        has[2] = has[2] || file_[i + 1] == 'd';
    }
    dated_ = has[0] || has[1] || has[2];
    daily_ = has[0] && has[1] && has[2];
}

std::string HistoryName::for_day(const protocol419::round_time& time) const
{
    std::string name = prefix_;
    for (std::size_t i = 0; i < file_.size(); ++i) {
        if (file_[i] != '%' || i + 1 == file_.size()) {
            name += file_[i];
            continue;
        }
        const char conversion = file_[++i];
        if (conversion == '%') {
            name += '%';
            continue;
        }
        char digits[16];
        const unsigned value = conversion == 'Y' ? time.year : conversion == 'm' ? time.month : time.day;
        std::snprintf(digits, sizeof digits, "%0*u", width_of(conversion), value);
        name += digits;
    }
    return name;
}

std::optional<protocol419::round_time> HistoryName::day_of(const std::string& file_name) const
{
    std::optional<protocol419::round_time> day = date_of(file_name);
    if (!day || !day->calendar_date()) {
        return std::nullopt;
    }
    return day;
}

std::vector<std::string> HistoryName::files() const
{
    std::vector<std::string> found;
    if (!dated_) {
        struct stat status {};
        if (::stat((prefix_ + file_).c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
            found.push_back(prefix_ + file_);
        }
        return found;
    }
    std::vector<std::pair<std::tuple<unsigned, unsigned, unsigned>, std::string>> dated;
    if (DIR* folder = ::opendir(folder_.c_str())) {
        while (const dirent* entry = ::readdir(folder)) {
            if (const std::optional<protocol419::round_time> date = date_of(entry->d_name)) {
                dated.push_back({{date->year, date->month, date->day}, entry->d_name});
            }
        }
        ::closedir(folder);
    }
    std::sort(dated.begin(), dated.end());
    for (const auto& file : dated) {
        found.push_back(prefix_ + file.second);
    }
    return found;
}

std::string HistoryName::beside(const std::string& suffix) const
{
    if (!dated_) {
        return prefix_ + file_ + suffix;
    }
    std::string stem = file_.substr(0, file_.find('%'));
    while (!stem.empty() && (stem.back() == '-' || stem.back() == '_' || stem.back() == '.')) {
        stem.pop_back();
    }
    return prefix_ + (stem.empty() ? "history" : stem) + suffix;
}

std::optional<protocol419::round_time> HistoryName::date_of(const std::string& file_name) const
{
    protocol419::round_time day;
    std::size_t at = 0;
    for (std::size_t i = 0; i < file_.size(); ++i) {
        if (file_[i] != '%' || i + 1 == file_.size() || file_[i + 1] == '%') {
            const char literal = file_[i];
            if (literal == '%' && i + 1 < file_.size()) {
                ++i;
            }
            if (at == file_name.size() || file_name[at++] != literal) {
                return std::nullopt;
            }
            continue;
        }
        const char conversion = file_[++i];
        unsigned value = 0;
        for (int digit = 0; digit < width_of(conversion); ++digit, ++at) {
            if (at == file_name.size() || file_name[at] < '0' || file_name[at] > '9') {
                return std::nullopt;
            }
            value = value * 10 + static_cast<unsigned>(file_name[at] - '0');
        }
        (conversion == 'Y' ? day.year : conversion == 'm' ? day.month : day.day) = value;
    }
    if (at != file_name.size()) {
        return std::nullopt;
    }
    return day;
}

}  // namespace plugin_host
