#include "tools/plugin-host/hex_text.h"

namespace plugin_host {

namespace {

int nibble_of(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

bool parse_hex(std::string_view text, std::vector<std::uint8_t>& bytes, std::string& error)
{
    bytes.clear();
    bytes.reserve(text.size() / 2);
    int high = -1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (is_blank(c)) {
            if (high >= 0) {
                error = "blank inside a byte at character " + std::to_string(i + 1);
                return false;
            }
            continue;
        }
        const int nibble = nibble_of(c);
        if (nibble < 0) {
            error = "'" + std::string(1, c) + "' at character " + std::to_string(i + 1) + " is not a hex digit";
            return false;
        }
        if (high < 0) {
            high = nibble;
        } else {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + nibble));
            high = -1;
        }
    }
    if (high >= 0) {
        error = "odd number of hex digits";
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
