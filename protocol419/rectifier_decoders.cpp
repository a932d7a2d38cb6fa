#include "protocol419/rectifier_decoders.h"

#include <cstdio>
#include <initializer_list>

#include "protocol419/info_cursor.h"
#include "protocol419/value_rules.h"

namespace protocol419 {

namespace {

// The status and alarm replies repeat a module count of their own; the
// count of the analog reply is the one they are decoded with.
constexpr std::size_t status_header_bytes = 2;  // flag byte, module count

}  // namespace

int parse_rectifier_analog(rectifier_section& rc, const std::uint8_t* data, int len)
{
    info_cursor in(data, len);
    in.skip(1);  // flag byte, read by the poll cycle
    if (!in.bytes(rc.out_v.bytes, sizeof rc.out_v.bytes)) {
        return -1;
    }
    std::uint8_t count;
    if (!in.byte(count)) {
        return -1;
    }
    rc.channel_count = count;
    std::printf("parse 41_41 channel is %d\n", int{count});

    for (unsigned i = 0; i < count; ++i) {
        // Modules beyond the record's blocks are decoded into a scratch block
        // and dropped, so the bytes behind them keep their places.
        rectifier_module_block scratch{};
        rectifier_module_block& module = i < RECTIFIER_MODULE_BLOCKS ? rc.rcChannel[i] : scratch;

        if (!in.bytes(module.current.bytes, sizeof module.current.bytes)) {
            return -1;
        }
        std::uint8_t user_count;
        if (!in.byte(user_count)) {
            return -1;
        }
        module.p41_41_count = user_count;
        if (user_count != rectifier_module_block::P41_41_SIZE()) {
            in.skip(4u * user_count);
            continue;
        }
        for (f32_le& value : module.p41_41) {
            raw_value raw;
            if (!in.bytes(raw, sizeof raw)) {
                return -1;
            }
            value = equal_rule(raw);
        }
    }
    return in.consumed_or_short();
}

int parse_rectifier_status(rectifier_section& rc, const std::uint8_t* data, int len)
{
    info_cursor in(data, len);
    in.skip(status_header_bytes);
    for (unsigned i = 0; i < rc.channel_count; ++i) {
        rectifier_module_block scratch{};
        rectifier_module_block& module = i < RECTIFIER_MODULE_BLOCKS ? rc.rcChannel[i] : scratch;

        for (std::uint8_t* state : {&module.state_1, &module.state_2, &module.state_3}) {
            if (!in.byte(*state)) {
                return -1;
            }
        }
        std::uint8_t user_count;
        if (!in.byte(user_count)) {
            return -1;
        }
        module.p41_43_count = user_count;
        // The record has no slots for user-defined status bytes: they are
        // stepped over whatever the count.
        in.skip(user_count);
    }
    return in.consumed_or_short();
}

int parse_rectifier_alarms(rectifier_section& rc, const std::uint8_t* data, int len)
{
    info_cursor in(data, len);
    in.skip(status_header_bytes);
    for (unsigned i = 0; i < rc.channel_count; ++i) {
        rectifier_module_block scratch{};
        rectifier_module_block& module = i < RECTIFIER_MODULE_BLOCKS ? rc.rcChannel[i] : scratch;

        if (!in.byte(module.alarm)) {
            return -1;
        }
        std::uint8_t user_count;
        if (!in.byte(user_count)) {
            return -1;
        }
        module.p41_44_count = user_count;
        if (user_count == rectifier_module_block::P41_44_SIZE()) {
            if (!in.bytes(module.p41_44, user_count)) {
                return -1;
            }
        } else {
            in.skip(user_count);
        }
    }
    return in.consumed_or_short();
}

}  // namespace protocol419
