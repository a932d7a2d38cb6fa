#!/usr/bin/env python3
"""Writes the seed corpus of the device, decoder, frame and line fuzz targets.

The seeds are real exchanges with a power system: the replies of a full poll
round in both DC reply formats, control commands with their answers, cache
loads and value queries. They are written in the input layout that
fuzz/device_fuzz.cpp and fuzz/decoders_fuzz.cpp read (one step kind byte,
then that step's fields), so the fuzzer starts from inputs that reach every
poll step instead of having to find the round's order by itself.

Run from anywhere: python3 fuzz/make_seeds.py
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def f32(*values):
    """Singles, least significant byte first; a bytes value is taken as its raw four bytes."""
    return b"".join(v if isinstance(v, bytes) else struct.pack("<f", v) for v in values)


def u16(value):
    return struct.pack("<H", value & 0xFFFF)


# --- INFO payloads of the replies, flag byte first --------------------------

def ac_analog(flag=0x00, channels=((220.0, 221.0, 219.0, 50.0),), currents=(10.5, 11.0, 9.5)):
    body = bytes([len(channels)])
    for a, b, c, f in channels:
        body += f32(a, b, c, f) + bytes([0])  # no user-defined values
    return bytes([flag]) + body + f32(*currents)


def ac_status(flag=0x00):
    return bytes([flag, 1, 0x00, 1, 0x00])  # one airlock state, one user-defined state


def ac_alarms(flag=0x00, user=(0, 0, 0, 0, 0)):
    channel = bytes([0, 0, 0, 0]) + bytes([0]) + bytes([5]) + bytes(user)
    return bytes([flag, 1]) + channel + channel + bytes([0, 0, 0])


def rc_analog(flag=0x00, out_v=53.5, currents=(20.0, 21.5)):
    body = f32(out_v) + bytes([len(currents)])
    for current in currents:
        body += f32(current) + bytes([1]) + f32(40.0)  # one user-defined value: module temperature
    return bytes([flag]) + body


def rc_status(flag=0x00, modules=2):
    return bytes([flag, modules]) + (bytes([0x00, 0x00, 0x01]) + bytes([0])) * modules


def rc_alarms(flag=0x00, modules=2, fault=0):
    return bytes([flag, modules]) + (bytes([0x00, 1, fault])) * modules


def dc_analog_block(out_v=53.5, out_i=12.5, batteries=(3.0, -1.5), user=()):
    return (f32(out_v, out_i) + bytes([len(batteries)]) + f32(*batteries) + bytes([0]) + bytes([len(user)])
            + f32(*user))


def dc_alarm_block(voltage_alarm=0, fuses=(0, 0, 0), user=(0, 0)):
    return bytes([voltage_alarm, len(fuses)]) + bytes(fuses) + bytes([len(user)]) + bytes(user)


def dc_analog(flag=0x00, units=None):
    """Without a unit count when units is None, else with the count and blocks."""
    if units is None:
        return bytes([flag]) + dc_analog_block()
    return bytes([flag, len(units)]) + b"".join(units)


def dc_alarms(flag=0x00, units=None):
    if units is None:
        return bytes([flag]) + dc_alarm_block()
    return bytes([flag, len(units)]) + b"".join(units)


# --- device target steps ----------------------------------------------------

CONFIG, REFRESH, REPLY, FRAME, ADVANCE, GET, IOCTL, CACHE, HOST = range(9)
APP_KEYS = ["b_mode", "has_ac", "has_dc", "no_dc_number", "has_a", "has_b", "has_c", "dc_i_adjust"]


def small_text(value):
    return bytes([0, value & 0xFF])  # a text holding a small number


def text(value):
    raw = value.encode()
    return bytes([1, len(raw)]) + raw


def config(**settings):
    entries = b""
    for key, value in settings.items():
        entries += bytes([APP_KEYS.index(key)]) + small_text(value)
    return bytes([CONFIG, 2, len(settings)]) + entries


def config_thresholds(keys):
    """b_mode 3 with one threshold entry per key, each with all four fields."""
    entries = bytes([APP_KEYS.index("b_mode")]) + small_text(3)
    for key in keys:
        entries += bytes([8, 0x0F]) + text("signal") + text("1001") + text("2") + text("3")
        raw = key.encode()
        entries += bytes([len(raw)]) + raw
    return bytes([CONFIG, 2, 1 + len(keys)]) + entries


def refresh():
    return bytes([REFRESH])


def reply(info):
    return bytes([REPLY]) + u16(len(info)) + info


def frame(header, length_field, info):
    return bytes([FRAME]) + bytes(header) + u16(length_field) + u16(len(info)) + info


def advance(seconds):
    return bytes([ADVANCE]) + struct.pack("<h", seconds)


def get(name):
    if name in ("out_v", "ac"):
        return bytes([GET, ["out_v", "ac"].index(name)]) + bytes(4)
    raw = name.encode()
    return bytes([GET, 2, len(raw)]) + raw + bytes(4)


def set_date(raw):
    return bytes([IOCTL, 0, 0, len(raw)]) + bytes(raw) + bytes([4])


def set_dc_parameter(document_index):
    return bytes([IOCTL, 1, 1, document_index, 4])


def remote_control(action_index):
    return bytes([IOCTL, 2, 2, action_index, 4])


def set_dc_parameter_text(document):
    return bytes([IOCTL, 1, 0x40]) + u16(len(document)) + document + bytes([4])


def control_status(out_len=4):
    return bytes([IOCTL, 4, 0, 0, out_len])


def cache(record):
    assert len(record) == 1003
    return bytes([CACHE, 0]) + record


def host_version(version):
    return bytes([HOST, 1, {0x20: 0, 0x21: 1}[version]])


def host_levels(level):
    return bytes([HOST, 5, level])


def host_limits(tenths):
    return bytes([HOST, 6]) + struct.pack("<h", tenths)


def full_round(dc_units=None, flags=0x00):
    steps = refresh()
    steps += reply(ac_analog(flags)) + reply(ac_status(flags)) + reply(ac_alarms(flags))
    steps += reply(rc_analog(flags)) + reply(rc_status(flags)) + reply(rc_alarms(flags))
    if dc_units is None:
        steps += reply(dc_analog(flags)) + reply(dc_alarms(flags))
    else:
        steps += reply(dc_analog(flags, [dc_analog_block(), dc_analog_block(out_v=53.0, batteries=(1.0,))]))
        steps += reply(dc_alarms(flags, [dc_alarm_block(), dc_alarm_block(fuses=(1, 0), user=())]))
    return steps


def device_seeds():
    two_channels = ((220.0, 221.0, 219.0, 50.0), (230.0, 229.5, 231.0, 50.1))
    return {
        "round_dc_without_count": config(has_dc=1) + full_round() + get("out_v") + get("ac") + advance(61)
        + get("out_v") + advance(2) + full_round(flags=0x00),
        "round_dc_with_count": host_version(0x21) + config(has_dc=1, no_dc_number=2) + full_round(dc_units=2)
        + get("ac") + advance(2) + full_round(dc_units=2, flags=0x11),
        "round_without_ac": config(has_ac=0) + refresh() + reply(rc_analog()) + reply(rc_status())
        + reply(rc_alarms(fault=1)) + advance(1) + refresh() + advance(1) + refresh(),
        "ready_round_flags": config(has_dc=1) + full_round() + advance(5) + refresh()
        + reply(ac_analog(0x01, channels=two_channels)) + reply(ac_alarms(user=(5, 0xE0, 0xE1, 0, 0)))
        + reply(rc_analog(0x01)) + reply(rc_alarms(fault=1)) + reply(dc_analog(0x00)),
        "control_commands": set_date([0xE6, 0x07, 12, 8, 4, 30, 0]) + reply(b"\x00") + control_status()
        + set_dc_parameter(0) + control_status(3) + remote_control(8) + reply(b"") + control_status()
        + set_dc_parameter(7) + set_dc_parameter_text(b'{"signal_id":"006202","SetValue":"1e39"}')
        + set_dc_parameter_text(b"[" * 1200 + b"]" * 1200) + control_status(),
        "cache_then_query": cache(bytes(range(256)) * 3 + bytes(235)) + get("out_v") + get("ac") + get("Out_v")
        + advance(61) + get("x"),
        "odd_frames": refresh() + frame([0x20, 1, 0x40, 0], 2 * 30 + 1, ac_analog()[:31] + b"\x00\x00")
        + frame([0x20, 1, 0x40, 0], 0, b"") + reply(b"") + reply(b"\x10"),
        "threshold_rules": config(b_mode=2, has_dc=1) + full_round() + host_levels(2) + host_limits(450)
        + advance(2) + full_round(flags=0x11) + config(has_a=0, has_b=0) + host_limits(-10) + advance(2)
        + full_round(),
        "thresholds": config_thresholds(["alarm_a", "alarm_b"]) + config(b_mode=2, has_c=0) + full_round(),
        "short_replies": config(has_dc=1) + refresh() + reply(ac_analog()[:20]) + refresh() + reply(ac_analog())
        + reply(ac_status()[:2]) + reply(ac_alarms()[:7]) + reply(rc_analog()[:9]) + reply(rc_status()[:3])
        + reply(rc_alarms()[:3]) + reply(dc_analog(0x00, [dc_analog_block()[:7]])) + reply(b"\x00"),
    }


# --- decoder target inputs ---------------------------------------------------

DECODERS = ["40_41", "40_43", "40_44", "41_41", "41_43", "41_44", "42_41", "42_41_2", "42_44", "42_44_2"]


JUDGE = 0x08  # run the alarm rules on the record afterwards
AC_RULES = 0x10 | 0x20  # threshold mode with AC distribution
DC_RULES = 0x10 | 0x40  # threshold mode with DC distribution


def decoder_input(name, payload, modules=2, factor=None, rules=0):
    options = (0 if factor is None else 1) | rules
    head = bytes([DECODERS.index(name), 0x00, modules, options])
    if factor is not None:
        head += struct.pack("<i", factor)
    return head + payload


def h(text):
    return bytes.fromhex(text.replace(" ", ""))


# Payloads of the decoder unit tests: odd counts, substitute values and lists
# beyond the record's capacity.
TEST_PAYLOADS = {
    "40_41_substitutes": ("40_41", h("01 20202020 00000000 00005C43 FFFFFFFF 00 20202020 00000000 FFFFFFFF")),
    "40_41_skipped_user_values": ("40_41", h("02 00005C43 00005C43 00005C43 00004842 02 00002041 00003041"
                                            " 00004842 00004842 00004842 00005C43 00 00002041 00003041 00004041")),
    "40_41_three_channels": ("40_41", h("03 00005C43 00005C43 00005C43 00004842 00"
                                       " 00004842 00004842 00004842 00004842 00"
                                       " 00004041 00004041 00004041 00004041 01 00003041"
                                       " 00002041 00003041 00004041")),
    "40_43_two_airlocks": ("40_43", h("02 01 02 01 05")),
    "40_44_model_bytes": ("40_44", h("01 01020304 00 05 05E0E10000 11121314 00 05 0000000009 070809")),
    "40_44_fuses_and_short_list": ("40_44", h("02 01020304 02 AABB 04 11223344 05060708 00 05 0500000000 070809")),
    "41_41_equal_bytes": ("41_41", h("00 20202020 03 FFFFFFFF 01 00000000 0000A040 01 20202020"
                                    " 0000C040 01 FFFFFFFF")),
    "41_41_skipped_user_values": ("41_41", h("00 00005842 03 0000A040 00 0000C040 03 0000803F 0000803F 0000803F"
                                            " 0000A040 01 00000040")),
    "41_41_forty_one_modules": ("41_41", h("00 00005842 29") + h("0000A040 00") * 41),
    "41_43_forty_one_modules": ("41_43", h("00 29") + h("000001 00") * 41),
    "41_44_forty_one_modules": ("41_44", h("00 29") + h("00 01 01") * 41),
    "42_41_batteries": ("42_41", h("00005642 00004841 02 0000A040 0000C040 00 00")),
    "42_41_branch_currents": ("42_41", h("00005642 00004841 00 03 0000C040 0000C040 0000C040 01 0000A040")),
    "42_41_eleven_user_values": ("42_41", h("00005642 00004841 00 00 0B 0000A040 0000C040")),
    "42_41_five_batteries": ("42_41", h("00005642 00004841 05") + h("0000C040") * 5 + h("00 01 0000A040")),
    "42_44_beyond_capacity": ("42_44", h("03 06 010203040506 32") + bytes(range(50))),
    "42_44_2_second_unit": ("42_44_2", h("01 01 07 01 09")),
}


def decoder_seeds():
    seeds = {name: decoder_input(decoder, payload, modules=41 if "forty" in name else 2)
             for name, (decoder, payload) in TEST_PAYLOADS.items()}
    seeds.update({
        "judge_ac_model_bytes": decoder_input("40_44", TEST_PAYLOADS["40_44_model_bytes"][1], rules=JUDGE | AC_RULES),
        "judge_ac_channels": decoder_input("40_41", TEST_PAYLOADS["40_41_three_channels"][1], rules=JUDGE | AC_RULES),
        "judge_modules": decoder_input("41_44", TEST_PAYLOADS["41_44_forty_one_modules"][1], modules=41,
                                       rules=JUDGE),
        "judge_dc": decoder_input("42_41", TEST_PAYLOADS["42_41_batteries"][1], rules=JUDGE | DC_RULES),
        "40_41": decoder_input("40_41", ac_analog()[1:]),
        "40_41_two_channels": decoder_input(
            "40_41", ac_analog(channels=((220.0,) * 4, (b"\x20" * 4,) * 4), currents=(b"\xff" * 4, 0.0, 1.0))[1:]),
        "40_43": decoder_input("40_43", ac_status()[1:]),
        "40_44": decoder_input("40_44", ac_alarms(user=(5, 0xE0, 0xE1, 0, 0))[1:]),
        "41_41": decoder_input("41_41", rc_analog()),
        "41_43": decoder_input("41_43", rc_status()),
        "41_44": decoder_input("41_44", rc_alarms(fault=1)),
        "42_41": decoder_input("42_41", dc_analog_block(user=(1.0, 2.0)), factor=2),
        "42_41_2": decoder_input("42_41_2", dc_analog_block()),
        "42_44": decoder_input("42_44", dc_alarm_block(fuses=(1, 2, 3, 4, 5, 6), user=tuple(range(50)))),
        "42_44_2": decoder_input("42_44_2", dc_alarm_block()),
    })
    return seeds


# --- frame target inputs -------------------------------------------------------

def encode_frame(version, address, cid1, cid2, info):
    """A frame as the serial line carries it: SOI, hex text, CHKSUM, EOI."""
    lenid = 2 * len(info)
    nibbles = (lenid & 0xF) + ((lenid >> 4) & 0xF) + ((lenid >> 8) & 0xF)
    length = ((-nibbles & 0xF) << 12) | lenid
    body = bytes([version, address, cid1, cid2, length >> 8, length & 0xFF]).hex().upper() + info.hex().upper()
    checksum = -sum(body.encode()) & 0xFFFF
    return b"~" + body.encode() + b"%04X" % checksum + b"\r"


def frame_seeds():
    replies = [ac_analog(), ac_status(), ac_alarms(), rc_analog(), rc_status(), rc_alarms(),
               dc_analog(), dc_alarms(0, [dc_alarm_block(), dc_alarm_block()])]
    round_frames = b"".join(encode_frame(0x20, 1, 0x40 + i // 3, 0, info) for i, info in enumerate(replies))
    good = encode_frame(0x20, 1, 0x40, 0, ac_analog())
    return {
        "poll_round": round_frames,
        "request": encode_frame(0x20, 1, 0x40, 0x41, b"\x01"),
        "lower_case": good.lower(),
        "noise_between": b"\x00\xff garbage " + good + b"\n\n" + encode_frame(0x21, 1, 0x42, 0, dc_analog()),
        "cut_short": good[:20] + good,
        "bad_checksum": good[:-5] + b"0000\r",
        "bad_length": good[:9] + b"F" + good[10:],
        "empty_info": encode_frame(0x20, 1, 0x41, 0x04, b""),
        "round_trip": b"\xff" + bytes([0x20, 1, 0x41, 0]) + rc_analog(),
    }


# --- line target inputs ------------------------------------------------------------

def answer(info, chunk=0xF0):
    """A reply frame from the device's address around this INFO, read in large chunks."""
    return bytes([chunk | 1]) + u16(len(info)) + info


