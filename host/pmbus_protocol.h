// The power-system monitoring protocol layer: hands each decoded reply to
// the device's process_payload and each request to the host's observer,
// which puts it on the line.
#pragma once

#include "host/smd_sp_device.h"

class HOST_API PMBusProtocol : public SMDSPDevice {
public:
    PMBusProtocol();
    ~PMBusProtocol() override;

    int InitSetting(const Json::Value& root) override;

    // Takes a decoded reply frame: bytes 0-3 version, address, CID1, return
    // code; bytes 4-5 twice the INFO length, little-endian; INFO from byte 6.
    int process(unsigned char* data, unsigned int length) override;
    virtual int process_payload() = 0;
    virtual int process_error();

    // Sends one request frame with the device's protocol version and address:
    // the observer hears of it and the host's loop writes it to the line.
    int write_pmbus_cmd(unsigned char cid1, unsigned char cid2, const unsigned char* data = nullptr,
                        int length = 0);

    // Host state.
    unsigned char* recv_frame_ = nullptr;
    unsigned int recv_length_ = 0;
    int poll_step_ = 0;
    unsigned char protocol_version_ = 0x20;
    unsigned char address_ = 1;
};
