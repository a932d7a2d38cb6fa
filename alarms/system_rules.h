// The alarm rules of the -48 V power system as a whole: the input power
// interruption rule (mode 1), or the AC input voltage and frequency rules and
// the DC output voltage rules (mode 2).
#pragma once

#include <map>
#include <string>

#include "alarms/alarm_reporter.h"
#include "protocol419/record.h"

namespace alarms {

struct system_settings {
    int mode;     // 1 power-off rule, 2 threshold rules, anything else no rule
    bool has_ac;  // AC distribution present
    bool has_dc;  // DC distribution judged
    bool has_a;   // phase A (B, C) present on the AC inputs
    bool has_b;
    bool has_c;
};

// Signal identifier to alarm level; level 0 (or absent) switches a rule off.
using level_map = std::map<std::string, int>;
// Signal identifier to limit of the frequency and DC rules.
using threshold_map = std::map<std::string, float>;

// Judges the record and reports every rule the settings switch on, in rule
// order. Identifiers looked up in the maps and missing there are added with 0,
// as the daemon's own tables expect.
void check_system_rules(const qorv52_419_Data_t& record, const system_settings& settings, level_map& levels,
                        threshold_map& thresholds, alarm_reporter& reporter);

}  // namespace alarms
