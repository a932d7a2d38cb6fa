#include "tools/plugin-host/common/hex_text.h"

#include "host/hex_digit.h"

namespace plugin_host {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

HexReader::Step HexReader::push(char c)
{
    ++position_;
    if (is_blank(c)) {
        if (high_ >= 0) {
            error_ = "blank inside a byte at character " + std::to_string(position_);
            return Step::bad;
        }
        return Step::more;
    }
    const int nibble = hex_digit::value(c);
    if (nibble < 0) {
        error_ = "'" + std::string(1, c) + "' at character " + std::to_string(position_) + " is not a hex digit";
        return Step::bad;
    }
    if (high_ < 0) {
        high_ = nibble;
        return Step::more;
    }
    byte_ = static_cast<std::uint8_t>(high_ * 16 + nibble);
    high_ = -1;
    return Step::byte;
}

bool HexReader::finish()
{
    if (high_ >= 0) {
        error_ = "odd number of hex digits";
        return false;
    }
    return true;
}

bool parse_hex(std::string_view text, std::vector<std::uint8_t>& bytes, std::string& error)
{
    bytes.clear();
    bytes.reserve(text.size() / 2);
    HexReader reader;
    for (const char c : text) {
        const HexReader::Step step = reader.push(c);
        if (step == HexReader::Step::bad) {
            error = reader.error();
            return false;
        }
        if (step == HexReader::Step::byte) {
            bytes.push_back(reader.byte());
        }
    }
    if (!reader.finish()) {
        error = reader.error();
        return false;
    }
    return true;
}

std::string to_hex(const std::uint8_t* bytes, std::size_t count)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

}  // namespace plugin_host
