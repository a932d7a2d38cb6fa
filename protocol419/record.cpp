// The record type against the field table, at compile time: every member of
// the record and its sections sits at the table's offset, every list holds
// the table's capacity, and the table covers the 1003 bytes exactly once.
#include "protocol419/record.h"

#include "protocol419/round_time.h"

namespace protocol419 {
namespace {

namespace layout = record_layout;

static_assert(parts_tile_the_record(), "the field table covers every record byte once, in offset order");

constexpr std::size_t head(const char* name) { return field_named(layout::head, name).offset; }
constexpr std::size_t AC = offsetof(qorv52_419_Data_t, ac);
constexpr std::size_t RC = offsetof(qorv52_419_Data_t, rc);

static_assert(head("data_id") == offsetof(qorv52_419_Data_t, data_id));
static_assert(head("reserved_4") == offsetof(qorv52_419_Data_t, reserved_4));
static_assert(head("ac.ia") == AC + offsetof(ac_section, ia));
static_assert(head("ac.ib") == AC + offsetof(ac_section, ib));
static_assert(head("ac.ic") == AC + offsetof(ac_section, ic));
static_assert(head("ac.channel_count") == AC + offsetof(ac_section, channel_count));
static_assert(head("ac.airlock_count") == AC + offsetof(ac_section, airlock_count));
static_assert(head("ac.airlock") == AC + offsetof(ac_section, airlock));
static_assert(head("ac.p40_43_count") == AC + offsetof(ac_section, p40_43_count));
static_assert(head("ac.p40_43") == AC + offsetof(ac_section, p40_43));
static_assert(head("ac.ia_alarm") == AC + offsetof(ac_section, ia_alarm));
static_assert(head("ac.ib_alarm") == AC + offsetof(ac_section, ib_alarm));
static_assert(head("ac.ic_alarm") == AC + offsetof(ac_section, ic_alarm));
static_assert(head("reserved_28") == AC + offsetof(ac_section, reserved_28));
static_assert(field_named(layout::head, "ac.airlock").capacity == ac_section::AIRLOCK_MAX());
static_assert(field_named(layout::head, "ac.p40_43").capacity == ac_section::P40_43_SIZE());

constexpr const record_part& AC_CHANNELS = RECORD_PARTS[1];
constexpr std::size_t channel(const char* name) { return field_named(layout::ac_channel, name).offset; }
static_assert(AC_CHANNELS.offset == AC + offsetof(ac_section, acChannel));
static_assert(AC_CHANNELS.stride == sizeof(ac_channel_block) && AC_CHANNELS.blocks == AC_CHANNEL_BLOCKS);
static_assert(channel("a") == offsetof(ac_channel_block, a));
static_assert(channel("b") == offsetof(ac_channel_block, b));
static_assert(channel("c") == offsetof(ac_channel_block, c));
static_assert(channel("f") == offsetof(ac_channel_block, f));
static_assert(channel("p40_41_count") == offsetof(ac_channel_block, p40_41_count));
static_assert(channel("a_alarm") == offsetof(ac_channel_block, a_alarm));
static_assert(channel("b_alarm") == offsetof(ac_channel_block, b_alarm));
static_assert(channel("c_alarm") == offsetof(ac_channel_block, c_alarm));
static_assert(channel("f_alarm") == offsetof(ac_channel_block, f_alarm));
static_assert(channel("p40_44_count") == offsetof(ac_channel_block, p40_44_count));
static_assert(channel("p40_44") == offsetof(ac_channel_block, p40_44));
static_assert(field_named(layout::ac_channel, "p40_44").capacity == ac_channel_block::p40_44_SIZE());
static_assert(ac_channel_block::P40_41_SIZE() == 0, "the table has no slots for user-defined AC analog values");

static_assert(field_named(layout::rectifier_head, "rc.out_v").offset == RC + offsetof(rectifier_section, out_v));
static_assert(field_named(layout::rectifier_head, "rc.channel_count").offset ==
              RC + offsetof(rectifier_section, channel_count));

constexpr const record_part& MODULES = RECORD_PARTS[3];
constexpr std::size_t module(const char* name) { return field_named(layout::rectifier_module, name).offset; }
static_assert(MODULES.offset == RC + offsetof(rectifier_section, rcChannel));
static_assert(MODULES.stride == sizeof(rectifier_module_block) && MODULES.blocks == RECTIFIER_MODULE_BLOCKS);
static_assert(module("current") == offsetof(rectifier_module_block, current));
static_assert(module("p41_41_count") == offsetof(rectifier_module_block, p41_41_count));
static_assert(module("p41_41") == offsetof(rectifier_module_block, p41_41));
static_assert(module("state_1") == offsetof(rectifier_module_block, state_1));
static_assert(module("state_2") == offsetof(rectifier_module_block, state_2));
static_assert(module("state_3") == offsetof(rectifier_module_block, state_3));
static_assert(module("p41_43_count") == offsetof(rectifier_module_block, p41_43_count));
static_assert(module("alarm") == offsetof(rectifier_module_block, alarm));
static_assert(module("p41_44_count") == offsetof(rectifier_module_block, p41_44_count));
static_assert(module("p41_44") == offsetof(rectifier_module_block, p41_44));
static_assert(field_named(layout::rectifier_module, "p41_41").capacity == rectifier_module_block::P41_41_SIZE());
static_assert(field_named(layout::rectifier_module, "p41_44").capacity == rectifier_module_block::P41_44_SIZE());
static_assert(rectifier_module_block::P41_43_SIZE() == 0, "the table has no slots for user-defined status bytes");

static_assert(field_named(layout::gap_734, "reserved_734").offset == offsetof(qorv52_419_Data_t, reserved_734));

constexpr const record_part& DC = RECORD_PARTS[5];
constexpr const record_part& DC2 = RECORD_PARTS[7];
constexpr std::size_t unit(const char* name) { return field_named(layout::dc_unit, name).offset; }
static_assert(DC.offset == offsetof(qorv52_419_Data_t, dc) && DC2.offset == offsetof(qorv52_419_Data_t, dc2));
static_assert(DC.stride == sizeof(dc_unit_block) && DC2.stride == sizeof(dc_unit_block));
static_assert(unit("out_v") == offsetof(dc_unit_block, out_v));
static_assert(unit("out_i") == offsetof(dc_unit_block, out_i));
static_assert(unit("m_count") == offsetof(dc_unit_block, m_count));
static_assert(unit("m") == offsetof(dc_unit_block, m));
static_assert(unit("n_count") == offsetof(dc_unit_block, n_count));
static_assert(unit("p_count") == offsetof(dc_unit_block, p_count));
static_assert(unit("p") == offsetof(dc_unit_block, p));
static_assert(unit("out_v_alert") == offsetof(dc_unit_block, out_v_alert));
static_assert(unit("alert_m_count") == offsetof(dc_unit_block, alert_m_count));
static_assert(unit("alert_m") == offsetof(dc_unit_block, alert_m));
static_assert(unit("alert_p_count") == offsetof(dc_unit_block, alert_p_count));
static_assert(unit("alert_p") == offsetof(dc_unit_block, alert_p));
static_assert(unit("reserved") == offsetof(dc_unit_block, reserved));
static_assert(field_named(layout::dc_unit, "m").capacity == dc_unit_block::M_SIZE());
static_assert(field_named(layout::dc_unit, "p").capacity == dc_unit_block::P_SIZE());
static_assert(field_named(layout::dc_unit, "alert_m").capacity == dc_unit_block::ALERT_M_SIZE());
static_assert(field_named(layout::dc_unit, "alert_p").capacity == dc_unit_block::ALERT_P_SIZE());
static_assert(dc_unit_block::N_SIZE() == 0, "the table has no slots for DC branch currents");

static_assert(field_named(layout::round_stamp, "round_time").offset == offsetof(qorv52_419_Data_t, round_time));
static_assert(field_named(layout::round_stamp, "round_time").width == ROUND_TIME_BYTES);
static_assert(field_named(layout::round_stamp, "reserved_872").offset ==
              offsetof(qorv52_419_Data_t, reserved_872));

}  // namespace
}  // namespace protocol419
