// The power-system monitoring protocol layer: frames requests, unframes
// replies and hands each decoded reply to the device's process_payload.
#pragma once

#include <string>

#include "host/byte_line.h"
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
    // reported to the observer, and written to the line when one is attached.
    int write_pmbus_cmd(unsigned char cid1, unsigned char cid2, const unsigned char* data = nullptr,
                        int length = 0);

    // Open and close the attached line (the observer hears of OpenPort either way).
    int OpenPort() override;
    int ClosePort() override;

    // The line requests go out on; the host's loop attaches it.
    void attach_line(ByteLine* line) { line_ = line; }
    // Writes the last request frame once more: the host's retry after a
    // missing or bad reply. False when there is none or the line fails.
    bool resend_last_request();

    // Host state.
    unsigned char* recv_frame_ = nullptr;
    unsigned int recv_length_ = 0;
    int poll_step_ = 0;
    unsigned char protocol_version_ = 0x20;
    unsigned char address_ = 1;

    // Line state of the host's protocol layer.
    ByteLine* line_ = nullptr;
    std::string last_request_;              // the last request frame, as written
    unsigned char last_cid1_ = 0;           // its command pair, for diagnostics
    unsigned char last_cid2_ = 0;
    unsigned long requests_made_ = 0;       // requests framed for the line so far
};
