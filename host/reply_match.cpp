#include "host/reply_match.h"

std::string reply_mismatch(const pmbus_frame::DecodedFrame& reply, const OutstandingRequest& request)
{
    if (reply.address() != request.address) {
        return "reply from address " + std::to_string(reply.address()) + ", expected " +
               std::to_string(request.address);
    }
    if (reply.cid1() != request.cid1) {
        return "reply for CID1 " + pmbus_frame::byte_text(reply.cid1()) + " to a request for " + pmbus_frame::byte_text(request.cid1);
    }
    if (reply.cid2() == pmbus_frame::RTN_NORMAL && reply.version() != request.version) {
        return "reply with protocol version " + pmbus_frame::byte_text(reply.version()) + " to a request with " + pmbus_frame::byte_text(request.version);
    }
    return {};
}
