// Framing of the power-system monitoring protocol on the serial line.
//
// A frame is ASCII: SOI '~', then two upper-case hex digits per byte for
// version, address, CID1, CID2 (the return code RTN in a reply), LENGTH
// (two bytes) and INFO, then CHKSUM as four hex digits, then EOI CR.
// LENGTH's low 12 bits (LENID) count the hex characters of INFO; its high
// 4 bits (LCHKSUM) guard LENID. CHKSUM guards every character between SOI
// and CHKSUM.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "host/host_api.h"

namespace pmbus_frame {

constexpr char SOI = '~';
constexpr char EOI = '\r';

// LENID has 12 bits and counts hex characters, two per INFO byte.
constexpr std::size_t MAX_INFO_BYTES = 0xFFF / 2;
// SOI, 12 header characters, INFO, 4 checksum characters, EOI.
constexpr std::size_t MAX_FRAME_CHARS = 1 + 12 + 2 * MAX_INFO_BYTES + 4 + 1;
// The decoded frame the device reads: version, address, CID1, CID2/RTN,
// LENID little-endian, then INFO.
constexpr std::size_t DECODED_HEADER_BYTES = 6;

// Return codes of a reply.
enum : std::uint8_t {
    RTN_NORMAL = 0x00,
    RTN_VERSION_ERROR = 0x01,
    RTN_CHKSUM_ERROR = 0x02,
    RTN_LCHKSUM_ERROR = 0x03,
    RTN_INVALID_CID2 = 0x04,
    RTN_COMMAND_FORMAT_ERROR = 0x05,
    RTN_INVALID_DATA = 0x06,
};

// The meaning of a return code, for diagnostics ("CHKSUM error").
HOST_API const char* rtn_text(std::uint8_t rtn);
// A byte as two upper-case hex digits, as line messages show codes ("2A").
HOST_API std::string byte_text(std::uint8_t byte);

// LENGTH for a LENID: LCHKSUM in the high nibble.
HOST_API std::uint16_t length_field(std::uint16_t lenid);
// CHKSUM over the characters between SOI and CHKSUM.
HOST_API std::uint16_t frame_checksum(const char* chars, std::size_t count);

// One complete frame, SOI to EOI. The fourth byte is CID2 in a request and
// RTN in a reply. Throws std::invalid_argument, naming the command and the
// length, for INFO that no frame can carry (longer than MAX_INFO_BYTES) or
// that is announced without its bytes.
HOST_API std::string encode_frame(std::uint8_t version, std::uint8_t address, std::uint8_t cid1,
                                  std::uint8_t cid2_or_rtn, const std::uint8_t* info, std::size_t info_length);

// A frame that passed the line checks, in the layout the device reads.
struct DecodedFrame {
    std::array<std::uint8_t, DECODED_HEADER_BYTES + MAX_INFO_BYTES> bytes{};
    std::size_t length = 0;  // header and INFO

    std::uint8_t version() const { return bytes[0]; }
    std::uint8_t address() const { return bytes[1]; }
    std::uint8_t cid1() const { return bytes[2]; }
    std::uint8_t cid2() const { return bytes[3]; }  // RTN in a reply
    const std::uint8_t* info() const { return bytes.data() + DECODED_HEADER_BYTES; }
    std::size_t info_length() const { return length - DECODED_HEADER_BYTES; }
};

enum class FrameStatus {
    good,
    bad_hex,           // a character between SOI and EOI is not a hex digit
    too_short,         // fewer characters than header and checksum need
    bad_lchksum,       // LCHKSUM does not match LENID
    length_mismatch,   // LENID disagrees with the characters received
    bad_chksum,        // CHKSUM does not match the frame
    cut_short,         // a new SOI came before EOI
    too_long,          // no EOI within the longest possible frame
};

// What the reader found at the end of a frame. `frame` is valid only when
// `status` is good; the other members describe the fault.
struct FrameOutcome {
    FrameStatus status = FrameStatus::good;
    const DecodedFrame* frame = nullptr;
    char bad_char = 0;          // bad_hex
    std::size_t characters = 0; // characters between SOI and EOI
    std::uint16_t expected = 0; // the computed LCHKSUM/LENID/CHKSUM
    std::uint16_t received = 0; // what the frame says
};

// A readable account of an outcome that is not good.
HOST_API std::string describe(const FrameOutcome& outcome);

// Splits a byte stream into frames and checks each one. Bytes outside
// SOI..EOI are line noise and skipped. The reader keeps one frame's
// characters in a fixed buffer: nothing the line sends can make it grow.
class HOST_API FrameReader {
public:
    // Takes one received byte. Returns true when a frame ended with it (or
    // was abandoned); the outcome is then in outcome() until the next push.
    bool push(std::uint8_t byte);
    const FrameOutcome& outcome() const { return outcome_; }
    // Forgets a frame in progress.
    void reset();
    // Whether a frame has begun (SOI seen) and not yet ended.
    bool in_frame() const { return in_frame_; }
    // Bytes skipped outside frames since the last reset.
    std::size_t noise_bytes() const { return noise_; }

private:
    void finish();

    std::array<char, MAX_FRAME_CHARS> chars_{};
    std::size_t count_ = 0;
    bool in_frame_ = false;
    std::size_t noise_ = 0;
    DecodedFrame frame_;
    FrameOutcome outcome_;
};

}  // namespace pmbus_frame
