#include "tools/clock_seam/clock_seam.h"

#include <mutex>

namespace {

// A mutex rather than 64-bit atomics: 32-bit MIPS has no 64-bit atomic
// instructions, so std::atomic<long long> would need libatomic, which the
// controller does not necessarily have.
std::mutex clock_mutex;
bool frozen = false;
long long frozen_seconds = 0;
unsigned long long time_calls = 0;

std::time_t real_time()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now.tv_sec;
}

}  // namespace

namespace clock_seam {

void freeze_at_local(int year, int month, int day, int hour, int minute, int second)
{
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const auto seconds = static_cast<long long>(std::mktime(&local));
    const std::lock_guard<std::mutex> lock(clock_mutex);
    frozen_seconds = seconds;
    frozen = true;
}

void advance(long long seconds)
{
    const std::lock_guard<std::mutex> lock(clock_mutex);
    frozen_seconds += seconds;
}

void move_to(std::time_t when)
{
    const std::lock_guard<std::mutex> lock(clock_mutex);
    if (frozen) {
        frozen_seconds = static_cast<long long>(when);
    }
}

void use_real_clock()
{
    const std::lock_guard<std::mutex> lock(clock_mutex);
    frozen = false;
}

std::time_t now()
{
    {
        const std::lock_guard<std::mutex> lock(clock_mutex);
        if (frozen) {
            return static_cast<std::time_t>(frozen_seconds);
        }
    }
    return real_time();
}

unsigned long long reads()
{
    const std::lock_guard<std::mutex> lock(clock_mutex);
    return time_calls;
}

}  // namespace clock_seam

extern "C" __attribute__((visibility("default"))) std::time_t time(std::time_t* out)
{
    {
        const std::lock_guard<std::mutex> lock(clock_mutex);
        ++time_calls;
    }
    const std::time_t value = clock_seam::now();
    if (out != nullptr) {
        *out = value;
    }
    return value;
}
