// The measurement record: 1003 bytes, byte-packed, little-endian. It is what
// the device publishes after every round, what the daemon stores as history
// and hands back as cache, so every field stays at its offset for good.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol419/sections.h"

struct qorv52_419_Data_t {
    protocol419::i32_le data_id;
    std::uint8_t reserved_4[4];
    protocol419::ac_section ac;
    protocol419::rectifier_section rc;
    std::uint8_t reserved_734[4];
    protocol419::dc_unit_block dc;
    std::uint8_t round_time[7];
    std::uint8_t reserved_872[4];
    protocol419::dc_unit_block dc2;
};

namespace protocol419 {

constexpr std::size_t RECORD_SIZE = 1003;

static_assert(sizeof(qorv52_419_Data_t) == RECORD_SIZE, "the record is 1003 bytes");
static_assert(alignof(qorv52_419_Data_t) == 1, "the record is byte-packed");

// Record offsets of the sections and blocks.
static_assert(offsetof(qorv52_419_Data_t, data_id) == 0);
static_assert(offsetof(qorv52_419_Data_t, reserved_4) == 4);
static_assert(offsetof(qorv52_419_Data_t, ac) == 8);
static_assert(offsetof(qorv52_419_Data_t, rc) == 89);
static_assert(offsetof(qorv52_419_Data_t, reserved_734) == 734);
static_assert(offsetof(qorv52_419_Data_t, dc) == 738);
static_assert(offsetof(qorv52_419_Data_t, round_time) == 865);
static_assert(offsetof(qorv52_419_Data_t, reserved_872) == 872);
static_assert(offsetof(qorv52_419_Data_t, dc2) == 876);

// AC section fields, as record offsets.
constexpr std::size_t AC = offsetof(qorv52_419_Data_t, ac);
static_assert(AC + offsetof(ac_section, ia) == 8);
static_assert(AC + offsetof(ac_section, ib) == 12);
static_assert(AC + offsetof(ac_section, ic) == 16);
static_assert(AC + offsetof(ac_section, channel_count) == 20);
static_assert(AC + offsetof(ac_section, airlock_count) == 21);
static_assert(AC + offsetof(ac_section, airlock) == 22);
static_assert(AC + offsetof(ac_section, p40_43_count) == 23);
static_assert(AC + offsetof(ac_section, p40_43) == 24);
static_assert(AC + offsetof(ac_section, ia_alarm) == 25);
static_assert(AC + offsetof(ac_section, ib_alarm) == 26);
static_assert(AC + offsetof(ac_section, ic_alarm) == 27);
static_assert(AC + offsetof(ac_section, reserved_28) == 28);
static_assert(AC + offsetof(ac_section, acChannel) == 35);
static_assert(sizeof(ac_section) == 81);

// AC channel block fields, within the block.
static_assert(sizeof(ac_channel_block) == 27);
static_assert(offsetof(ac_channel_block, a) == 0);
static_assert(offsetof(ac_channel_block, b) == 4);
static_assert(offsetof(ac_channel_block, c) == 8);
static_assert(offsetof(ac_channel_block, f) == 12);
static_assert(offsetof(ac_channel_block, p40_41_count) == 16);
static_assert(offsetof(ac_channel_block, a_alarm) == 17);
static_assert(offsetof(ac_channel_block, b_alarm) == 18);
static_assert(offsetof(ac_channel_block, c_alarm) == 19);
static_assert(offsetof(ac_channel_block, f_alarm) == 20);
static_assert(offsetof(ac_channel_block, p40_44_count) == 21);
static_assert(offsetof(ac_channel_block, p40_44) == 22);

// Rectifier section and module block.
constexpr std::size_t RC = offsetof(qorv52_419_Data_t, rc);
static_assert(RC + offsetof(rectifier_section, out_v) == 89);
static_assert(RC + offsetof(rectifier_section, channel_count) == 93);
static_assert(RC + offsetof(rectifier_section, rcChannel) == 94);
static_assert(sizeof(rectifier_section) == 645);
static_assert(sizeof(rectifier_module_block) == 16);
static_assert(offsetof(rectifier_module_block, current) == 0);
static_assert(offsetof(rectifier_module_block, p41_41_count) == 4);
static_assert(offsetof(rectifier_module_block, p41_41) == 5);
static_assert(offsetof(rectifier_module_block, state_1) == 9);
static_assert(offsetof(rectifier_module_block, state_2) == 10);
static_assert(offsetof(rectifier_module_block, state_3) == 11);
static_assert(offsetof(rectifier_module_block, p41_43_count) == 12);
static_assert(offsetof(rectifier_module_block, alarm) == 13);
static_assert(offsetof(rectifier_module_block, p41_44_count) == 14);
static_assert(offsetof(rectifier_module_block, p41_44) == 15);

// DC unit blocks, checked as record offsets of both units.
static_assert(sizeof(dc_unit_block) == 127);
constexpr std::size_t DC1 = offsetof(qorv52_419_Data_t, dc);
constexpr std::size_t DC2 = offsetof(qorv52_419_Data_t, dc2);
static_assert(DC1 + offsetof(dc_unit_block, out_v) == 738 && DC2 + offsetof(dc_unit_block, out_v) == 876);
static_assert(DC1 + offsetof(dc_unit_block, out_i) == 742 && DC2 + offsetof(dc_unit_block, out_i) == 880);
static_assert(DC1 + offsetof(dc_unit_block, m_count) == 746 && DC2 + offsetof(dc_unit_block, m_count) == 884);
static_assert(DC1 + offsetof(dc_unit_block, m) == 747 && DC2 + offsetof(dc_unit_block, m) == 885);
static_assert(DC1 + offsetof(dc_unit_block, n_count) == 763 && DC2 + offsetof(dc_unit_block, n_count) == 901);
static_assert(DC1 + offsetof(dc_unit_block, p_count) == 764 && DC2 + offsetof(dc_unit_block, p_count) == 902);
static_assert(DC1 + offsetof(dc_unit_block, p) == 765 && DC2 + offsetof(dc_unit_block, p) == 903);
static_assert(DC1 + offsetof(dc_unit_block, out_v_alert) == 805 &&
              DC2 + offsetof(dc_unit_block, out_v_alert) == 943);
static_assert(DC1 + offsetof(dc_unit_block, alert_m_count) == 806 &&
              DC2 + offsetof(dc_unit_block, alert_m_count) == 944);
static_assert(DC1 + offsetof(dc_unit_block, alert_m) == 807 && DC2 + offsetof(dc_unit_block, alert_m) == 945);
static_assert(DC1 + offsetof(dc_unit_block, alert_p_count) == 811 &&
              DC2 + offsetof(dc_unit_block, alert_p_count) == 949);
static_assert(DC1 + offsetof(dc_unit_block, alert_p) == 812 && DC2 + offsetof(dc_unit_block, alert_p) == 950);
static_assert(DC1 + offsetof(dc_unit_block, reserved) == 858 && DC2 + offsetof(dc_unit_block, reserved) == 996);

// Section capacities as instantiated.
static_assert(ac_section::AIRLOCK_MAX() == 1 && ac_section::P40_43_SIZE() == 1);
static_assert(ac_channel_block::P40_41_SIZE() == 0 && ac_channel_block::p40_44_SIZE() == 5);
static_assert(rectifier_module_block::P41_41_SIZE() == 1 && rectifier_module_block::P41_43_SIZE() == 0 &&
              rectifier_module_block::P41_44_SIZE() == 1);
static_assert(dc_unit_block::M_SIZE() == 4 && dc_unit_block::N_SIZE() == 0 && dc_unit_block::P_SIZE() == 10 &&
              dc_unit_block::ALERT_M_SIZE() == 4 && dc_unit_block::ALERT_P_SIZE() == 46);

}  // namespace protocol419
