// The one reader of a reply's INFO bytes. It knows how many bytes remain and
// answers "not there" instead of reading past the end. The position keeps
// counting past the end, so a decoder can still report how many bytes the
// payload announced and reject it when that exceeds what arrived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace protocol419 {

class info_cursor {
public:
    info_cursor(const std::uint8_t* data, int length) : data_(data), length_(length < 0 ? 0 : length) {}

    // Bytes consumed so far, including any announced beyond the end.
    long long position() const { return position_; }
    bool overrun() const { return position_ > length_; }
    int length() const { return length_; }

    // Reads one byte when it is there; always moves on by one.
    bool byte(std::uint8_t& out)
    {
        const bool there = position_ < length_;
        if (there) {
            out = data_[position_];
        }
        ++position_;
        return there;
    }

    // Copies n bytes only when all of them are there; always moves on by n.
    bool bytes(void* out, std::size_t n)
    {
        const bool there = n <= static_cast<std::size_t>(length_) &&
                           position_ <= static_cast<long long>(static_cast<std::size_t>(length_) - n);
        if (there && n != 0) {
            std::memcpy(out, data_ + position_, n);
        }
        position_ += static_cast<long long>(n);
        return there;
    }

    void skip(std::size_t n) { position_ += static_cast<long long>(n); }

    // The bytes from `offset` on (counted from the start, whatever has been
    // read), as a cursor of their own; empty at or past the end.
    info_cursor from(int offset) const
    {
        if (offset >= length_) {
            return info_cursor(data_ == nullptr ? nullptr : data_ + length_, 0);
        }
        return info_cursor(data_ + offset, length_ - offset);
    }
    // Byte i from the start, or 0 when there are fewer bytes.
    std::uint8_t at(int i) const { return i >= 0 && i < length_ ? data_[i] : 0; }
    // Where the bytes start, for a decoder that takes them whole.
    const std::uint8_t* data() const { return data_; }

    // A decoder's result: the bytes consumed, or -1 when the payload announced
    // more than arrived.
    int consumed_or_short() const { return overrun() ? -1 : static_cast<int>(position_); }

private:
    const std::uint8_t* data_;
    int length_;
    long long position_ = 0;
};

}  // namespace protocol419
