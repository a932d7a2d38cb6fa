// The value of one hex digit, either case: frames (some devices answer in
// lower case), scenario files, record dumps and test payloads all read hex.
#pragma once

namespace hex_digit {

// 0 to 15, or -1 when the character is no hex digit.
constexpr int value(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

}  // namespace hex_digit
