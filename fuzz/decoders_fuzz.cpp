// Each payload decoder on its own, with arbitrary bytes and any length, the
// payload in a heap block of exactly that length. The decoder may read only
// what it is given, write only its own fields of the record, and must answer
// -1 or a count of bytes it was given. Then, on request of the input, the
// alarm rules read what it left.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "alarms/model_rules.h"
#include "alarms/system_rules.h"
#include "device/qorv52_419.h"
#include "fuzz/support/byte_source.h"
#include "fuzz/support/checking_host.h"
#include "fuzz/support/record_regions.h"

namespace {

using driver = pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>;
using decoder_fn = int (driver::*)(const unsigned char*, int);

// In the order of fuzz::reply_decoder.
const decoder_fn decoders[fuzz::REPLY_DECODERS] = {
    &driver::parse40_41, &driver::parse40_43, &driver::parse40_44,   &driver::parse41_41, &driver::parse41_43,
    &driver::parse41_44, &driver::parse42_41, &driver::parse42_41_2, &driver::parse42_44, &driver::parse42_44_2,
};

class ignoring_reporter : public alarms::alarm_reporter {
public:
    void report(int, const std::string&, const std::string&, const std::string&, const std::string&, bool,
                unsigned short) override
    {
    }
};

// The alarm rules read the record the decoder left, counts as received, from
// a heap block of exactly the record's size: a count that led a rule past the
// record's last block would read outside the block.
void judge(const qorv52_419_Data_t& record, std::uint8_t options)
{
    const std::unique_ptr<const qorv52_419_Data_t> alone(new qorv52_419_Data_t(record));
    const alarms::system_settings settings{(options & 0x10u) != 0 ? 2 : 1, (options & 0x20u) != 0,
                                           (options & 0x40u) != 0,  true, true, (options & 0x80u) != 0};
    alarms::level_map levels;
    alarms::threshold_map thresholds;
    ignoring_reporter reporter;
    // The first pass enters every rule's identifier with level 0 (off).
    alarms::check_system_rules(*alone, settings, levels, thresholds, reporter);
    for (auto& entry : levels) {
        entry.second = 1;
    }
    for (auto& entry : thresholds) {
        entry.second = 45.0f;
    }
    alarms::check_system_rules(*alone, settings, levels, thresholds, reporter);
    unsigned short seq = 1;
    alarms::check_model_rules(*alone, settings.has_ac, seq, reporter);
}

// Airlock count, one airlock byte, user-defined count and 255 user-defined bytes.
constexpr int AC_STATUS_LONGEST = 1 + 1 + 1 + 255;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::silence_standard_output();
    fuzz::check_regions();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static qorv52_419 device;
    static fuzz::checking_host host;
    device.set_observer(&host);
    host.clear();

    fuzz::byte_source in(data, size);
    const int which = in.u8() % fuzz::REPLY_DECODERS;
    // Earlier replies leave any bytes behind; the rectifier status and alarm
    // decoders take their module count from the record.
    std::memset(&device.data_, in.u8(), sizeof device.data_);
    device.data_.rc.channel_count = in.u8();
    const std::uint8_t options = in.u8();
    device.dc_i_adjust = (options & 1u) != 0 ? in.i32() : 1;
    // The poll cycle hands the DC and AC decoders INFO less one or two bytes,
    // and the second DC unit what the first left, which can come out negative.
    const bool negative = (options & 6u) == 6u;
    const int negative_length = -static_cast<int>(in.u8() % 4) - 1;

    fuzz::exact_buffer payload(negative ? std::vector<std::uint8_t>() : in.bytes(in.remaining()));
    const int length = negative ? negative_length : static_cast<int>(payload.size());

    const qorv52_419_Data_t before = device.data_;
    const int consumed = (device.*decoders[which])(payload.data(), length);

    // The AC status decoder reports a skipped user-defined list by its
    // announced size, unchecked against the payload (the poll cycle does not
    // look at its answer); every other answer is a count of bytes given.
    const int given = length < 0 ? 0 : length;
    const int most = which == static_cast<int>(fuzz::reply_decoder::ac_status) ? std::max(given, AC_STATUS_LONGEST)
                                                                                : given;
    FUZZ_CHECK(consumed == -1 || (consumed >= 0 && consumed <= most), "decoder %d returned %d for %d bytes", which,
               consumed, length);
    const int stray =
        fuzz::first_change_outside(before, device.data_, fuzz::written_by(static_cast<fuzz::reply_decoder>(which)));
    FUZZ_CHECK(stray < 0, "decoder %d changed record byte %d", which, stray);
    FUZZ_CHECK(host.sent.empty() && host.published == 0, "decoder %d talked to the host", which);
    if ((options & 8u) != 0) {
        judge(device.data_, options);
    }
    return 0;
}
