#include "protocol419/ac_decoders.h"

#include <cstdio>
#include <initializer_list>
#include <iostream>

#include "protocol419/info_cursor.h"
#include "protocol419/value_rules.h"

namespace protocol419 {

int parse_ac_analog(ac_section& ac, const std::uint8_t* data, int len)
{
    info_cursor in(data, len);
    std::uint8_t count;
    if (!in.byte(count)) {
        return -1;
    }
    ac.channel_count = count;
    // The count goes out as a character, the way field logs have always shown it.
    std::cout << "parse40_41 channel_count is " << static_cast<char>(count) << std::endl;

    raw_value raw;
    for (unsigned i = 0; i < count; ++i) {
        // A channel the record has no block for is decoded into a scratch block
        // and dropped: its diagnostics stay the same and the output currents
        // behind it are still read from the right place.
        ac_channel_block scratch{};
        ac_channel_block& channel = i < AC_CHANNEL_BLOCKS ? ac.acChannel[i] : scratch;

        if (!in.bytes(raw, sizeof raw)) {
            return -1;
        }
        channel.a = zero_rule(raw);
        std::printf("a %x %x %x %x\n", unsigned{raw[0]}, unsigned{raw[1]}, unsigned{raw[2]}, unsigned{raw[3]});
        std::cout << "parse40_41 acChannel.a is " << channel.a.get() << std::endl;
        for (f32_le* value : {&channel.b, &channel.c, &channel.f}) {
            if (!in.bytes(raw, sizeof raw)) {
                return -1;
            }
            *value = zero_rule(raw);
        }

        std::uint8_t user_count;
        if (!in.byte(user_count)) {
            return -1;
        }
        channel.p40_41_count = user_count;
        // The record has no slots for user-defined AC values, so a matching
        // count has nothing to store and any other count is stepped over.
        if (user_count != ac_channel_block::P40_41_SIZE()) {
            std::cout << "acChannel.p40_41_count " << static_cast<char>(user_count) << std::endl;
            in.skip(4u * user_count);
        }
    }

    for (f32_le* current : {&ac.ia, &ac.ib, &ac.ic}) {
        if (!in.bytes(raw, sizeof raw)) {
            return -1;
        }
        *current = marker_rule(raw);
    }
    return in.consumed_or_short();
}

int parse_ac_status(ac_section& ac, const std::uint8_t* data, int len)
{
    info_cursor in(data, len);
    std::uint8_t airlocks;
    if (!in.byte(airlocks)) {
        return -1;
    }
    ac.airlock_count = airlocks;
    if (airlocks > ac_section::AIRLOCK_MAX()) {
        return -1;
    }
    if (!in.bytes(ac.airlock, airlocks)) {
        return -1;
    }

    std::uint8_t user_count;
    if (!in.byte(user_count)) {
        return -1;
    }
    ac.p40_43_count = user_count;
    if (user_count != ac_section::P40_43_SIZE()) {
        // A skipped list is not held against the payload length: the poll
        // cycle goes on whatever this decoder answers.
        in.skip(user_count);
        return static_cast<int>(in.position());
    }
    if (!in.bytes(ac.p40_43, user_count)) {
        return -1;
    }
    return in.consumed_or_short();
}

int parse_ac_alarms(ac_section& ac, const std::uint8_t* data, int len)
{
    info_cursor in(data, len);
    std::uint8_t announced;
    if (!in.byte(announced)) {
        return -1;
    }
    std::cout << "channel is " << unsigned{announced} << std::endl;

    // The reply carries two channel blocks whatever it announces.
    for (ac_channel_block& channel : ac.acChannel) {
        for (std::uint8_t* alarm : {&channel.a_alarm, &channel.b_alarm, &channel.c_alarm, &channel.f_alarm}) {
            if (!in.byte(*alarm)) {
                return -1;
            }
        }
        // The channel's fuse and switch states are not kept.
        std::uint8_t switch_count;
        if (!in.byte(switch_count)) {
            return -1;
        }
        in.skip(switch_count);

        std::uint8_t user_count;
        if (!in.byte(user_count)) {
            return -1;
        }
        channel.p40_44_count = user_count;
        if (user_count == ac_channel_block::p40_44_SIZE()) {
            if (!in.bytes(channel.p40_44, user_count)) {
                return -1;
            }
        } else {
            in.skip(user_count);
        }
    }

    for (std::uint8_t* alarm : {&ac.ia_alarm, &ac.ib_alarm, &ac.ic_alarm}) {
        if (!in.byte(*alarm)) {
            return -1;
        }
    }
    return in.consumed_or_short();
}

}  // namespace protocol419
