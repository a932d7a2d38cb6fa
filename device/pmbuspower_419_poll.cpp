// The poll round: refresh gate, request sequence and reply dispatch.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iostream>

#include "device/local_clock.h"
#include "device/pmbuspower_419.h"
#include "device/poll_step.h"
#include "host/frame_codec.h"
#include "protocol419/command_codes.h"
#include "protocol419/info_cursor.h"
#include "protocol419/record.h"

namespace {

using namespace device;  // the poll steps

// Host status word while a refresh is declined.
constexpr int refresh_declined = 10;

using protocol419::CID1_AC;
using protocol419::CID1_DC;
using protocol419::CID1_RECTIFIER;
using protocol419::CID2_ALARMS;
using protocol419::CID2_ANALOG;
using protocol419::CID2_STATUS;
using protocol419::FLAG_ALARMS_CHANGED;
using protocol419::FLAG_STATUS_CHANGED;

// DC requests carry the argument byte only from this protocol version byte on.
constexpr unsigned char dc_argument_version = 0x21;

// DC output voltages that a -48 V system reports; a reply whose INFO bytes 1
// to 4 read as one of them has no unit count byte.
constexpr float dc_voltage_low = 40.0f;
constexpr float dc_voltage_high = 60.0f;
constexpr std::int32_t dc_without_unit_count = 1;
constexpr std::int32_t dc_with_unit_count = 2;

using protocol419::info_cursor;

// The INFO bytes of a received frame, bounded by what actually arrived.
info_cursor received_info(const unsigned char* frame, unsigned int frame_length)
{
    // Bytes 0-3 version, address, CID1, return code; bytes 4-5 twice the
    // INFO length, least significant byte first; INFO after them.
    constexpr unsigned int header = pmbus_frame::DECODED_HEADER_BYTES;
    if (frame == nullptr || frame_length < header) {
        return info_cursor(frame, 0);
    }
    const unsigned int field = static_cast<unsigned int>(frame[4]) | static_cast<unsigned int>(frame[5]) << 8;
    // A length field that claims more than arrived never leads past the frame.
    const unsigned int length = std::min(field >> 1, frame_length - header);
    return info_cursor(frame + header, static_cast<int>(length));
}

template <class Device>
void decode_dc_analog(Device& device, const info_cursor& info)
{
    const std::uint8_t units = info.at(1);
    std::cout << "pmbuspower_419 PMBUSPOWER_42_41 dc_number:" << unsigned{units} << std::endl;
    float voltage;
    if (device.no_dc_number == -1 && info.from(1).bytes(&voltage, sizeof voltage)) {
        device.no_dc_number =
            voltage > dc_voltage_low && voltage < dc_voltage_high ? dc_without_unit_count : dc_with_unit_count;
    }
    if (device.no_dc_number == dc_without_unit_count) {
        const info_cursor unit = info.from(1);
        device.parse42_41(unit.data(), unit.length());
        return;
    }
    const info_cursor first = info.from(2);
    const int consumed = device.parse42_41(first.data(), first.length());
    // A first block that does not fit leaves no place where a second one starts.
    if (consumed != -1 && units >= 2) {
        const info_cursor second = info.from(2 + consumed);
        device.parse42_41_2(second.data(), second.length());
    }
}

template <class Device>
void decode_dc_alarms(Device& device, const info_cursor& info)
{
    if (device.no_dc_number == dc_without_unit_count) {
        const info_cursor unit = info.from(1);
        device.parse42_44(unit.data(), unit.length());
        return;
    }
    const std::uint8_t units = info.at(1);
    std::cout << "pmbuspower_419 PMBUSPOWER_42_44 dc_number:" << unsigned{units} << std::endl;
    const info_cursor first = info.from(2);
    const int consumed = device.parse42_44(first.data(), first.length());
    if (consumed != -1 && units >= 2) {
        const info_cursor second = info.from(2 + consumed);
        device.parse42_44_2(second.data(), second.length());
    }
}

}  // namespace