def raw_answer(data, chunk=0x00):
    return bytes([chunk | 0]) + u16(len(data)) + data


SILENCE = bytes([3])


def foreign_answer(address, rtn, info):
    return bytes([0xF2, address, rtn]) + u16(len(info)) + info


def line_seeds():
    first_round = [ac_analog(), ac_status(), ac_alarms(), rc_analog(), rc_status(), rc_alarms(),
                   dc_analog(), dc_alarms()]
    later_round = [ac_analog(), rc_analog(), dc_analog()]
    run_round = bytes([0])
    return {
        "rounds_with_dc": bytes([0x02]) + run_round + b"".join(answer(i) for i in first_round) + run_round
        + b"".join(answer(i) for i in later_round),
        "rounds_counted_dc": bytes([0x0E]) + run_round + b"".join(
            answer(i) for i in first_round[:6] + [dc_analog(0, [dc_analog_block(), dc_analog_block()]),
                                                  dc_alarms(0, [dc_alarm_block(), dc_alarm_block()])]),
        "line_faults": bytes([0x00]) + run_round + raw_answer(b"~20014000") + SILENCE
        + foreign_answer(2, 0, ac_analog()) + foreign_answer(1, 2, b"") + run_round + answer(ac_analog(), 0x00)
        + raw_answer(b"noise ~" + encode_frame(0x20, 1, 0x40, 0, ac_status())[1:]),
        "control_between_rounds": bytes([0x01]) + bytes([7]) + answer(b"") + run_round
        + b"".join(answer(i) for i in first_round[3:6]),
    }


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    write("device", device_seeds())
    write("decoders", decoder_seeds())
    write("frame", frame_seeds())
    write("line", line_seeds())
