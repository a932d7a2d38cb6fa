#include "host/frame_codec.h"

#include <cstdio>

#include "host/hex_digit.h"

namespace pmbus_frame {

namespace {

// Characters between SOI and EOI without INFO: header (12) and CHKSUM (4).
constexpr std::size_t FIXED_CHARS = 16;
constexpr std::size_t BODY_CAPACITY = MAX_FRAME_CHARS - 2;

const char HEX_DIGITS[] = "0123456789ABCDEF";

std::uint8_t byte_at(const char* chars)
{
    return static_cast<std::uint8_t>(hex_digit::value(chars[0]) * 16 + hex_digit::value(chars[1]));
}

void append_byte(std::string& out, std::uint8_t byte)
{
    out += HEX_DIGITS[byte >> 4];
    out += HEX_DIGITS[byte & 0x0F];
}

std::string hex4(std::uint16_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

}  // namespace

std::string byte_text(std::uint8_t byte)
{
    return std::string{HEX_DIGITS[byte >> 4], HEX_DIGITS[byte & 0x0F]};
}

const char* rtn_text(std::uint8_t rtn)
{
    switch (rtn) {
    case RTN_NORMAL:
        return "normal";
    case RTN_VERSION_ERROR:
        return "version error";
    case RTN_CHKSUM_ERROR:
        return "CHKSUM error";
    case RTN_LCHKSUM_ERROR:
        return "LCHKSUM error";
    case RTN_INVALID_CID2:
        return "invalid CID2";
    case RTN_COMMAND_FORMAT_ERROR:
        return "command format error";
    case RTN_INVALID_DATA:
        return "invalid data";
    default:
        return "unknown return code";
    }
}

std::uint16_t length_field(std::uint16_t lenid)
{
    lenid &= 0x0FFF;
    const unsigned sum = (lenid & 0x0Fu) + ((lenid >> 4) & 0x0Fu) + ((lenid >> 8) & 0x0Fu);
    const unsigned lchksum = ((~sum) + 1u) & 0x0Fu;
    return static_cast<std::uint16_t>((lchksum << 12) | lenid);
}

std::uint16_t frame_checksum(const char* chars, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        sum += static_cast<unsigned char>(chars[i]);
    }
    return static_cast<std::uint16_t>((~sum + 1u) & 0xFFFFu);
}

std::string encode_frame(std::uint8_t version, std::uint8_t address, std::uint8_t cid1, std::uint8_t cid2_or_rtn,
                         const std::uint8_t* info, std::size_t info_length)
{
    if (info_length > MAX_INFO_BYTES || (info == nullptr && info_length > 0)) {
        const std::string command = byte_text(cid1) + "/" + byte_text(cid2_or_rtn);
        throw std::invalid_argument(
            info == nullptr ? "cannot frame " + command + ": " + std::to_string(info_length) + " INFO bytes announced without their data"
                            : "cannot frame " + command + " with " + std::to_string(info_length) +
                                  " INFO bytes: a frame carries at most " + std::to_string(MAX_INFO_BYTES));
    }
    const std::uint16_t length = length_field(static_cast<std::uint16_t>(info_length * 2));
    std::string frame;
    frame.reserve(FIXED_CHARS + 2 * info_length + 2);
    frame += SOI;
    append_byte(frame, version);
    append_byte(frame, address);
    append_byte(frame, cid1);
    append_byte(frame, cid2_or_rtn);
    append_byte(frame, static_cast<std::uint8_t>(length >> 8));
    append_byte(frame, static_cast<std::uint8_t>(length & 0xFF));
    for (std::size_t i = 0; i < info_length; ++i) {
        append_byte(frame, info[i]);
    }
    frame += hex4(frame_checksum(frame.data() + 1, frame.size() - 1));
    frame += EOI;
    return frame;
}

std::string describe(const FrameOutcome& outcome)
{
    switch (outcome.status) {
    case FrameStatus::good:
        return "good frame";
    case FrameStatus::bad_hex: {
        char text[64];
        // The character is a detail: repeats of this fault are one kind of fault.
        std::snprintf(text, sizeof text, "not a hex digit (character 0x%02X)",
                      static_cast<unsigned>(static_cast<unsigned char>(outcome.bad_char)));
        return text;
    }
    case FrameStatus::too_short:
        return "frame too short (" + std::to_string(outcome.characters) + " characters between SOI and EOI)";
    case FrameStatus::bad_lchksum:
        return "bad LCHKSUM (frame says " + hex4(outcome.received) + ", LENID needs " + hex4(outcome.expected) +
               ")";
    case FrameStatus::length_mismatch:
        if (outcome.received == outcome.expected) {
            return "odd LENID: INFO takes two characters per byte (LENID " + std::to_string(outcome.received) + ")";
        }
        return "LENID disagrees with the INFO received (LENID " + std::to_string(outcome.received) + ", " +
               std::to_string(outcome.expected) + " INFO characters)";
    case FrameStatus::bad_chksum:
        return "bad CHKSUM (frame says " + hex4(outcome.received) + ", computed " + hex4(outcome.expected) + ")";
    case FrameStatus::cut_short:
        return "frame cut short by a new SOI after " + std::to_string(outcome.characters) + " characters";
    case FrameStatus::too_long:
        return "no EOI within " + std::to_string(outcome.characters) + " characters";
    }
    return "unknown frame fault";
}

void FrameReader::reset()
{
    in_frame_ = false;
    count_ = 0;
    noise_ = 0;
}

bool FrameReader::push(std::uint8_t byte)
{
    const char c = static_cast<char>(byte);
    if (!in_frame_) {
        if (c == SOI) {
            in_frame_ = true;
            count_ = 0;
        } else {
            ++noise_;
        }
        return false;
    }
    if (c == SOI) {
        // The frame in progress lost its end; the new SOI starts the next one.
        outcome_ = FrameOutcome{};
        outcome_.status = FrameStatus::cut_short;
        outcome_.characters = count_;
        count_ = 0;
        return true;
    }
    if (c == EOI) {
        in_frame_ = false;
        finish();
        return true;
    }
    if (count_ == BODY_CAPACITY) {
        outcome_ = FrameOutcome{};
        outcome_.status = FrameStatus::too_long;
        outcome_.characters = count_ + 1;
        in_frame_ = false;
        count_ = 0;
        return true;
    }
    chars_[count_++] = c;
    return false;
}

void FrameReader::finish()
{
    outcome_ = FrameOutcome{};
    outcome_.characters = count_;
    for (std::size_t i = 0; i < count_; ++i) {
        if (hex_digit::value(chars_[i]) < 0) {
            outcome_.status = FrameStatus::bad_hex;
            outcome_.bad_char = chars_[i];
            return;
        }
    }
    if (count_ < FIXED_CHARS) {
        outcome_.status = FrameStatus::too_short;
        return;
    }
    const char* body = chars_.data();
    const auto length = static_cast<std::uint16_t>(byte_at(body + 8) << 8 | byte_at(body + 10));
    const auto lenid = static_cast<std::uint16_t>(length & 0x0FFF);
    if (length_field(lenid) != length) {
        outcome_.status = FrameStatus::bad_lchksum;
        outcome_.received = static_cast<std::uint16_t>(length >> 12);
        outcome_.expected = static_cast<std::uint16_t>(length_field(lenid) >> 12);
        return;
    }
    const std::size_t info_chars = count_ - FIXED_CHARS;
    if (lenid != info_chars || lenid % 2 != 0) {
        outcome_.status = FrameStatus::length_mismatch;
        outcome_.received = lenid;
        outcome_.expected = static_cast<std::uint16_t>(info_chars);
        return;
    }
    const char* chksum_chars = body + count_ - 4;
    const auto received =
        static_cast<std::uint16_t>(byte_at(chksum_chars) << 8 | byte_at(chksum_chars + 2));
    const std::uint16_t computed = frame_checksum(body, count_ - 4);
    if (received != computed) {
        outcome_.status = FrameStatus::bad_chksum;
        outcome_.received = received;
        outcome_.expected = computed;
        return;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        frame_.bytes[i] = byte_at(body + 2 * i);
    }
    frame_.bytes[4] = static_cast<std::uint8_t>(lenid & 0xFF);
    frame_.bytes[5] = static_cast<std::uint8_t>(lenid >> 8);
    const std::size_t info_length = info_chars / 2;
    for (std::size_t i = 0; i < info_length; ++i) {
        frame_.bytes[DECODED_HEADER_BYTES + i] = byte_at(body + 12 + 2 * i);
    }
    frame_.length = DECODED_HEADER_BYTES + info_length;
    outcome_.status = FrameStatus::good;
    outcome_.frame = &frame_;
}

}  // namespace pmbus_frame
