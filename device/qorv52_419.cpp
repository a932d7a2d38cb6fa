#include "device/qorv52_419.h"

#include "alarms/model_rules.h"
#include "device/host_alarm_reporter.h"

qorv52_419::qorv52_419()
{
    device_type_ = "qorv52_419";
    baud_rate_ = 9600;
    option_byte_ = 1;
    protocol_version_ = 0x20;
}

qorv52_419::~qorv52_419() = default;

void qorv52_419::RunCheckThreshold()
{
    pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::RunCheckThreshold();
    device::host_alarm_reporter reporter(*this);
    alarms::check_model_rules(data_, has_ac, alarm_seq_, reporter);
}
