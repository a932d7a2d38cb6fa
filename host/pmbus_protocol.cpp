#include "host/pmbus_protocol.h"

#include <iostream>

#include "host/frame_codec.h"

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
    if (line_ == nullptr) {
        return 1;
    }
    const std::size_t info_length = data != nullptr && length > 0 ? static_cast<std::size_t>(length) : 0;
    last_request_ = pmbus_frame::encode_frame(protocol_version_, address_, cid1, cid2, data, info_length);
    last_cid1_ = cid1;
    last_cid2_ = cid2;
    ++requests_made_;
    return resend_last_request() ? 1 : 0;
}

bool PMBusProtocol::resend_last_request()
{
    if (line_ == nullptr || last_request_.empty()) {
        return false;
    }
    try {
        if (!line_->is_open()) {
            line_->open();
        }
        // A late answer to an earlier request must not pass for this one's.
        line_->discard_input();
        line_->write(reinterpret_cast<const unsigned char*>(last_request_.data()), last_request_.size());
    } catch (const LineLost&) {
        // The host's loop finds the lost line on its next wait and says so once.
        return false;
    } catch (const LineError& error) {
        std::cerr << "cannot send the request: " << error.what() << std::endl;
        return false;
    }
    return true;
}

int PMBusProtocol::OpenPort()
{
    SMDSPDevice::OpenPort();
    if (line_ == nullptr) {
        return 1;
    }
    try {
        line_->open();
    } catch (const LineError& error) {
        std::cerr << "cannot open the port: " << error.what() << std::endl;
        return 0;
    }
    return 1;
}

int PMBusProtocol::ClosePort()
{
    if (line_ != nullptr) {
        line_->close();
    }
    return SMDSPDevice::ClosePort();
}
