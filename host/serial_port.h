// A serial port in raw mode: 8 data bits, no parity, 1 stop bit, no flow
// control, at the device's baud rate. Opening also claims the port, so a
// second program on the same port is refused with a clear message instead
// of both reading half of each other's replies.
#pragma once

#include <string>

#include <termios.h>

#include "host/fd_line.h"

class HOST_API SerialPort : public FdLine {
public:
    SerialPort(std::string path, int baud);
    ~SerialPort() override;

    // Throws LineError: missing port, no permission, busy port, unsupported
    // baud rate, or a device that is not a terminal.
    void open() override;
    void close() override;
    std::string name() const override { return path_; }
    int baud() const override { return baud_; }

private:
    std::string path_;
    int baud_;
};

// The termios speed constant for a baud rate; throws LineError for a rate
// the serial driver does not offer.
HOST_API speed_t baud_constant(int baud);

// Puts a terminal into raw 8N1 mode at the given speed. Returns false and
// leaves errno set when the terminal refuses.
HOST_API bool make_raw_8n1(int fd, speed_t speed);
