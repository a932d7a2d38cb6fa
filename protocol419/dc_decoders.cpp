#include "protocol419/dc_decoders.h"

#include <algorithm>
#include <cstdio>

#include "protocol419/info_cursor.h"
#include "protocol419/value_rules.h"

namespace protocol419 {

int parse_dc_analog(dc_unit_block& dc, std::int32_t current_factor, const std::uint8_t* data, int len)
{
    info_cursor in(data, len);
    if (!in.bytes(dc.out_v.bytes, sizeof dc.out_v.bytes)) {
        return -1;
    }
    f32_le load_current;
    if (!in.bytes(load_current.bytes, sizeof load_current.bytes)) {
        return -1;
    }
    // The configured factor scales the load current for the site. At the
    // default of 1 the current stays exactly as sent: multiplying by 1 could
    // still rewrite the bits of a NaN on some floating-point units.
    if (current_factor == 1) {
        dc.out_i = load_current;
    } else {
        dc.out_i.set(load_current.get() * static_cast<float>(current_factor));
    }
    std::printf("parse42_41 %f %f\n", static_cast<double>(dc.out_v.get()), static_cast<double>(dc.out_i.get()));

    std::uint8_t battery_count;
    if (!in.byte(battery_count)) {
        return -1;
    }
    dc.m_count = battery_count;
    if (battery_count > dc_unit_block::M_SIZE()) {
        in.skip(4u * battery_count);
    } else {
        for (unsigned i = 0; i < battery_count; ++i) {
            if (!in.bytes(dc.m[i].bytes, sizeof dc.m[i].bytes)) {
                return -1;
            }
        }
    }

    // The record has no slots for branch currents: only their count is kept.
    std::uint8_t branch_count;
    if (!in.byte(branch_count)) {
        return -1;
    }
    dc.n_count = branch_count;
    in.skip(4u * branch_count);

    std::uint8_t user_count;
    if (!in.byte(user_count)) {
        return -1;
    }
    dc.p_count = user_count;
    if (user_count > dc_unit_block::P_SIZE()) {
        // An oversized list cannot be placed; the rest of INFO counts as consumed.
        return len;
    }
    for (unsigned i = 0; i < user_count; ++i) {
        raw_value raw;
        if (!in.bytes(raw, sizeof raw)) {
            return -1;
        }
        dc.p[i] = marker_rule(raw);
    }
    return in.consumed_or_short();
}

int parse_dc_alarms(dc_unit_block& dc, const std::uint8_t* data, int len)
{
    info_cursor in(data, len);
    if (!in.byte(dc.out_v_alert)) {
        return -1;
    }
    std::uint8_t switch_count;
    if (!in.byte(switch_count)) {
        return -1;
    }
    dc.alert_m_count = switch_count;
    // Oversized alarm lists keep their first bytes; the rest is stepped over.
    const unsigned switches_kept = std::min<unsigned>(switch_count, dc_unit_block::ALERT_M_SIZE());
    if (!in.bytes(dc.alert_m, switches_kept)) {
        return -1;
    }
    in.skip(switch_count - switches_kept);

    std::uint8_t user_count;
    if (!in.byte(user_count)) {
        return -1;
    }
    dc.alert_p_count = user_count;
    const unsigned user_kept = std::min<unsigned>(user_count, dc_unit_block::ALERT_P_SIZE());
    if (!in.bytes(dc.alert_p, user_kept)) {
        return -1;
    }
    in.skip(user_count - user_kept);
    return in.consumed_or_short();
}

}  // namespace protocol419
