// Command codes of the power-system monitoring protocol, shared by the
// device that asks and the simulator that answers.
#pragma once

#include <cstdint>

namespace protocol419 {

// Device groups (CID1).
constexpr std::uint8_t CID1_AC = 0x40;
constexpr std::uint8_t CID1_RECTIFIER = 0x41;
constexpr std::uint8_t CID1_DC = 0x42;

// Commands (CID2 of a request).
constexpr std::uint8_t CID2_ANALOG = 0x41;
constexpr std::uint8_t CID2_STATUS = 0x43;
constexpr std::uint8_t CID2_ALARMS = 0x44;
constexpr std::uint8_t CID2_REMOTE_CONTROL = 0x45;
constexpr std::uint8_t CID2_SET_PARAMETER_FLOAT = 0x48;
constexpr std::uint8_t CID2_SET_DATE_TIME = 0x4E;

// Bits of a reply's flag byte (INFO byte 0).
constexpr std::uint8_t FLAG_STATUS_CHANGED = 0x10;
constexpr std::uint8_t FLAG_ALARMS_CHANGED = 0x01;

}  // namespace protocol419
