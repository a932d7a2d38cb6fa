// A line over a file descriptor: reads wait with poll(), writes go out in
// full or give way to a stop or a stall. The serial port and the simulator's end of a pseudo-terminal share it.
#pragma once

#include "host/byte_line.h"

class HOST_API FdLine : public ByteLine {
public:
    FdLine() = default;
    FdLine(const FdLine&) = delete;
    FdLine& operator=(const FdLine&) = delete;
    ~FdLine() override;

    void close() override;
    bool is_open() const override { return fd_ >= 0; }
    bool write(const unsigned char* data, std::size_t length, const WriteWait& wait) override;
    std::size_t read(unsigned char* buffer, std::size_t capacity, int timeout_ms) override;
    void discard_input() override;

    int fd() const { return fd_; }

protected:
    int fd_ = -1;

private:
    // Why a write found the line gone: the next read says so at once
    // instead of waiting for a reply that cannot come.
    std::string lost_;
};
