#include "fuzz/support/record_regions.h"

#include <cstddef>
#include <cstring>

#include "fuzz/support/checking_host.h"

namespace fuzz {

namespace {

using protocol419::ac_channel_block;
using protocol419::ac_section;
using protocol419::dc_unit_block;
using protocol419::rectifier_module_block;
using protocol419::rectifier_section;

// Marks the bytes of the fields from `first` up to and including `last`.
void mark(record_region& region, std::size_t base, std::size_t first, std::size_t last, std::size_t last_width)
{
    for (std::size_t offset = base + first; offset < base + last + last_width; ++offset) {
        region.set(offset);
    }
}

constexpr std::size_t AC = offsetof(qorv52_419_Data_t, ac);
constexpr std::size_t RC = offsetof(qorv52_419_Data_t, rc);
constexpr std::size_t DC1 = offsetof(qorv52_419_Data_t, dc);
constexpr std::size_t DC2 = offsetof(qorv52_419_Data_t, dc2);

std::size_t ac_channel(unsigned i) { return AC + offsetof(ac_section, acChannel) + i * sizeof(ac_channel_block); }
std::size_t rc_module(unsigned i)
{
    return RC + offsetof(rectifier_section, rcChannel) + i * sizeof(rectifier_module_block);
}

record_region dc_analog_fields(std::size_t unit)
{
    record_region region;
    mark(region, unit, offsetof(dc_unit_block, out_v), offsetof(dc_unit_block, p), sizeof(dc_unit_block::p));
    return region;
}

record_region dc_alarm_fields(std::size_t unit)
{
    record_region region;
    mark(region, unit, offsetof(dc_unit_block, out_v_alert), offsetof(dc_unit_block, alert_p),
         sizeof(dc_unit_block::alert_p));
    return region;
}

}  // namespace

record_region written_by(reply_decoder decoder)
{
    record_region region;
    switch (decoder) {
    case reply_decoder::ac_analog:
        mark(region, AC, offsetof(ac_section, ia), offsetof(ac_section, channel_count), 1);
        for (unsigned i = 0; i < protocol419::AC_CHANNEL_BLOCKS; ++i) {
            mark(region, ac_channel(i), offsetof(ac_channel_block, a), offsetof(ac_channel_block, p40_41_count), 1);
        }
        break;
    case reply_decoder::ac_status:
        mark(region, AC, offsetof(ac_section, airlock_count), offsetof(ac_section, p40_43),
             sizeof(ac_section::p40_43));
        break;
    case reply_decoder::ac_alarms:
        mark(region, AC, offsetof(ac_section, ia_alarm), offsetof(ac_section, ic_alarm), 1);
        for (unsigned i = 0; i < protocol419::AC_CHANNEL_BLOCKS; ++i) {
            mark(region, ac_channel(i), offsetof(ac_channel_block, a_alarm), offsetof(ac_channel_block, p40_44),
                 sizeof(ac_channel_block::p40_44));
        }
        break;
    case reply_decoder::rc_analog:
        mark(region, RC, offsetof(rectifier_section, out_v), offsetof(rectifier_section, channel_count), 1);
        for (unsigned i = 0; i < protocol419::RECTIFIER_MODULE_BLOCKS; ++i) {
            mark(region, rc_module(i), offsetof(rectifier_module_block, current),
                 offsetof(rectifier_module_block, p41_41), sizeof(rectifier_module_block::p41_41));
        }
        break;
    case reply_decoder::rc_status:
        for (unsigned i = 0; i < protocol419::RECTIFIER_MODULE_BLOCKS; ++i) {
            mark(region, rc_module(i), offsetof(rectifier_module_block, state_1),
                 offsetof(rectifier_module_block, p41_43_count), 1);
        }
        break;
    case reply_decoder::rc_alarms:
        for (unsigned i = 0; i < protocol419::RECTIFIER_MODULE_BLOCKS; ++i) {
            mark(region, rc_module(i), offsetof(rectifier_module_block, alarm),
                 offsetof(rectifier_module_block, p41_44), sizeof(rectifier_module_block::p41_44));
        }
        break;
    case reply_decoder::dc_analog:
        return dc_analog_fields(DC1);
    case reply_decoder::dc2_analog:
        return dc_analog_fields(DC2);
    case reply_decoder::dc_alarms:
        return dc_alarm_fields(DC1);
    case reply_decoder::dc2_alarms:
        return dc_alarm_fields(DC2);
    }
    return region;
}

record_region data_id_region()
{
    record_region region;
    mark(region, offsetof(qorv52_419_Data_t, data_id), 0, 0, sizeof(qorv52_419_Data_t::data_id));
    return region;
}

record_region round_time_region()
{
    record_region region;
    mark(region, offsetof(qorv52_419_Data_t, round_time), 0, 0, sizeof(qorv52_419_Data_t::round_time));
    return region;
}

record_region reserved_region()
{
    record_region region;
    mark(region, offsetof(qorv52_419_Data_t, reserved_4), 0, 0, sizeof(qorv52_419_Data_t::reserved_4));
    mark(region, AC, offsetof(ac_section, reserved_28), offsetof(ac_section, reserved_28),
         sizeof(ac_section::reserved_28));
    mark(region, offsetof(qorv52_419_Data_t, reserved_734), 0, 0, sizeof(qorv52_419_Data_t::reserved_734));
    mark(region, DC1, offsetof(dc_unit_block, reserved), offsetof(dc_unit_block, reserved),
         sizeof(dc_unit_block::reserved));
    mark(region, offsetof(qorv52_419_Data_t, reserved_872), 0, 0, sizeof(qorv52_419_Data_t::reserved_872));
    mark(region, DC2, offsetof(dc_unit_block, reserved), offsetof(dc_unit_block, reserved),
         sizeof(dc_unit_block::reserved));
    return region;
}

void check_regions()
{
    std::size_t covered = data_id_region().count() + round_time_region().count() + reserved_region().count();
    record_region all = data_id_region() | round_time_region() | reserved_region();
    for (int d = 0; d < REPLY_DECODERS; ++d) {
        const record_region region = written_by(static_cast<reply_decoder>(d));
        covered += region.count();
        all |= region;
    }
    FUZZ_CHECK(all.all() && covered == all.size(), "record regions overlap or leave gaps (%zu bytes marked)",
               covered);
}

int first_change_outside(const qorv52_419_Data_t& before, const qorv52_419_Data_t& after,
                         const record_region& allowed)
{
    unsigned char a[sizeof before];
    unsigned char b[sizeof after];
    std::memcpy(a, &before, sizeof a);
    std::memcpy(b, &after, sizeof b);
    for (std::size_t offset = 0; offset < sizeof a; ++offset) {
        if (a[offset] != b[offset] && !allowed.test(offset)) {
            return static_cast<int>(offset);
        }
    }
    return -1;
}

}  // namespace fuzz
