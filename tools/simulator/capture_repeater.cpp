#include "tools/simulator/capture_repeater.h"

namespace simulator {

namespace {

constexpr std::size_t HEADER_BYTES = 6;

}  // namespace

CaptureRepeater::CaptureRepeater(const std::vector<CapturedExchange>& exchanges)
{
    for (const CapturedExchange& exchange : exchanges) {
        if (exchange.reply.size() < HEADER_BYTES) {
            continue;
        }
        const std::uint8_t* reply = exchange.reply.data();
        replies_[Request{exchange.cid1, exchange.cid2, exchange.request_info}].frames.push_back(
            pmbus_frame::encode_frame(reply[0], reply[1], reply[2], reply[3], reply + HEADER_BYTES,
                                      exchange.reply.size() - HEADER_BYTES));
    }
}

std::string CaptureRepeater::reply_to(const pmbus_frame::DecodedFrame& request, bool retry)
{
    const std::vector<std::uint8_t> info(request.info(), request.info() + request.info_length());
    const auto found = replies_.find(Request{request.cid1(), request.cid2(), info});
    if (found == replies_.end()) {
        return {};
    }
    Replies& replies = found->second;
    if (!retry && replies.next < replies.frames.size()) {
        ++replies.next;
    }
    // Before the first counted request a retry still needs a reply.
    return replies.frames[replies.next == 0 ? 0 : replies.next - 1];
}

}  // namespace simulator
