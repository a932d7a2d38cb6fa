// A device that holds one fixed-size data record, publishes it at the end of
// every round and can take it back from the daemon's cache.
#pragma once

#include <cstring>
#include <iostream>
#include <map>
#include <string>

#include <json/value.h>

#include "device/config_value.h"
#include "device/local_clock.h"
#include "host/get_ttime.h"

template <class Data, class Protocol, int TypeId>
class UniDataDevice : public Protocol {
public:
    UniDataDevice() : data_() {}
    ~UniDataDevice() override = default;

    using Protocol::LoadFromCache;
    int LoadFromCache(const unsigned char* data, int length) override;
    void RoundDone() override;
    int InitSetting(const Json::Value& root) override;
    // Alarm evaluation after every completed round; a device without rules reports nothing.
    virtual void RunCheckThreshold() {}

    Data data_;       // the measurement record
    int b_mode_ = 1;  // alarm mode
    std::map<std::string, std::string> alarm_mapping_;  // threshold key to "NMAlarmID;ID;SignalNumber;"
    std::map<std::string, std::string> signal_names_;   // threshold key to signal name

protected:
    void store_data_id()
    {
        static_assert(sizeof(this->data_id_) == sizeof(data_.data_id), "data id is 32 bits in the record");
        std::memcpy(&data_.data_id, &this->data_id_, sizeof(data_.data_id));
    }

private:
    void read_threshold_setting(const Json::Value& root);
};

template <class Data, class Protocol, int TypeId>
int UniDataDevice<Data, Protocol, TypeId>::LoadFromCache(const unsigned char* data, int length)
{
    if (data == nullptr || length != static_cast<int>(sizeof(Data))) {
        return 0;
    }
    std::memcpy(&data_, data, sizeof(Data));
    this->data_ready_ = 1;
    RoundDone();
    return 1;
}

template <class Data, class Protocol, int TypeId>
void UniDataDevice<Data, Protocol, TypeId>::RoundDone()
{
    if (this->data_ready_ != 1) {
        this->data_ready_ = 1;
    }
    this->last_round_time_ = device::local_now();
    const ttime stamp = get_ttime(this->last_round_time_);
    std::memcpy(data_.round_time, stamp.data(), sizeof data_.round_time);

    const auto* record = reinterpret_cast<const unsigned char*>(&data_);
    this->SendSP(TypeId, record, sizeof(Data), false);
    this->Reset();

    this->alarm_seq_ = 1;
    this->round_changed_ = false;
    RunCheckThreshold();

    for (const std::string& signal : this->ao_signals_) {
        const auto value = this->ao_values_.find(signal);
        if (value == this->ao_values_.end()) {
            continue;
        }
        if (this->CheckAOReport(signal, value->second)) {
            this->round_changed_ = true;
        }
        this->CheckThreshold(signal, "", value->second, 1);
    }

    std::cout << "rvSize is " << this->pending_rules_.size() << std::endl;
    if (this->DoBatchCheckThreshold(this->pending_rules_)) {
        this->round_changed_ = true;
    }
    this->SaveDeviceHistory(record, sizeof(Data));
    this->pending_rules_.clear();
}

template <class Data, class Protocol, int TypeId>
int UniDataDevice<Data, Protocol, TypeId>::InitSetting(const Json::Value& root)
{
    store_data_id();
    const Json::Value& b_mode = device::member(device::member(root, "appSetting"), "b_mode");
    if (!b_mode.isNull()) {
        b_mode_ = device::atoi_rule(b_mode.asString());
    }
    if (device::member(root, "appSetting").isObject()) {
        std::cout << "InitSetting " << this->data_id_ << " b_mode_:" << b_mode_ << std::endl;
    }
    if (b_mode_ == 3) {
        read_threshold_setting(root);
    }
    return Protocol::InitSetting(root);
}

template <class Data, class Protocol, int TypeId>
void UniDataDevice<Data, Protocol, TypeId>::read_threshold_setting(const Json::Value& root)
{
    std::cout << "here 1" << std::endl;
    const Json::Value& thresholds = device::member(root, "thresholdSetting");
    if (thresholds.isNull()) {
        return;
    }
    std::cout << "here 2" << std::endl;
    for (auto entry = thresholds.begin(); entry != thresholds.end(); ++entry) {
        const std::string key = entry.name();
        std::cout << "here " << key << std::endl;
        if (!entry->isObject()) {
            continue;
        }
        const Json::Value& signal_name = device::member(*entry, "SignalName");
        if (!signal_name.isNull()) {
            signal_names_[key] = signal_name.asString();
        }
        std::string mapping;
        static const char* const fields[][2] = {{"NMAlarmID", " NMAlarmID is missing"},
                                                {"ID", " ID is missing"},
                                                {"SignalNumber", " SignalNumber is missing"}};
        for (const auto& field : fields) {
            const Json::Value& value = device::member(*entry, field[0]);
            if (!value.isNull()) {
                mapping += value.asString();
            } else {
                std::cout << this->data_id_ << field[1] << std::endl;
            }
            mapping += ";";
        }
        std::cout << "mobile:" << key << ":" << mapping << " level:" << this->level_map_[key]
                  << " value:" << this->threshold_map_[key] << std::endl;
        alarm_mapping_[key] = mapping;
    }
}
