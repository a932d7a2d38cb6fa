#include "host/smd_v_device.h"

SMDVDevice::SMDVDevice() = default;

SMDVDevice::~SMDVDevice() = default;

void SMDVDevice::Reset() { observer().on_reset(); }

int SMDVDevice::InitV(SMDVDevice* parent, unsigned int id, const Json::Value& config)
{
    return VDeviceInterface::InitV(parent, id, config);
}

bool SMDVDevice::IsSupportDevice(const std::string& type) const { return VDeviceInterface::IsSupportDevice(type); }

int SMDVDevice::SendSP(int type, const unsigned char* data, unsigned int length, bool flag)
{
    observer().on_send_sp(type, data, length, flag);
    return 1;
}

int SMDVDevice::SendDelayData(int) { return 0; }

int SMDVDevice::SendDoData(int, char) { return 0; }

int SMDVDevice::ReadDi(int) { return 0; }

float SMDVDevice::ReadAi(int) { return 0.0f; }

float SMDVDevice::Get_SP_Value(unsigned int id, const std::string& name) { return Get_Value(id, name); }

int SMDVDevice::SaveDeviceHistory(const unsigned char* data, unsigned int length)
{
    observer().on_save_history(data, length);
    return 1;
}

bool SMDVDevice::CheckAOReport(const std::string& signal, float value)
{
    return observer().on_check_ao_report(signal, value);
}

bool SMDVDevice::CheckThreshold(const std::string& signal, const std::string& text, const float& value, int n)
{
    observer().on_check_threshold(signal, text, value, n);
    return false;
}

void SMDVDevice::CheckThresholdBool(int level, const std::string& key, const std::string& id,
                                    const std::string& desc, const std::string& name, bool state,
                                    unsigned short seq)
{
    observer().on_check_threshold_bool(level, key, id, desc, name, state, seq);
}

bool SMDVDevice::DoBatchCheckThreshold(const std::vector<rule_value>& rules)
{
    return observer().on_batch_check(rules.size());
}
