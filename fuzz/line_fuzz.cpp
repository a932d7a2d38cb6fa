// A device behind the host's loop on a serial line that answers each request
// with bytes from the input: raw noise, or frames encoded around arbitrary
// INFO, with arbitrary addresses and return codes. Whatever the line sends,
// every request written to it must be one well-formed frame of one of the
// protocol's command pairs, and the record's reserved bytes stay zero.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "device/qorv52_419.h"
#include "fuzz/support/byte_source.h"
#include "fuzz/support/checking_host.h"
#include "fuzz/support/record_regions.h"
#include "host/byte_line.h"
#include "host/device_loop.h"
#include "host/frame_codec.h"
#include "tools/clock_seam/clock_seam.h"

namespace {

constexpr int MAX_ROUNDS = 8;
// At most this many answers are taken from the input; after that the line
// stays silent, so a run ends after its retries.
constexpr int MAX_ANSWERS = 64;

// The power system's side of the line: the answer to each request is the
// next piece of the input, handed out in chunks of the sizes it asks for.
class scripted_line : public ByteLine {
public:
    scripted_line(fuzz::byte_source& in, const PMBusProtocol& device) : in_(in), device_(device) {}

    void open() override { open_ = true; }
    void close() override { open_ = false; }
    bool is_open() const override { return open_; }

    bool write(const unsigned char* data, std::size_t length, const WriteWait&) override
    {
        check_request(data, length);
        pending_ = answers_++ < MAX_ANSWERS ? next_answer() : std::vector<std::uint8_t>();
        position_ = 0;
        return true;
    }

    std::size_t read(unsigned char* buffer, std::size_t capacity, int) override
    {
        const std::size_t left = pending_.size() - position_;
        const std::size_t chunk = std::min({left, capacity, chunk_});
        if (chunk != 0) {
            std::memcpy(buffer, pending_.data() + position_, chunk);
            position_ += chunk;
        }
        return chunk;
    }

    void discard_input() override { position_ = pending_.size(); }
    std::string name() const override { return "fuzz line"; }

private:
    // One request: a single good frame from the device's version and address,
    // whose pair and INFO are one of the protocol's requests.
    void check_request(const unsigned char* data, std::size_t length)
    {
        pmbus_frame::FrameReader reader;
        int frames = 0;
        for (std::size_t i = 0; i < length; ++i) {
            if (!reader.push(data[i])) {
                continue;
            }
            ++frames;
            const auto& outcome = reader.outcome();
            FUZZ_CHECK(outcome.status == pmbus_frame::FrameStatus::good && i + 1 == length,
                       "request is not one good frame: %s", pmbus_frame::describe(outcome).c_str());
            const auto& frame = *outcome.frame;
            requested_cid1_ = frame.cid1();
            FUZZ_CHECK(frame.version() == device_.protocol_version_ && frame.address() == device_.address_,
                       "request framed with version %02x, address %02x", frame.version(), frame.address());
            const fuzz::sent_request request{frame.cid1(), frame.cid2(), frame.info_length() != 0,
                                             std::vector<std::uint8_t>(frame.info(),
                                                                       frame.info() + frame.info_length())};
            FUZZ_CHECK(fuzz::classify(request, device_.protocol_version_) != fuzz::request_kind::foreign,
                       "request %02x/%02x with %zu data bytes on the line", frame.cid1(), frame.cid2(),
                       frame.info_length());
        }
        FUZZ_CHECK(frames == 1, "request written as %d frames", frames);
    }

    std::vector<std::uint8_t> next_answer()
    {
        const std::uint8_t kind = in_.u8();
        chunk_ = 1 + static_cast<std::size_t>(kind >> 4) * 17;
        switch (kind % 4) {
        case 0: return in_.long_bytes();  // whatever arrives
        case 1:
        case 2: {
            // A reply frame around INFO from the input: from the device's
            // address with a normal return code, or with both from the input.
            const bool own = kind % 4 == 1;
            const std::uint8_t address = own ? device_.address_ : in_.u8();
            const std::uint8_t rtn = own ? std::uint8_t{pmbus_frame::RTN_NORMAL} : in_.u8();
            const std::vector<std::uint8_t> info = in_.bytes(in_.u16() % (pmbus_frame::MAX_INFO_BYTES + 1));
            // CID1 of the outstanding request: a reply for another group never
            // reaches the device.
            const std::string text = pmbus_frame::encode_frame(device_.protocol_version_, address,
                                                               requested_cid1_, rtn,
                                                               info.empty() ? nullptr : info.data(), info.size());
            return std::vector<std::uint8_t>(text.begin(), text.end());
        }
        default: return {};  // silence
        }
    }

    fuzz::byte_source& in_;
    const PMBusProtocol& device_;
    bool open_ = false;
    std::vector<std::uint8_t> pending_;
    std::size_t position_ = 0;
    std::size_t chunk_ = 1;
    int answers_ = 0;
    std::uint8_t requested_cid1_ = 0;  // of the last request written
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::silence_standard_output();
    std::cerr.rdbuf(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    clock_seam::freeze_at_local(2026, 1, 1, 0, 0, 0);
    fuzz::byte_source in(data, size);
    fuzz::checking_host host;
    const auto device = std::make_unique<qorv52_419>();
    device->set_observer(&host);

    const std::uint8_t setup = in.u8();
    device->has_ac = (setup & 1u) == 0;
    device->has_dc = (setup & 2u) != 0;
    device->no_dc_number = (setup & 4u) != 0 ? 2 : -1;
    device->protocol_version_ = (setup & 8u) != 0 ? 0x21 : 0x20;

    scripted_line line(in, *device);
    // A short wait per reply: an answer that holds no frame costs two
    // milliseconds (the loop counts whole milliseconds left, so one would
    // leave no time to read at all).
    DeviceLoop loop(*device, line, LoopSettings{2, 2});
    for (int round = 0; round < MAX_ROUNDS && !in.empty(); ++round) {
        clock_seam::advance(2);
        const std::uint8_t action = in.u8();
        if (action % 8 == 7) {
            // A date and time command between rounds; its answer comes back
            // through the same loop.
            const unsigned char date_time[7] = {0xEA, 0x07, 1, 1, 0, 0, static_cast<unsigned char>(action)};
            int used = 0;
            device->DeviceIoControl(300, date_time, 7, nullptr, 0, used);
            loop.finish_exchange();
        } else {
            loop.run_round();
        }
        const qorv52_419_Data_t zero{};
        const int stray = fuzz::first_change_outside(zero, device->data_, ~fuzz::reserved_region());
        FUZZ_CHECK(stray < 0, "reserved record byte %d changed", stray);
        FUZZ_CHECK(host.published == host.saved, "%d records published but %d stored", host.published, host.saved);
    }
    return 0;
}
