// The daemon calls device operations through fixed virtual-table slots, and
// the plug-in's code reaches the framework's members and its own by fixed
// offsets, so both are part of the binary interface. Under the Itanium C++ ABI a
// pointer to a virtual member function holds the slot's byte offset and a
// "virtual" bit: on x86 the bit is the offset's low bit (1 + offset); on MIPS
// and ARM, whose function addresses may be odd, the offset is stored as it is
// and the bit is the low bit of the this-adjustment word.
#include <cstddef>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "device/qorv52_419.h"

namespace {

template <class Pointer>
std::ptrdiff_t slot_of(Pointer member)
{
    static_assert(sizeof(Pointer) == 2 * sizeof(std::ptrdiff_t), "Itanium member function pointer");
    std::ptrdiff_t words[2];
    std::memcpy(words, &member, sizeof words);
    const auto word = static_cast<std::ptrdiff_t>(sizeof(void*));
    if ((words[0] & 1) != 0) {
        return (words[0] - 1) / word;
    }
    if ((words[1] & 1) != 0) {
        return words[0] / word;
    }
    return -1;  // not a virtual function
}

using Device = qorv52_419;

}  // namespace

TEST(VirtualSlots, OperationsSitInTheDaemonsOrder)
{
    // The virtual destructor takes two slots (complete and deleting) after UseControllerDb.
    EXPECT_EQ(slot_of(static_cast<float (Device::*)(unsigned int, const std::string&) const>(&Device::Get_Value)), 0);
    EXPECT_EQ(slot_of(static_cast<int (Device::*)(const std::string&)>(&Device::LoadFromCache)), 1);
    EXPECT_EQ(slot_of(static_cast<int (Device::*)(const unsigned char*, int)>(&Device::LoadFromCache)), 2);
    EXPECT_EQ(slot_of(&Device::DataId), 3);
    EXPECT_EQ(slot_of(&Device::DeviceType), 4);
    EXPECT_EQ(slot_of(&Device::DeviceIoControl), 5);
    EXPECT_EQ(slot_of(&Device::RoundDone), 6);
    EXPECT_EQ(slot_of(&Device::UseControllerDb), 7);
    EXPECT_EQ(slot_of(&Device::Reset), 10);
    EXPECT_EQ(slot_of(&Device::InitV), 11);
    EXPECT_EQ(slot_of(&Device::Init), 12);
    EXPECT_EQ(slot_of(&Device::InitSetting), 13);
    EXPECT_EQ(slot_of(&Device::IsSupportDevice), 14);
    EXPECT_EQ(slot_of(&Device::GetChildVDevice), 15);
    EXPECT_EQ(slot_of(&Device::GetAllChildVDevices), 16);
    EXPECT_EQ(slot_of(&Device::SendSP), 17);
    EXPECT_EQ(slot_of(&Device::SendDelayData), 18);
    EXPECT_EQ(slot_of(&Device::SendDoData), 19);
    EXPECT_EQ(slot_of(&Device::ReadDi), 20);
    EXPECT_EQ(slot_of(&Device::ReadAi), 21);
    EXPECT_EQ(slot_of(&Device::Get_SP_Value), 22);
    EXPECT_EQ(slot_of(&Device::RefreshStatus), 23);
    EXPECT_EQ(slot_of(&Device::process), 24);
    EXPECT_EQ(slot_of(&Device::IsProcessing), 25);
    EXPECT_EQ(slot_of(&Device::IsStalled), 26);
    EXPECT_EQ(slot_of(&Device::SendData), 27);
    EXPECT_EQ(slot_of(&Device::SendParityData), 28);
    EXPECT_EQ(slot_of(&Device::OpenPort), 29);
    EXPECT_EQ(slot_of(&Device::ClosePort), 30);
    EXPECT_EQ(slot_of(&Device::process_payload), 31);
    EXPECT_EQ(slot_of(&Device::process_error), 32);
    EXPECT_EQ(slot_of(&Device::RunCheckThreshold), 33);
}

