// A device that publishes records and takes part in the daemon's alarm and
// history handling.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <boost/date_time/posix_time/ptime.hpp>

#include "host/vdevice_interface.h"

class HOST_API SMDVDevice : public VDeviceInterface {
public:
    SMDVDevice();
    ~SMDVDevice() override;

    void Reset() override;
    int InitV(SMDVDevice* parent, unsigned int id, const Json::Value& config) override;
    bool IsSupportDevice(const std::string& type) const override;

    virtual std::shared_ptr<SMDVDevice> GetChildVDevice(unsigned int) { return std::shared_ptr<SMDVDevice>(); }
    virtual std::vector<std::shared_ptr<SMDVDevice>> GetAllChildVDevices()
    {
        return std::vector<std::shared_ptr<SMDVDevice>>();
    }
    // Publishes a record of the given data type to the daemon.
    virtual int SendSP(int type, const unsigned char* data, unsigned int length, bool flag);
    virtual int SendDelayData(int delay);
    virtual int SendDoData(int channel, char value);
    virtual int ReadDi(int channel);
    virtual float ReadAi(int channel);
    virtual float Get_SP_Value(unsigned int id, const std::string& name);

    // Stores a record in the device history.
    int SaveDeviceHistory(const unsigned char* data, unsigned int length);
    // Reports an analog output value; true when the report changed something.
    bool CheckAOReport(const std::string& signal, float value);
    bool CheckThreshold(const std::string& signal, const std::string& text, const float& value, int n);
    // Reports one boolean alarm state.
    void CheckThresholdBool(int level, const std::string& key, const std::string& id, const std::string& desc,
                            const std::string& name, bool state, unsigned short seq);
    // Checks the rules collected during the round; true when something changed.
    bool DoBatchCheckThreshold(const std::vector<rule_value>& rules);

    // Host state.
    unsigned char data_ready_ = 0;
    boost::posix_time::ptime last_round_time_;  // not a date until the first round
    unsigned short alarm_seq_ = 0;
    bool round_changed_ = false;
    std::vector<rule_value> pending_rules_;
    std::vector<std::string> ao_signals_;
    std::map<std::string, float> ao_values_;
    std::map<std::string, int> level_map_;
    std::map<std::string, float> threshold_map_;
};