template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::RefreshStatus()
{
    if (this->SMDSPDevice::RefreshStatus() == 0) {
        return 0;
    }
    // A round starts at most every other second. Before the first round there
    // is no last-round time to wait for.
    if (!this->last_round_time_.is_special()) {
        const auto since_last_round = device::local_now() - this->last_round_time_;
        if (since_last_round.total_seconds() <= 1) {
            this->status_word_ = refresh_declined;
            return 0;
        }
    }
    if (has_ac) {
        this->poll_step_ = ac_analog_step;
        this->write_pmbus_cmd(CID1_AC, CID2_ANALOG, &request_arg_, 1);
    } else {
        this->poll_step_ = rectifier_analog_step;
        this->write_pmbus_cmd(CID1_RECTIFIER, CID2_ANALOG);
    }
    return 1;
}

template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::process_payload()
{
    const int step = this->poll_step_;
    if (!is_poll_request(step)) {
        // The answer to a control command.
        control_ack_ = 1;
        return 0;
    }

    const info_cursor info = received_info(this->recv_frame_, this->recv_length_);
    const std::uint8_t flag = info.at(0);
    // Until the first round completes, every status and alarm request is made.
    const bool ready = this->data_ready_ == 1;
    auto changed = [ready](std::uint8_t flags, std::uint8_t bits) { return !ready || (flags & bits) != 0; };

    auto send = [this](poll_step next_step, unsigned char cid1, unsigned char cid2, bool with_argument) {
        this->poll_step_ = next_step;
        if (with_argument) {
            this->write_pmbus_cmd(cid1, cid2, &request_arg_, 1);
        } else {
            this->write_pmbus_cmd(cid1, cid2);
        }
        return 1;
    };
    auto end_round = [this] {
        this->RoundDone();
        this->poll_step_ = round_finished_step;
        this->Reset();
        return 0;
    };
    const bool dc_argument = this->protocol_version_ == dc_argument_version;
    auto dc_decision = [&] {
        return has_dc ? send(dc_analog_step, CID1_DC, CID2_ANALOG, dc_argument) : end_round();
    };
    // The rectifier flag byte of the analog reply decides, not the status reply's own.
    auto after_rectifier_status = [&] {
        return changed(rectifier_flag_, FLAG_ALARMS_CHANGED) ? send(rectifier_alarms_step, CID1_RECTIFIER, CID2_ALARMS, false)
                                                        : dc_decision();
    };
    auto after_ac_status = [&] {
        return changed(flag, FLAG_ALARMS_CHANGED) ? send(ac_alarms_step, CID1_AC, CID2_ALARMS, true)
                                             : send(rectifier_analog_step, CID1_RECTIFIER, CID2_ANALOG, false);
    };

    switch (step) {
    case ac_analog_step: {
        const info_cursor payload = info.from(1);
        if (parse40_41(payload.data(), payload.length()) == -1) {
            // Nothing more is asked; the host's timeout and the next refresh take over.
            return 1;
        }
        if (changed(flag, FLAG_STATUS_CHANGED)) {
            return send(ac_status_step, CID1_AC, CID2_STATUS, true);
        }
        return after_ac_status();
    }
    case ac_status_step: {
        const info_cursor payload = info.from(1);
        parse40_43(payload.data(), payload.length());
        return after_ac_status();
    }
    case ac_alarms_step: {
        const info_cursor payload = info.from(1);
        parse40_44(payload.data(), payload.length());
        return send(rectifier_analog_step, CID1_RECTIFIER, CID2_ANALOG, false);
    }
    case rectifier_analog_step: {
        rectifier_flag_ = flag;
        const int consumed = parse41_41(info.data(), info.length());
        std::printf("41_43 %d vs %d\n", info.length(), consumed);
        if (changed(rectifier_flag_, FLAG_STATUS_CHANGED)) {
            return send(rectifier_status_step, CID1_RECTIFIER, CID2_STATUS, false);
        }
        return after_rectifier_status();
    }
    case rectifier_status_step:
        parse41_43(info.data(), info.length());
        return after_rectifier_status();
    case rectifier_alarms_step:
        parse41_44(info.data(), info.length());
        return dc_decision();
    case dc_analog_step:
        decode_dc_analog(*this, info);
        if (changed(flag, FLAG_STATUS_CHANGED | FLAG_ALARMS_CHANGED)) {
            return send(dc_alarms_step, CID1_DC, CID2_ALARMS, dc_argument);
        }
        return end_round();
    default:  // dc_alarms_step
        decode_dc_alarms(*this, info);
        return end_round();
    }
}

template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::RefreshStatus();
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::process_payload();
