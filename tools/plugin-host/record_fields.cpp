#include "tools/plugin-host/record_fields.h"

namespace plugin_host {

namespace {

class FieldTable {
public:
    void scalar(const std::string& name, std::size_t offset, FieldKind kind)
    {
        const std::size_t width = kind == FieldKind::int32 || kind == FieldKind::float32 ? 4 : 1;
        fields_.push_back({name, offset, kind, width, 0, 0});
    }
    void list(const std::string& name, std::size_t offset, FieldKind kind, std::size_t capacity,
              std::size_t count_offset)
    {
        const std::size_t item = kind == FieldKind::float_list ? 4 : 1;
        fields_.push_back({name, offset, kind, item * capacity, capacity, count_offset});
    }
    void bytes(const std::string& name, std::size_t offset, FieldKind kind, std::size_t width)
    {
        fields_.push_back({name, offset, kind, width, 0, 0});
    }
    std::vector<RecordField> take() { return std::move(fields_); }

private:
    std::vector<RecordField> fields_;
};

// One AC input channel block, 27 bytes.
void add_ac_channel(FieldTable& table, const std::string& prefix, std::size_t at)
{
    table.scalar(prefix + "a", at + 0, FieldKind::float32);
    table.scalar(prefix + "b", at + 4, FieldKind::float32);
    table.scalar(prefix + "c", at + 8, FieldKind::float32);
    table.scalar(prefix + "f", at + 12, FieldKind::float32);
    table.scalar(prefix + "p40_41_count", at + 16, FieldKind::count);
    table.scalar(prefix + "a_alarm", at + 17, FieldKind::state);
    table.scalar(prefix + "b_alarm", at + 18, FieldKind::state);
    table.scalar(prefix + "c_alarm", at + 19, FieldKind::state);
    table.scalar(prefix + "f_alarm", at + 20, FieldKind::state);
    table.scalar(prefix + "p40_44_count", at + 21, FieldKind::count);
    table.list(prefix + "p40_44", at + 22, FieldKind::state_list, 5, at + 21);
}

// One rectifier module block, 16 bytes.
void add_rectifier_module(FieldTable& table, const std::string& prefix, std::size_t at)
{
    table.scalar(prefix + "current", at + 0, FieldKind::float32);
    table.scalar(prefix + "p41_41_count", at + 4, FieldKind::count);
    table.list(prefix + "p41_41", at + 5, FieldKind::float_list, 1, at + 4);
    table.scalar(prefix + "state_1", at + 9, FieldKind::state);
    table.scalar(prefix + "state_2", at + 10, FieldKind::state);
    table.scalar(prefix + "state_3", at + 11, FieldKind::state);
    table.scalar(prefix + "p41_43_count", at + 12, FieldKind::count);
    table.scalar(prefix + "alarm", at + 13, FieldKind::state);
    table.scalar(prefix + "p41_44_count", at + 14, FieldKind::count);
    table.list(prefix + "p41_44", at + 15, FieldKind::state_list, 1, at + 14);
}

// One DC distribution unit block, 127 bytes.
void add_dc_unit(FieldTable& table, const std::string& prefix, std::size_t at)
{
    table.scalar(prefix + "out_v", at + 0, FieldKind::float32);
    table.scalar(prefix + "out_i", at + 4, FieldKind::float32);
    table.scalar(prefix + "m_count", at + 8, FieldKind::count);
    table.list(prefix + "m", at + 9, FieldKind::float_list, 4, at + 8);
    table.scalar(prefix + "n_count", at + 25, FieldKind::count);
    table.scalar(prefix + "p_count", at + 26, FieldKind::count);
    table.list(prefix + "p", at + 27, FieldKind::float_list, 10, at + 26);
    table.scalar(prefix + "out_v_alert", at + 67, FieldKind::state);
    table.scalar(prefix + "alert_m_count", at + 68, FieldKind::count);
    table.list(prefix + "alert_m", at + 69, FieldKind::state_list, 4, at + 68);
    table.scalar(prefix + "alert_p_count", at + 73, FieldKind::count);
    table.list(prefix + "alert_p", at + 74, FieldKind::state_list, 46, at + 73);
    table.bytes(prefix + "reserved", at + 120, FieldKind::reserved, 7);
}

std::vector<RecordField> build_table()
{
    FieldTable table;
    table.scalar("data_id", 0, FieldKind::int32);
    table.bytes("reserved_4", 4, FieldKind::reserved, 4);
    table.scalar("ac.ia", 8, FieldKind::float32);
    table.scalar("ac.ib", 12, FieldKind::float32);
    table.scalar("ac.ic", 16, FieldKind::float32);
    table.scalar("ac.channel_count", 20, FieldKind::count);
    table.scalar("ac.airlock_count", 21, FieldKind::count);
    table.list("ac.airlock", 22, FieldKind::state_list, 1, 21);
    table.scalar("ac.p40_43_count", 23, FieldKind::count);
    table.list("ac.p40_43", 24, FieldKind::state_list, 1, 23);
    table.scalar("ac.ia_alarm", 25, FieldKind::state);
    table.scalar("ac.ib_alarm", 26, FieldKind::state);
    table.scalar("ac.ic_alarm", 27, FieldKind::state);
    table.bytes("reserved_28", 28, FieldKind::reserved, 7);
    for (std::size_t channel = 0; channel < 2; ++channel) {
        add_ac_channel(table, "ac.acChannel[" + std::to_string(channel) + "].", 35 + 27 * channel);
    }
    table.scalar("rc.out_v", 89, FieldKind::float32);
    table.scalar("rc.channel_count", 93, FieldKind::count);
    for (std::size_t module = 0; module < 40; ++module) {
        add_rectifier_module(table, "rc.rcChannel[" + std::to_string(module) + "].", 94 + 16 * module);
    }
    table.bytes("reserved_734", 734, FieldKind::reserved, 4);
    add_dc_unit(table, "dc.", 738);
    table.bytes("round_time", 865, FieldKind::round_time, 7);
    table.bytes("reserved_872", 872, FieldKind::reserved, 4);
    add_dc_unit(table, "dc2.", 876);
    return table.take();
}

}  // namespace

const std::vector<RecordField>& record_fields()
{
    static const std::vector<RecordField> fields = build_table();
    return fields;
}

}  // namespace plugin_host
