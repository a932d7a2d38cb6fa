// Driver for a -48 V DC power system speaking protocol variant 419: AC
// distribution (CID1 0x40), rectifiers (0x41) and DC distribution (0x42).
// The member functions are defined in the pmbuspower_419_*.cpp files, one
// concern each, and instantiated there for the record of this model.
#pragma once

#include <cstdint>
#include <string>

#include <json/value.h>

#include "device/uni_data_device.h"
#include "host/pmbus_protocol.h"

template <class Data, int TypeId>
class pmbuspower_419 : public UniDataDevice<Data, PMBusProtocol, TypeId> {
public:
    pmbuspower_419();
    ~pmbuspower_419() override = default;

    float Get_Value(unsigned int id, const std::string& name) const override;
    int DeviceIoControl(int code, const void* in, int inLen, void* out, int outLen, int& outUsed) override;
    int InitSetting(const Json::Value& root) override;
    int RefreshStatus() override;
    int process_payload() override;
    void RunCheckThreshold() override;

    // Payload decoders, one per command pair. Each takes INFO bytes and their
    // count and returns the bytes consumed, or -1 when the payload is short.
    int parse40_41(const unsigned char* data, int len);
    int parse40_43(const unsigned char* data, int len);
    int parse40_44(const unsigned char* data, int len);
    int parse41_41(const unsigned char* data, int len);
    int parse41_43(const unsigned char* data, int len);
    int parse41_44(const unsigned char* data, int len);
    int parse42_41(const unsigned char* data, int len);
    int parse42_41_2(const unsigned char* data, int len);
    int parse42_44(const unsigned char* data, int len);
    int parse42_44_2(const unsigned char* data, int len);

    // -1 while a control command waits for its answer, 1 once one arrived.
    std::int32_t control_ack_ = -1;
    // The data byte of requests that carry one; never changes.
    std::uint8_t request_arg_ = 1;
    // Flag byte of the last rectifier analog reply.
    std::uint8_t rectifier_flag_ = 0;
    bool has_ac = true;
    bool has_dc = false;
    // DC reply format: -1 not yet known, 1 without the unit count byte, otherwise with it.
    std::int32_t no_dc_number = -1;
    bool has_a = true;
    bool has_b = true;
    bool has_c = true;
    std::int32_t dc_i_adjust = 1;
};
