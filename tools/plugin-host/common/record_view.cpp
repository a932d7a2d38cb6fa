#include "tools/plugin-host/common/record_view.h"

#include <algorithm>
#include <cstddef>

#include "protocol419/record.h"

namespace plugin_host {

namespace {

using Record = qorv52_419_Data_t;
constexpr std::size_t AC = offsetof(Record, ac);
constexpr std::size_t RC = offsetof(Record, rc);
constexpr std::size_t DC_UNITS[] = {offsetof(Record, dc), offsetof(Record, dc2)};

}  // namespace

unsigned RecordView::ac_channels() const
{
    return static_cast<unsigned>(
        held(record_[AC + offsetof(protocol419::ac_section, channel_count)], protocol419::AC_CHANNEL_BLOCKS));
}

unsigned RecordView::modules_reported() const
{
    return record_[RC + offsetof(protocol419::rectifier_section, channel_count)];
}

unsigned RecordView::modules_held() const
{
    return static_cast<unsigned>(held(modules_reported(), protocol419::RECTIFIER_MODULE_BLOCKS));
}

unsigned RecordView::battery_groups(unsigned unit) const
{
    const unsigned count = record_[DC_UNITS[unit] + offsetof(protocol419::dc_unit_block, m_count)];
    return count <= protocol419::dc_unit_block::M_SIZE() ? count : 0;
}

bool RecordView::second_dc_unit() const
{
    const std::uint8_t* block = record_ + DC_UNITS[1];
    return std::any_of(block, block + sizeof(protocol419::dc_unit_block), [](std::uint8_t byte) { return byte != 0; });
}

protocol419::round_time RecordView::round_time() const
{
    return protocol419::decode_round_time(record_ + offsetof(Record, round_time));
}

}  // namespace plugin_host
