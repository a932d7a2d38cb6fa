// A pseudo-terminal pair: the simulator holds the master end, and the host
// opens the slave end by its path as it would open a serial port.
#pragma once

#include <string>

#include "host/fd_line.h"

class PseudoTerminal : public FdLine {
public:
    // Creates the pair; throws LineError when the system has no free one.
    PseudoTerminal();
    ~PseudoTerminal() override;

    // The master end is open from construction to destruction.
    void open() override {}
    std::string name() const override { return "pseudo-terminal " + slave_path_; }
    // The path the host opens: /dev/pts/N.
    const std::string& slave_path() const { return slave_path_; }

private:
    std::string slave_path_;
    // Held open so that the master end does not see a hang-up while no host
    // has the slave open (before the first open, or between reopenings).
    int slave_keeper_ = -1;
};
