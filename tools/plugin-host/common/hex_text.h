// Hex text as scenario files, transcripts and record dumps carry it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plugin_host {

// Reads hex text one character at a time, so that a long dump never has to
// be held whole: digits in either case, two per byte, with or without blanks
// (spaces, tabs, line breaks) between bytes. Any other character, a blank
// inside a byte or an odd digit count is an error, described by error().
class HexReader {
public:
    enum class Step { more, byte, bad };

    // Takes the next character; Step::byte when it completed byte().
    Step push(char c);
    std::uint8_t byte() const { return byte_; }
    // At the end of the text: false when a byte is left half read.
    bool finish();
    const std::string& error() const { return error_; }

private:
    int high_ = -1;
    std::size_t position_ = 0;
    std::uint8_t byte_ = 0;
    std::string error_;
};

// The whole text at once; false with the reason in `error`.
bool parse_hex(std::string_view text, std::vector<std::uint8_t>& bytes, std::string& error);

// Lowercase hex without blanks.
std::string to_hex(const std::uint8_t* bytes, std::size_t count);
inline std::string to_hex(const std::vector<std::uint8_t>& bytes) { return to_hex(bytes.data(), bytes.size()); }
inline std::string to_hex(std::uint8_t byte) { return to_hex(&byte, 1); }

}  // namespace plugin_host
