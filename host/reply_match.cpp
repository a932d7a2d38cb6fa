#include "host/reply_match.h"

#include <cstdio>

namespace {

std::string hex(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

}  // namespace

std::string reply_mismatch(const pmbus_frame::DecodedFrame& reply, const OutstandingRequest& request)
{
    if (reply.address() != request.address) {
        return "reply from address " + std::to_string(reply.address()) + ", expected " +
               std::to_string(request.address);
    }
    if (reply.cid1() != request.cid1) {
        return "reply for CID1 " + hex(reply.cid1()) + " to a request for " + hex(request.cid1);
    }
    if (reply.cid2() == pmbus_frame::RTN_NORMAL && reply.version() != request.version) {
        return "reply with protocol version " + hex(reply.version()) + " to a request with " + hex(request.version);
    }
    return {};
}
