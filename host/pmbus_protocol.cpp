#include "host/pmbus_protocol.h"

PMBusProtocol::PMBusProtocol() = default;

PMBusProtocol::~PMBusProtocol() = default;

int PMBusProtocol::InitSetting(const Json::Value&) { return 1; }

int PMBusProtocol::process(unsigned char* data, unsigned int length)
{
    recv_frame_ = data;
    recv_length_ = length;
    return process_payload();
}

int PMBusProtocol::process_error() { return 0; }

int PMBusProtocol::write_pmbus_cmd(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length)
{
    observer().on_send(cid1, cid2, data, data ? length : 0);
    return 1;
}
