// A device on a serial port: the daemon polls it through RefreshStatus and
// feeds it what the port receives.
#pragma once

#include "host/smd_v_device.h"

class HOST_API SMDSPDevice : public SMDVDevice {
public:
    SMDSPDevice();
    ~SMDSPDevice() override;

    void Reset() override;
    int Init(std::weak_ptr<SMDController> controller, unsigned int id, const Json::Value& config) override;

    // 0 when the device must not poll now (port busy, exchange running).
    virtual int RefreshStatus();
    virtual int process(unsigned char* data, unsigned int length);
    virtual bool IsProcessing();
    virtual bool IsStalled();
    virtual int SendData(const unsigned char* data, unsigned int length);
    virtual int SendParityData(const unsigned char* data, unsigned int length, EnumParity parity);
    virtual int OpenPort();
    virtual int ClosePort();

    // Host state.
    int status_word_ = 0;
    unsigned char option_byte_ = 0;
    int baud_rate_ = 9600;
};
