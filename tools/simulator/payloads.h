// The INFO payloads of the power system's replies, after the flag byte.
// Analog values are IEEE 754 singles, least significant byte first.
#pragma once

#include <cstdint>
#include <vector>

#include "host/frame_codec.h"
#include "tools/simulator/power_system.h"

namespace simulator {

using Bytes = std::vector<std::uint8_t>;

// User-defined alarm bytes of an AC channel: breaker trip, input power
// failure and surge protector states, then two spare bytes.
constexpr std::uint8_t BREAKER_TRIPPED = 0x05;
constexpr std::uint8_t POWER_FAILED = 0xE0;
constexpr std::uint8_t SURGE_FAULT = 0xE1;

// Alarm state codes of an analog value.
constexpr std::uint8_t ALARM_NORMAL = 0x00;
constexpr std::uint8_t ALARM_BELOW = 0x01;
constexpr std::uint8_t ALARM_ABOVE = 0x02;

// The most rectifier modules whose analog reply a frame can carry: the flag
// byte, the output voltage and the module count, then nine bytes a module
// (current, the count of user-defined values, temperature). The status and
// alarm replies take fewer bytes a module.
constexpr int MAX_MODULES = static_cast<int>((pmbus_frame::MAX_INFO_BYTES - 6) / 9);

Bytes ac_analog(const PowerSystem& system);       // 40/41
Bytes ac_status(const PowerSystem& system);       // 40/43
Bytes ac_alarms(const PowerSystem& system);       // 40/44
Bytes rectifier_analog(const PowerSystem& system);  // 41/41
Bytes rectifier_status(const PowerSystem& system);  // 41/43
Bytes rectifier_alarms(const PowerSystem& system);  // 41/44
Bytes dc_analog(const PowerSystem& system);       // 42/41, one or two units
Bytes dc_alarms(const PowerSystem& system);       // 42/44

void put_float(Bytes& out, float value);

}  // namespace simulator
