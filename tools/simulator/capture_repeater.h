// A power system that answers like a captured site: each request gets the
// reply the site gave to the same request (same CID1, CID2 and INFO), in the
// captured order; when the capture has no more of them, the last one again.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "host/frame_codec.h"

namespace simulator {

struct CapturedExchange {
    std::uint8_t cid1 = 0;
    std::uint8_t cid2 = 0;
    std::vector<std::uint8_t> request_info;
    // The reply as the host's loop handed it to the device: version,
    // address, CID1, return code, the two length bytes, INFO.
    std::vector<std::uint8_t> reply;
};

class CaptureRepeater {
public:
    explicit CaptureRepeater(const std::vector<CapturedExchange>& exchanges);

    // The reply frame for the line; empty when the site was never asked this.
    // A retry gets the reply its request got before.
    std::string reply_to(const pmbus_frame::DecodedFrame& request, bool retry);

private:
    using Request = std::tuple<std::uint8_t, std::uint8_t, std::vector<std::uint8_t>>;
    struct Replies {
        std::vector<std::string> frames;
        std::size_t next = 0;
    };
    std::map<Request, Replies> replies_;
};

}  // namespace simulator
