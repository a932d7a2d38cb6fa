// Control commands: date and time, DC parameters, rectifier remote control,
// and the query of whether the last command was answered.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <json/reader.h>
#include <json/value.h>

#include "device/config_value.h"
#include "device/pmbuspower_419.h"
#include "device/poll_step.h"
#include "protocol419/command_codes.h"
#include "protocol419/record.h"

namespace {

constexpr int SET_DATE_TIME = 300;
constexpr int SET_DC_PARAMETER = 310;
constexpr int RECTIFIER_REMOTE_CONTROL = 320;

using protocol419::CID1_DC;
using protocol419::CID1_RECTIFIER;
using protocol419::CID2_REMOTE_CONTROL;
using protocol419::CID2_SET_DATE_TIME;
using protocol419::CID2_SET_PARAMETER_FLOAT;

constexpr int DATE_TIME_BYTES = 7;

struct dc_parameter {
    const char* signal_id;
    unsigned char type;
};

const dc_parameter dc_parameters[] = {
    {"006201", 0xDC},
    {"006202", 0xDB},
};

struct remote_control_action {
    const char* signal_id;
    unsigned char command_type;
    unsigned char command_value;
};

const remote_control_action remote_control_actions[] = {
    {"419500201001", 0xE5, 0x01}, {"419500201002", 0xE5, 0x02}, {"419500201003", 0xE5, 0x03},
    {"419500200001", 0xE6, 0x01}, {"419500200002", 0xE6, 0x02}, {"419500200003", 0xE6, 0x03},
    {"419500600001", 0x1F, 0x02}, {"419500601001", 0x10, 0x02}, {"419500602001", 0x11, 0x02},
};

const dc_parameter* find_dc_parameter(const std::string& signal_id)
{
    for (const dc_parameter& parameter : dc_parameters) {
        if (signal_id == parameter.signal_id) {
            return &parameter;
        }
    }
    return nullptr;
}

// Whole-text, case-sensitive match: a trailing terminator byte makes no match.
const remote_control_action* find_remote_control_action(const std::string& text)
{
    for (const remote_control_action& action : remote_control_actions) {
        if (text == action.signal_id) {
            return &action;
        }
    }
    return nullptr;
}

// The caller's input bytes as text; no input (a null pointer or a negative
// length) is the empty text.
std::string input_text(const void* in, int inLen)
{
    if (in == nullptr || inLen <= 0) {
        return std::string();
    }
    return std::string(static_cast<const char*>(in), static_cast<std::size_t>(inLen));
}

// Writes one 32-bit result for the caller, when its buffer can take it.
bool write_result(std::int32_t value, void* out, int outLen, int& outUsed)
{
    if (out == nullptr || outLen < static_cast<int>(sizeof value)) {
        return false;
    }
    std::memcpy(out, &value, sizeof value);
    outUsed = static_cast<int>(sizeof value);
    return true;
}

// A member whose text can be taken as it is: a string or a boolean. Numbers,
// arrays and objects have no agreed text form here and count as unusable.
const Json::Value* text_member(const Json::Value& document, const char* key)
{
    const Json::Value& value = device::member(document, key);
    if (value.isString() || value.isBool()) {
        return &value;
    }
    return nullptr;
}

// Parses the text of a DC parameter request; false when it is not JSON.
bool parse_document(const std::string& text, Json::Value& document)
{
    try {
        Json::Reader reader;
        return reader.parse(text, document, true);
    } catch (const Json::Exception&) {
        // The reader gives up on documents nested too deeply by throwing.
        // Nothing else is caught: running out of memory is not "not JSON".
        return false;
    }
}

}  // namespace

template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::DeviceIoControl(int code, const void* in, int inLen, void* out, int outLen,
                                                  int& outUsed)
{
    switch (code) {
    case SET_DATE_TIME: {
        // The poll step makes the next reply count as the command's answer,
        // even when the request is then refused.
        this->poll_step_ = device::set_date_time_step;
        control_ack_ = -1;
        this->OpenPort();
        if (in == nullptr || inLen != DATE_TIME_BYTES) {
            return -1;
        }
        unsigned char date_time[DATE_TIME_BYTES];
        std::memcpy(date_time, in, sizeof date_time);
        this->write_pmbus_cmd(CID1_RECTIFIER, CID2_SET_DATE_TIME, date_time, DATE_TIME_BYTES);
        write_result(1, out, outLen, outUsed);
        return 0;
    }
    case SET_DC_PARAMETER: {
        control_ack_ = -1;
        this->poll_step_ = device::set_dc_parameter_step;
        this->OpenPort();
        Json::Value document;
        if (!parse_document(input_text(in, inLen), document)) {
            return -1;
        }
        const Json::Value* signal_id = text_member(document, "signal_id");
        if (signal_id == nullptr) {
            return 0;
        }
        const dc_parameter* parameter = find_dc_parameter(signal_id->asString());
        const Json::Value* set_value = text_member(document, "SetValue");
        if (parameter == nullptr || set_value == nullptr) {
            return 0;
        }
        const float value = static_cast<float>(std::atof(set_value->asString().c_str()));
        unsigned char data[1 + sizeof value];
        data[0] = parameter->type;
        std::memcpy(data + 1, &value, sizeof value);
        this->write_pmbus_cmd(CID1_DC, CID2_SET_PARAMETER_FLOAT, data, static_cast<int>(sizeof data));
        return 0;
    }
    case RECTIFIER_REMOTE_CONTROL: {
        // The poll step stays: the answer counts as one only between rounds.
        this->status_word_ = RECTIFIER_REMOTE_CONTROL;
        control_ack_ = -1;
        this->OpenPort();
        if (const remote_control_action* action = find_remote_control_action(input_text(in, inLen))) {
            const unsigned char data[] = {action->command_type, action->command_value};
            this->write_pmbus_cmd(CID1_RECTIFIER, CID2_REMOTE_CONTROL, data, static_cast<int>(sizeof data));
        }
        return 0;
    }
    default:
        if (!write_result(control_ack_, out, outLen, outUsed)) {
            outUsed = 0;
        }
        return 0;
    }
}

template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::DeviceIoControl(int, const void*, int, void*, int, int&);
