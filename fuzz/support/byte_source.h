// Reads a fuzz input front to back as a script of small fields. Past the end
// every read answers zero, so any input decodes to some script and a seed
// written by hand reads exactly as laid out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

class byte_source {
public:
    byte_source(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return position_ >= size_; }
    std::size_t remaining() const { return empty() ? 0 : size_ - position_; }

    std::uint8_t u8() { return empty() ? 0 : data_[position_++]; }
    std::uint16_t u16()
    {
        const auto low = u8();
        return static_cast<std::uint16_t>(low | (u8() << 8));
    }
    std::uint32_t u32()
    {
        const std::uint32_t low = u16();
        return low | (static_cast<std::uint32_t>(u16()) << 16);
    }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }

    // Up to n bytes: fewer when the input ends first.
    std::vector<std::uint8_t> bytes(std::size_t n)
    {
        const std::size_t take = n < remaining() ? n : remaining();
        std::vector<std::uint8_t> out(data_ + position_, data_ + position_ + take);
        position_ += take;
        return out;
    }
    // A field of one length byte and that many bytes.
    std::vector<std::uint8_t> short_bytes() { return bytes(u8()); }
    // A field of a 16-bit length and that many bytes.
    std::vector<std::uint8_t> long_bytes() { return bytes(u16()); }
    std::string short_text()
    {
        const auto raw = short_bytes();
        return std::string(raw.begin(), raw.end());
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

// A copy of `bytes` in a heap block of exactly their size, so that the
// address sanitizer stops any read or write past the end. An empty block
// is still a distinct allocation of zero bytes.
class exact_buffer {
public:
    explicit exact_buffer(const std::vector<std::uint8_t>& bytes) : size_(bytes.size())
    {
        block_ = new std::uint8_t[size_];
        if (size_ != 0) {
            std::memcpy(block_, bytes.data(), size_);
        }
    }
    explicit exact_buffer(std::size_t size) : size_(size) { block_ = new std::uint8_t[size_](); }
    ~exact_buffer() { delete[] block_; }
    exact_buffer(const exact_buffer&) = delete;
    exact_buffer& operator=(const exact_buffer&) = delete;

    std::uint8_t* data() { return block_; }
    std::size_t size() const { return size_; }

private:
    std::size_t size_;
    std::uint8_t* block_;
};

}  // namespace fuzz
