#include "host/vdevice_interface.h"

#include <stdexcept>

VDeviceInterface::VDeviceInterface() : observer_(&HostObserver::none()) {}

VDeviceInterface::~VDeviceInterface() = default;

float VDeviceInterface::Get_Value(unsigned int, const std::string&) const
{
    throw std::out_of_range("数据未就绪");
}

int VDeviceInterface::LoadFromCache(const unsigned char*, int) { return 0; }

int VDeviceInterface::DeviceIoControl(int, const void*, int, void*, int, int& outUsed)
{
    outUsed = 0;
    return -1;
}

void VDeviceInterface::RoundDone() {}

void VDeviceInterface::Reset() {}

int VDeviceInterface::InitV(SMDVDevice*, unsigned int id, const Json::Value&)
{
    data_id_ = id;
    return 1;
}

int VDeviceInterface::Init(std::weak_ptr<SMDController>, unsigned int id, const Json::Value&)
{
    data_id_ = id;
    return 1;
}

int VDeviceInterface::InitSetting(const Json::Value&) { return 1; }

bool VDeviceInterface::IsSupportDevice(const std::string& type) const { return type == device_type_; }
