// The alarm rules of this power-system model on the protocol's user-defined
// alarm bytes: per AC input the breaker trip, input power failure and surge
// protector failure; per rectifier module its fault state.
#pragma once

#include "alarms/alarm_reporter.h"
#include "protocol419/record.h"

namespace alarms {

// Reports the rules of every counted AC input (when `has_ac`) and every
// counted rectifier module whose user-defined bytes came complete. Each report
// takes the next number of `seq`, which counts on across the calls of a round.
void check_model_rules(const qorv52_419_Data_t& record, bool has_ac, unsigned short& seq, alarm_reporter& reporter);

}  // namespace alarms