// Sizes of the framework's classes and offsets of every member the plug-in
// reads or writes, from the start of the device object, on the 64-bit
// development host and on the 32-bit controller. A member added to a base
// class moves everything after it: change these numbers only on purpose.
TEST(ObjectLayout, MembersSitAtTheirOffsets)
{
    const Device device;
    const auto offset_of = [&device](const auto& member) {
        return static_cast<std::size_t>(reinterpret_cast<const char*>(&member) -
                                        reinterpret_cast<const char*>(&device));
    };
    const struct {
        const char* what;
        std::size_t actual, lp64, ilp32;
    } layout[] = {
        {"sizeof(VDeviceInterface)", sizeof(VDeviceInterface), 64, 40},
        {"sizeof(SMDVDevice)", sizeof(SMDVDevice), 280, 160},
        {"sizeof(SMDSPDevice)", sizeof(SMDSPDevice), 296, 168},
        {"sizeof(PMBusProtocol)", sizeof(PMBusProtocol), 320, 184},
        {"sizeof(qorv52_419)", sizeof(qorv52_419), 1448, 1264},
        {"data_id_", offset_of(device.data_id_), 8, 4},
        {"device_type_", offset_of(device.device_type_), 16, 8},
        {"use_controller_db_", offset_of(device.use_controller_db_), 48, 32},
        {"data_ready_", offset_of(device.data_ready_), 64, 40},
        {"last_round_time_", offset_of(device.last_round_time_), 72, 48},
        {"alarm_seq_", offset_of(device.alarm_seq_), 80, 56},
        {"round_changed_", offset_of(device.round_changed_), 82, 58},
        {"pending_rules_", offset_of(device.pending_rules_), 88, 60},
        {"ao_signals_", offset_of(device.ao_signals_), 112, 72},
        {"ao_values_", offset_of(device.ao_values_), 136, 84},
        {"level_map_", offset_of(device.level_map_), 184, 108},
        {"threshold_map_", offset_of(device.threshold_map_), 232, 132},
        {"status_word_", offset_of(device.status_word_), 280, 156},
        {"option_byte_", offset_of(device.option_byte_), 284, 160},
        {"baud_rate_", offset_of(device.baud_rate_), 288, 164},
        {"recv_frame_", offset_of(device.recv_frame_), 296, 168},
        {"recv_length_", offset_of(device.recv_length_), 304, 172},
        {"poll_step_", offset_of(device.poll_step_), 308, 176},
        {"protocol_version_", offset_of(device.protocol_version_), 312, 180},
        {"address_", offset_of(device.address_), 313, 181},
        {"data_", offset_of(device.data_), 314, 182},
        {"b_mode_", offset_of(device.b_mode_), 1320, 1188},
        {"alarm_mapping_", offset_of(device.alarm_mapping_), 1328, 1192},
        {"signal_names_", offset_of(device.signal_names_), 1376, 1216},
        {"control_ack_", offset_of(device.control_ack_), 1424, 1240},
        {"request_arg_", offset_of(device.request_arg_), 1428, 1244},
        {"rectifier_flag_", offset_of(device.rectifier_flag_), 1429, 1245},
        {"has_ac", offset_of(device.has_ac), 1430, 1246},
        {"has_dc", offset_of(device.has_dc), 1431, 1247},
        {"no_dc_number", offset_of(device.no_dc_number), 1432, 1248},
        {"has_a", offset_of(device.has_a), 1436, 1252},
        {"has_b", offset_of(device.has_b), 1437, 1253},
        {"has_c", offset_of(device.has_c), 1438, 1254},
        {"dc_i_adjust", offset_of(device.dc_i_adjust), 1440, 1256},
    };
    for (const auto& item : layout) {
        EXPECT_EQ(item.actual, sizeof(void*) == 8 ? item.lp64 : item.ilp32) << item.what;
    }
}
