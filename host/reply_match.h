// Whether a well-formed reply answers the request that is outstanding. A
// reply carries the request's version byte, address and CID1, with the
// return code where the request had CID2; anything else was meant for
// another request or another device and must not reach the decoders. (A
// late reply to an earlier request with the same CID1 looks exactly like
// the answer: the protocol carries nothing that tells them apart.)
#pragma once

#include <cstdint>
#include <string>

#include "host/frame_codec.h"

struct OutstandingRequest {
    std::uint8_t version = 0;
    std::uint8_t address = 0;
    std::uint8_t cid1 = 0;
};

// Why `reply` is not the answer to `request`; empty when it is. An error
// reply (a return code other than normal) is judged by address and CID1
// only: a power system may answer a version it does not speak with its own.
HOST_API std::string reply_mismatch(const pmbus_frame::DecodedFrame& reply, const OutstandingRequest& request);
