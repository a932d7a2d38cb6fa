#include "fuzz/support/record_regions.h"

#include <cstddef>
#include <cstring>

#include "fuzz/support/checking_host.h"
#include "protocol419/record_field_list.h"

namespace fuzz {

namespace {

using protocol419::field_writer;
using protocol419::record_field;

// The bytes of every field that passes `wanted`.
template <typename Wanted>
record_region fields_where(Wanted wanted)
{
    record_region region;
    for (const record_field& field : protocol419::record_fields()) {
        if (wanted(field)) {
            for (std::size_t offset = field.offset; offset < field.offset + field.width; ++offset) {
                region.set(offset);
            }
        }
    }
    return region;
}

record_region written_by(field_writer writer)
{
    return fields_where([writer](const record_field& field) { return field.writer == writer; });
}

record_region dc_unit_written_by(field_writer writer, unsigned unit)
{
    return fields_where(
        [writer, unit](const record_field& field) { return field.writer == writer && field.unit == unit; });
}

}  // namespace

record_region written_by(reply_decoder decoder)
{
    switch (decoder) {
    case reply_decoder::ac_analog: return written_by(field_writer::ac_analog);
    case reply_decoder::ac_status: return written_by(field_writer::ac_status);
    case reply_decoder::ac_alarms: return written_by(field_writer::ac_alarms);
    case reply_decoder::rc_analog: return written_by(field_writer::rc_analog);
    case reply_decoder::rc_status: return written_by(field_writer::rc_status);
    case reply_decoder::rc_alarms: return written_by(field_writer::rc_alarms);
    case reply_decoder::dc_analog: return dc_unit_written_by(field_writer::dc_analog, 0);
    case reply_decoder::dc2_analog: return dc_unit_written_by(field_writer::dc_analog, 1);
    case reply_decoder::dc_alarms: return dc_unit_written_by(field_writer::dc_alarms, 0);
    case reply_decoder::dc2_alarms: return dc_unit_written_by(field_writer::dc_alarms, 1);
    }
    return record_region();
}

record_region data_id_region() { return written_by(field_writer::configuration); }

record_region round_time_region() { return written_by(field_writer::round_end); }

record_region reserved_region() { return written_by(field_writer::nobody); }

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
