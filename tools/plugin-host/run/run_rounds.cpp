#include "tools/plugin-host/run/run_rounds.h"

#include <cstring>

namespace plugin_host {

void RoundCollector::write_history_to(const std::string& name, int keep_days, const std::string& keep_option,
                                      std::time_t device_now, HistoryFile::Say say)
{
    history_ = std::make_unique<DatedHistory>(name, keep_days, keep_option, device_now, std::move(say));
}

void RoundCollector::on_send_sp(int, const unsigned char* record, unsigned int length, bool)
{
    if (record == nullptr || length != sizeof record_) {
        return;
    }
    std::memcpy(&record_, record, sizeof record_);
    has_record_ = true;
    stored_ = history_ && history_->append(record);
}

void RoundCollector::on_check_threshold_bool(int level, const std::string& key, const std::string& id,
                                             const std::string& desc, const std::string& name, bool state,
                                             unsigned short)
{
    reports_.push_back({level, key, id, desc, name, state});
}

void RoundCollector::begin_round()
{
    has_record_ = false;
    stored_ = false;
    reports_.clear();
}

RoundView RoundCollector::end_round(unsigned number, bool completed, int replies, int faults)
{
    RoundView view;
    view.number = number;
    view.completed = completed;
    view.replies = replies;
    view.faults = faults;
    view.has_record = has_record_;
    view.stored = stored_;
    view.record = record_;
    std::map<AlarmKey, int> seen;
    for (const AlarmReport& report : reports_) {
        int& occurrence = seen[AlarmKey{report.key, report.id, report.name, 0}];
        AlarmReport& known = states_[AlarmKey{report.key, report.id, report.name, occurrence++}];
        if (report.active && !known.active) {
            view.raised.push_back(report);
        } else if (!report.active && known.active) {
            view.cleared.push_back(report);
        }
        known = report;
    }
    for (const auto& state : states_) {
        view.active += state.second.active ? 1 : 0;
    }
    return view;
}

}  // namespace plugin_host
