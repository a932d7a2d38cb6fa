#include "tools/plugin-host/common/stop_signals.h"

#include <algorithm>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace plugin_host {

namespace {

volatile std::sig_atomic_t stop_flag = 0;
// The handler writes a byte into this pipe, which is never read: a wait in
// poll on its read end wakes at once and stays woken for every waiter.
int stop_pipe[2] = {-1, -1};
// SIGHUP writes a byte here; whoever takes the request reads them all.
int reload_pipe[2] = {-1, -1};

extern "C" void on_reload_signal(int)
{
    if (reload_pipe[1] >= 0) {
        const int saved = errno;
        const char byte = 1;
        (void)!::write(reload_pipe[1], &byte, 1);
        errno = saved;
    }
}

extern "C" void on_stop_signal(int)
{
    stop_flag = 1;
    if (stop_pipe[1] >= 0) {
        const int saved = errno;
        const char byte = 1;
        (void)!::write(stop_pipe[1], &byte, 1);
        errno = saved;
    }
}

}  // namespace

void install_stop_handlers()
{
    if (stop_pipe[0] < 0 && ::pipe2(stop_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        stop_pipe[0] = stop_pipe[1] = -1;
    }
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

bool wait_for_stop(std::chrono::steady_clock::duration duration) { return wait_for(duration, {}) == Woken::stop; }

Woken wait_for(std::chrono::steady_clock::duration duration, std::initializer_list<int> event_fds)
{
    const auto deadline = std::chrono::steady_clock::now() + duration;
    pollfd fds[8];
    nfds_t count = 0;
    if (stop_pipe[0] >= 0) {
        fds[count++] = pollfd{stop_pipe[0], POLLIN, 0};
    }
    for (const int fd : event_fds) {
        if (fd >= 0 && count < sizeof fds / sizeof fds[0]) {
            fds[count++] = pollfd{fd, POLLIN, 0};
        }
    }
    while (!stop_requested()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return Woken::timeout;
        }
        if (::poll(fds, count, static_cast<int>(std::min<long long>(left.count(), 1 << 30))) > 0) {
            for (nfds_t i = 0; i < count; ++i) {
                if (fds[i].fd != stop_pipe[0] && (fds[i].revents & POLLIN) != 0) {
                    return stop_requested() ? Woken::stop : Woken::event;
                }
            }
        }
    }
    return Woken::stop;
}

void install_reload_handler()
{
    if (reload_pipe[0] < 0 && ::pipe2(reload_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        reload_pipe[0] = reload_pipe[1] = -1;
        return;
    }
    struct sigaction action {};
    action.sa_handler = on_reload_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGHUP, &action, nullptr);
}

int reload_request_fd() { return reload_pipe[0]; }

bool take_reload_request()
{
    char bytes[64];
    bool asked = false;
    while (reload_pipe[0] >= 0 && ::read(reload_pipe[0], bytes, sizeof bytes) > 0) {
        asked = true;
    }
    return asked;
}

}  // namespace plugin_host
