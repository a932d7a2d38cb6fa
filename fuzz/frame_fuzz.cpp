// The host's serial frame decoder, with an arbitrary byte stream and with
// frames encoded from arbitrary fields. A frame it calls good must hold
// exactly what its characters say, encode back to the same characters, and
// give the device a length field that never announces more INFO than the
// decoded frame holds; a frame it refuses must be explained.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/support/byte_source.h"
#include "fuzz/support/checking_host.h"
#include "host/frame_codec.h"

namespace {

using pmbus_frame::DecodedFrame;
using pmbus_frame::FrameReader;
using pmbus_frame::FrameStatus;

std::string upper(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

void check_good_frame(const DecodedFrame* frame, const std::string& characters)
{
    FUZZ_CHECK(frame != nullptr, "good frame without a decoded frame");
    FUZZ_CHECK(frame->length >= pmbus_frame::DECODED_HEADER_BYTES && frame->length <= frame->bytes.size(),
               "decoded frame of %zu bytes", frame->length);
    const unsigned field = frame->bytes[4] | static_cast<unsigned>(frame->bytes[5]) << 8;
    FUZZ_CHECK(field == 2 * frame->info_length(), "length field %u for %zu INFO bytes", field, frame->info_length());
    const std::string again = pmbus_frame::encode_frame(frame->version(), frame->address(), frame->cid1(),
                                                        frame->cid2(), frame->info(), frame->info_length());
    FUZZ_CHECK(upper(again) == upper(characters), "good frame does not encode back to its characters");
}

// Feeds a byte stream and checks every frame the reader reports.
void read_stream(const std::uint8_t* data, std::size_t size)
{
    FrameReader reader;
    std::string characters;  // of the frame in progress, SOI first
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == pmbus_frame::SOI) {
            characters.assign(1, c);
        } else if (!characters.empty()) {
            characters += c;
        }
        if (!reader.push(data[i])) {
            continue;
        }
        const auto& outcome = reader.outcome();
        if (outcome.status == FrameStatus::good) {
            check_good_frame(outcome.frame, characters);
        } else {
            FUZZ_CHECK(!pmbus_frame::describe(outcome).empty(), "frame fault without a description");
        }
        if (c != pmbus_frame::SOI) {
            characters.clear();
        }
    }
}

// Encodes a frame from the input's fields; reading it back must give one
// good frame with the same fields.
void round_trip(fuzz::byte_source& in)
{
    const std::vector<std::uint8_t> header = in.bytes(4);
    const std::uint8_t version = header.size() > 0 ? header[0] : 0;
    const std::uint8_t address = header.size() > 1 ? header[1] : 0;
    const std::uint8_t cid1 = header.size() > 2 ? header[2] : 0;
    const std::uint8_t cid2 = header.size() > 3 ? header[3] : 0;
    const std::vector<std::uint8_t> info = in.bytes(pmbus_frame::MAX_INFO_BYTES);
    const std::string encoded =
        pmbus_frame::encode_frame(version, address, cid1, cid2, info.empty() ? nullptr : info.data(), info.size());

    FrameReader reader;
    int frames = 0;
    for (const char c : encoded) {
        if (!reader.push(static_cast<std::uint8_t>(c))) {
            continue;
        }
        ++frames;
        const auto& outcome = reader.outcome();
        FUZZ_CHECK(outcome.status == FrameStatus::good, "own frame refused: %s",
                   pmbus_frame::describe(outcome).c_str());
        const DecodedFrame& frame = *outcome.frame;
        FUZZ_CHECK(frame.version() == version && frame.address() == address && frame.cid1() == cid1 &&
                       frame.cid2() == cid2 && frame.info_length() == info.size() &&
                       (info.empty() || std::memcmp(frame.info(), info.data(), info.size()) == 0),
                   "own frame read back differently");
    }
    FUZZ_CHECK(frames == 1, "own frame read as %d frames", frames);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size != 0 && data[0] == 0xFF) {
        fuzz::byte_source in(data + 1, size - 1);
        round_trip(in);
    } else {
        read_stream(data, size);
    }
    return 0;
}
