// The devices' clock during a run. Usually the real one. A capture freezes
// it and moves it to the wall clock's time before every turn and every call
// it records, so the capture holds exactly the times the device read. With
// --fast it is a clock of its own: it stands still while any line is busy
// and, once every line waits for its next device's turn, jumps to the
// earliest turn; rounds then come as fast as the lines carry them, and the
// device sees its intervals pass as on a real site.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <ctime>
#include <mutex>
#include <set>

#include "host/stop_check.h"

namespace plugin_host {

class DeviceClock {
public:
    enum class Mode { real, wall, fast };

    // Freezes the clock at the present time unless the mode is real.
    explicit DeviceClock(Mode mode);

    Mode mode() const { return mode_; }
    // The device's time now.
    std::time_t now() const;

    // Before a turn: a clock that follows the wall moves to its time.
    void before_turn();

    // Fast mode: blocks until the clock stands at `when` or later, moving it
    // there once every line waits. False, early, when `stop` asks to stop.
    bool wait_until(std::time_t when, const StopCheck& stop);
    // Fast mode: a line's thread takes turns from now on (join, before it
    // starts), or no longer does (leave: its devices are done).
    void join();
    void leave();

private:
    // With the lock held: when every line waits, the clock jumps to the
    // earliest time one of them waits for.
    void move_when_all_wait();

    Mode mode_;
    std::mutex mutex_;
    std::condition_variable moved_;
    std::size_t active_;
    std::multiset<std::time_t> waits_;
};

}  // namespace plugin_host
