// The system alarm rules, judged after every completed round.
#include "alarms/system_rules.h"
#include "device/host_alarm_reporter.h"
#include "device/pmbuspower_419.h"
#include "protocol419/record.h"

template <class Data, int TypeId>
void pmbuspower_419<Data, TypeId>::RunCheckThreshold()
{
    const alarms::system_settings settings{this->b_mode_, has_ac, has_dc, has_a, has_b, has_c};
    device::host_alarm_reporter reporter(*this);
    alarms::check_system_rules(this->data_, settings, this->level_map_, this->threshold_map_, reporter);
}

template void pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::RunCheckThreshold();
