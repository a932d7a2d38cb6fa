// Hex text as scenario files, transcripts and record dumps carry it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plugin_host {

// Reads hex digits in either case, two per byte, with or without blanks
// (spaces, tabs, line breaks) between bytes. Returns false with a reason in
// `error` on any other character, a blank inside a byte, or an odd digit count.
bool parse_hex(std::string_view text, std::vector<std::uint8_t>& bytes, std::string& error);

// Lowercase hex without blanks.
std::string to_hex(const std::uint8_t* bytes, std::size_t count);
inline std::string to_hex(const std::vector<std::uint8_t>& bytes) { return to_hex(bytes.data(), bytes.size()); }

}  // namespace plugin_host
