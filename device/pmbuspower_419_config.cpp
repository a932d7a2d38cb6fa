// Construction defaults and the poll and hardware settings under "appSetting".
#include <iostream>

#include "device/pmbuspower_419.h"
#include "protocol419/record.h"

template <class Data, int TypeId>
pmbuspower_419<Data, TypeId>::pmbuspower_419()
{
    this->baud_rate_ = 9600;
    this->option_byte_ = 1;
    this->protocol_version_ = 0x20;
}

template <class Data, int TypeId>
int pmbuspower_419<Data, TypeId>::InitSetting(const Json::Value& root)
{
    const Json::Value& app = device::member(root, "appSetting");
    if (app.isObject()) {
        const auto read_int = [&app](const char* key, std::int32_t& setting) {
            const Json::Value& value = device::member(app, key);
            if (!value.isNull()) {
                setting = device::atoi_rule(value.asString());
            }
        };
        const auto read_flag = [&app](const char* key, bool& setting) {
            const Json::Value& value = device::member(app, key);
            if (!value.isNull()) {
                setting = device::atoi_rule(value.asString()) != 0;
            }
        };
        read_flag("has_ac", has_ac);
        read_flag("has_dc", has_dc);
        read_int("no_dc_number", no_dc_number);
        read_flag("has_a", has_a);
        read_flag("has_b", has_b);
        read_flag("has_c", has_c);
        read_int("dc_i_adjust", dc_i_adjust);
    }
    this->store_data_id();
    UniDataDevice<Data, PMBusProtocol, TypeId>::InitSetting(root);
    return 1;
}

template pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::pmbuspower_419();
template int pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::InitSetting(const Json::Value&);
