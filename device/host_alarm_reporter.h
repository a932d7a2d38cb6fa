// Hands the verdicts of the alarm rules to the daemon as boolean alarm reports.
#pragma once

#include <string>

#include "alarms/alarm_reporter.h"
#include "host/smd_v_device.h"

namespace device {

class host_alarm_reporter final : public alarms::alarm_reporter {
public:
    explicit host_alarm_reporter(SMDVDevice& host) : host_(host) {}

    void report(int level, const std::string& key, const std::string& id, const std::string& desc,
                const std::string& name, bool state, unsigned short seq) override
    {
        host_.CheckThresholdBool(level, key, id, desc, name, state, seq);
    }

private:
    SMDVDevice& host_;
};

}  // namespace device
