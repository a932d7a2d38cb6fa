#include "tools/plugin-host/run_signals.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t stop_flag = 0;

extern "C" void on_stop_signal(int) { stop_flag = 1; }

}  // namespace

void install_stop_handlers()
{
    struct sigaction action {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    // A wait on the line returns early all the same (poll is never restarted)
    // and the loop sees the flag; a write of a record or a summary line is
    // restarted, so it is never cut in half.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool stop_requested() { return stop_flag != 0; }
