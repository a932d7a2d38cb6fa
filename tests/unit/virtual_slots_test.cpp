// The daemon calls device operations through fixed virtual-table slots, so
// their order is part of the binary interface. Under the Itanium C++ ABI a
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
