// The device's configuration members, captured so that a step which must
// not reconfigure the device can be checked for having left them alone.
// Bytes written past the record's end would land in these members first.
#pragma once

#include <cstdint>

#include "device/qorv52_419.h"

namespace fuzz {

struct settings_snapshot {
    explicit settings_snapshot(const qorv52_419& device)
        : b_mode(device.b_mode_),
          has_ac(device.has_ac),
          has_dc(device.has_dc),
          no_dc_number(device.no_dc_number),
          has_a(device.has_a),
          has_b(device.has_b),
          has_c(device.has_c),
          dc_i_adjust(device.dc_i_adjust),
          request_arg(device.request_arg_),
          mapped_keys(device.alarm_mapping_.size()),
          named_keys(device.signal_names_.size())
    {
    }

    // Equal apart from the DC reply format, which the first DC analog reply
    // may settle once.
    bool same_except_dc_format(const settings_snapshot& other) const
    {
        return b_mode == other.b_mode && has_ac == other.has_ac && has_dc == other.has_dc && has_a == other.has_a &&
               has_b == other.has_b && has_c == other.has_c && dc_i_adjust == other.dc_i_adjust &&
               request_arg == other.request_arg && mapped_keys == other.mapped_keys &&
               named_keys == other.named_keys;
    }

    int b_mode;
    bool has_ac, has_dc;
    std::int32_t no_dc_number;
    bool has_a, has_b, has_c;
    std::int32_t dc_i_adjust;
    std::uint8_t request_arg;
    std::size_t mapped_keys, named_keys;
};

}  // namespace fuzz
