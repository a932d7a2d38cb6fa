#include "testbed/decoder_cases.h"

#include "testbed/site_scenario.h"

namespace site_scenario {

std::vector<decoder_case> decoder_cases()
{
    // DC replies of the counted format: flag byte, unit count, first unit block, second unit block.
    constexpr int first_unit = 2;
    const auto dc_analog = dc_analog_info(0);
    const auto dc_alarms = dc_alarms_info(0);
    // Both units of the site send blocks of the same size.
    const int analog_block = static_cast<int>((dc_analog.size() - first_unit) / DC_UNITS);
    const int alarm_block = static_cast<int>((dc_alarms.size() - first_unit) / DC_UNITS);

    return {
        {"parse40_41", &qorv52_419::parse40_41, ac_analog_info(0), 1},
        {"parse40_43", &qorv52_419::parse40_43, ac_status_info(0), 1},
        {"parse40_44", &qorv52_419::parse40_44, ac_alarms_info(0), 1},
        {"parse41_41", &qorv52_419::parse41_41, rectifier_analog_info(0), 0},
        {"parse41_43", &qorv52_419::parse41_43, rectifier_status_info(0), 0},
        {"parse41_44", &qorv52_419::parse41_44, rectifier_alarms_info(0), 0},
        {"parse42_41", &qorv52_419::parse42_41, dc_analog, first_unit},
        {"parse42_41_2", &qorv52_419::parse42_41_2, dc_analog, first_unit + analog_block},
        {"parse42_44", &qorv52_419::parse42_44, dc_alarms, first_unit},
        {"parse42_44_2", &qorv52_419::parse42_44_2, dc_alarms, first_unit + alarm_block},
    };
}

}  // namespace site_scenario
