#include "tools/plugin-host/report/report_history.h"

#include <stdexcept>

#include "tools/plugin-host/common/record_view.h"

namespace plugin_host {

void for_each_record(const std::vector<std::string>& paths,
                     const std::function<void(const std::uint8_t*, RecordPlace)>& visit,
                     const std::function<void(const std::string&)>& warn)
{
    StoredRecord record;
    for (std::size_t file_index = 0; file_index < paths.size(); ++file_index) {
        const std::string& path = paths[file_index];
        std::ifstream file = open_record_file(path);
        RecordStream records(file, false);
        RecordPlace place{file_index, 0};
        for (; records.next(record); ++place.index) {
            visit(record.data(), place);
        }
        if (!records.error().empty()) {
            throw std::runtime_error("error reading " + path);
        }
        if (records.bytes_read() == 0) {
            // A day file of a run that stopped before its first record holds
            // nothing; alone it is not a history.
            if (paths.size() == 1) {
                throw std::invalid_argument(path + " is empty: it holds no record");
            }
            warn(path + " is empty: left out");
        }
        if (records.left_over() != 0) {
            warn(path + " ends in " + std::to_string(records.left_over()) +
                 " byte(s) of an unfinished record: left out");
        }
    }
}

HistoryFiles::HistoryFiles(const std::vector<std::string>& paths) : paths_(paths)
{
    files_.reserve(paths.size());
    for (const std::string& path : paths) {
        files_.push_back(open_record_file(path));
        streams_.push_back(std::make_unique<RecordStream>(files_.back(), false));
    }
}

const StoredRecord& HistoryFiles::read(RecordPlace place)
{
    if (!streams_.at(place.file)->at(place.index, record_)) {
        throw std::runtime_error("cannot read record " + std::to_string(place.index) + " of " + paths_[place.file] +
                                 " again: did the file change while the report was written?");
    }
    return record_;
}

std::optional<std::int64_t> record_time_ms(const std::uint8_t* record)
{
    const protocol419::round_time time = RecordView(record).round_time();
    if (!time.calendar_date()) {
        return std::nullopt;
    }
    return time.seconds_since_1970() * 1000;
}

}  // namespace plugin_host
