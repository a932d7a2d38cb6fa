// A flag one thread raises and another waits for in poll, beside the stop
// request: a line's thread woken for a device added or removed on reload,
// the main thread woken when the last line's devices are done.
#pragma once

namespace plugin_host {

class WakeFlag {
public:
    WakeFlag();
    ~WakeFlag();
    WakeFlag(const WakeFlag&) = delete;
    WakeFlag& operator=(const WakeFlag&) = delete;

    void raise();
    // Clears the flag; true when it was raised.
    bool take();
    // Readable while the flag is raised: for poll.
    int fd() const { return fd_; }

private:
    int fd_;
};

}  // namespace plugin_host
