// Helpers for decoder tests: payloads in heap blocks of exactly their length
// (so AddressSanitizer reports any read past the end) and record slices.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/device_fixture.h"

// The first `length` bytes of a payload in a heap block of exactly that size.
class exact_payload {
public:
    exact_payload(const std::vector<std::uint8_t>& bytes, std::size_t length)
        : data_(new std::uint8_t[length]), length_(length)
    {
        if (length != 0) {
            std::memcpy(data_.get(), bytes.data(), length);
        }
    }
    explicit exact_payload(const std::vector<std::uint8_t>& bytes) : exact_payload(bytes, bytes.size()) {}

    const std::uint8_t* data() const { return data_.get(); }
    int length() const { return static_cast<int>(length_); }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t length_;
};

using decoder = int (qorv52_419::*)(const unsigned char*, int);

struct decoded {
    int result;
    std::string printed;
};

// Calls a decoder on the first `length` bytes of the payload and captures
// what it prints.
inline decoded run(qorv52_419& device, decoder member, const std::vector<std::uint8_t>& payload, std::size_t length)
{
    const exact_payload exact(payload, length);
    decoded out{0, {}};
    out.printed = printed_by([&] { out.result = (device.*member)(exact.data(), exact.length()); });
    return out;
}

inline decoded run(qorv52_419& device, decoder member, const std::vector<std::uint8_t>& payload)
{
    return run(device, member, payload, payload.size());
}

inline int decode(qorv52_419& device, decoder member, const std::vector<std::uint8_t>& payload, std::size_t length)
{
    return run(device, member, payload, length).result;
}

inline int decode(qorv52_419& device, decoder member, const std::vector<std::uint8_t>& payload)
{
    return decode(device, member, payload, payload.size());
}

// `count` record bytes from `offset` on.
inline std::vector<std::uint8_t> slice(const std::vector<std::uint8_t>& record, std::size_t offset, std::size_t count)
{
    return std::vector<std::uint8_t>(record.begin() + static_cast<long>(offset),
                                     record.begin() + static_cast<long>(offset + count));
}

// Payload text built from pieces, for readable test tables.
inline std::vector<std::uint8_t> join(std::initializer_list<std::vector<std::uint8_t>> parts)
{
    std::vector<std::uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}
