// The field table as readers see it, spelled out block by block, against the
// record type: a block expanded at a wrong stride or with a wrong count byte
// would print another field's bytes.
#include <cstddef>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "protocol419/record.h"
#include "protocol419/record_field_list.h"

using protocol419::field_kind;
using protocol419::record_field;
using protocol419::record_fields;

namespace {

std::map<std::string, record_field> by_name()
{
    std::map<std::string, record_field> fields;
    for (const record_field& field : record_fields()) {
        fields.emplace(field.name, field);
    }
    return fields;
}

}  // namespace

TEST(RecordFields, CoverEveryByteOnceInOffsetOrder)
{
    std::size_t next = 0;
    for (const record_field& field : record_fields()) {
        EXPECT_EQ(field.offset, next) << field.name;
        next = field.offset + field.width;
    }
    EXPECT_EQ(next, sizeof(qorv52_419_Data_t));
}

TEST(RecordFields, NamesAreUnique) { EXPECT_EQ(by_name().size(), record_fields().size()); }

TEST(RecordFields, SitWhereTheRecordTypePutsThem)
{
    using protocol419::ac_channel_block;
    using protocol419::ac_section;
    using protocol419::dc_unit_block;
    using protocol419::rectifier_module_block;
    using protocol419::rectifier_section;
    constexpr std::size_t ac = offsetof(qorv52_419_Data_t, ac);
    constexpr std::size_t channel2 = ac + offsetof(ac_section, acChannel) + sizeof(ac_channel_block);
    constexpr std::size_t module39 =
        offsetof(qorv52_419_Data_t, rc) + offsetof(rectifier_section, rcChannel) + 39 * sizeof(rectifier_module_block);
    constexpr std::size_t dc = offsetof(qorv52_419_Data_t, dc);
    constexpr std::size_t dc2 = offsetof(qorv52_419_Data_t, dc2);
    const std::map<std::string, std::size_t> expected = {
        {"data_id", offsetof(qorv52_419_Data_t, data_id)},
        {"ac.airlock", ac + offsetof(ac_section, airlock)},
        {"ac.ic_alarm", ac + offsetof(ac_section, ic_alarm)},
        {"ac.acChannel[1].a", channel2 + offsetof(ac_channel_block, a)},
        {"ac.acChannel[1].p40_44", channel2 + offsetof(ac_channel_block, p40_44)},
        {"rc.channel_count", offsetof(qorv52_419_Data_t, rc) + offsetof(rectifier_section, channel_count)},
        {"rc.rcChannel[39].p41_41", module39 + offsetof(rectifier_module_block, p41_41)},
        {"rc.rcChannel[39].p41_44", module39 + offsetof(rectifier_module_block, p41_44)},
        {"dc.m", dc + offsetof(dc_unit_block, m)},
        {"dc.alert_p", dc + offsetof(dc_unit_block, alert_p)},
        {"round_time", offsetof(qorv52_419_Data_t, round_time)},
        {"dc2.out_v", dc2 + offsetof(dc_unit_block, out_v)},
        {"dc2.p", dc2 + offsetof(dc_unit_block, p)},
        {"dc2.reserved", dc2 + offsetof(dc_unit_block, reserved)},
    };
    const auto fields = by_name();
    for (const auto& [name, offset] : expected) {
        ASSERT_EQ(fields.count(name), 1u) << name;
        EXPECT_EQ(fields.at(name).offset, offset) << name;
    }
}

TEST(RecordFields, ListsTakeTheirCapacityAndCountFromTheSections)
{
    struct List {
        const char* name;
        const char* count;
        std::size_t capacity;
    };
    const List lists[] = {
        {"ac.airlock", "ac.airlock_count", protocol419::ac_section::AIRLOCK_MAX()},
        {"ac.p40_43", "ac.p40_43_count", protocol419::ac_section::P40_43_SIZE()},
        {"ac.acChannel[0].p40_44", "ac.acChannel[0].p40_44_count", protocol419::ac_channel_block::p40_44_SIZE()},
        {"rc.rcChannel[7].p41_41", "rc.rcChannel[7].p41_41_count", protocol419::rectifier_module_block::P41_41_SIZE()},
        {"rc.rcChannel[7].p41_44", "rc.rcChannel[7].p41_44_count", protocol419::rectifier_module_block::P41_44_SIZE()},
        {"dc.m", "dc.m_count", protocol419::dc_unit_block::M_SIZE()},
        {"dc2.p", "dc2.p_count", protocol419::dc_unit_block::P_SIZE()},
        {"dc2.alert_m", "dc2.alert_m_count", protocol419::dc_unit_block::ALERT_M_SIZE()},
        {"dc.alert_p", "dc.alert_p_count", protocol419::dc_unit_block::ALERT_P_SIZE()},
    };
    const auto fields = by_name();
    for (const List& list : lists) {
        const record_field& field = fields.at(list.name);
        EXPECT_EQ(field.capacity, list.capacity) << list.name;
        EXPECT_EQ(field.count_offset, fields.at(list.count).offset) << list.name;
        EXPECT_EQ(fields.at(list.count).kind, field_kind::count) << list.name;
    }
}
