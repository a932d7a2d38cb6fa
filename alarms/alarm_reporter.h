// Where the alarm rules send their verdicts. The device hands the reports on
// to the daemon; the rules themselves know nothing of the daemon.
#pragma once

#include <string>

namespace alarms {

class alarm_reporter {
public:
    virtual ~alarm_reporter() = default;

    // One boolean alarm state, reported whether the alarm is active or not.
    virtual void report(int level, const std::string& key, const std::string& id, const std::string& desc,
                        const std::string& name, bool state, unsigned short seq) = 0;
};

}  // namespace alarms
