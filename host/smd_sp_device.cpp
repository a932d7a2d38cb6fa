#include "host/smd_sp_device.h"

SMDSPDevice::SMDSPDevice() = default;

SMDSPDevice::~SMDSPDevice() = default;

void SMDSPDevice::Reset() { observer().on_reset(); }

int SMDSPDevice::Init(std::weak_ptr<SMDController> controller, unsigned int id, const Json::Value& config)
{
    return VDeviceInterface::Init(std::move(controller), id, config);
}

int SMDSPDevice::RefreshStatus() { return observer().on_refresh_status(); }

int SMDSPDevice::process(unsigned char*, unsigned int) { return 0; }

bool SMDSPDevice::IsProcessing() { return false; }

bool SMDSPDevice::IsStalled() { return false; }

int SMDSPDevice::SendData(const unsigned char*, unsigned int) { return 0; }

int SMDSPDevice::SendParityData(const unsigned char*, unsigned int, EnumParity) { return 0; }

int SMDSPDevice::OpenPort()
{
    observer().on_open_port();
    return 1;
}

int SMDSPDevice::ClosePort() { return 1; }
