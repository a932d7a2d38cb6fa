#include "tools/clock_seam/clock_seam.h"

#include <atomic>

namespace {

std::atomic<bool> frozen{false};
std::atomic<long long> frozen_seconds{0};
std::atomic<unsigned long long> time_calls{0};

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
    frozen_seconds = static_cast<long long>(std::mktime(&local));
    frozen = true;
}

void advance(long long seconds)
{
    frozen_seconds += seconds;
}

void use_real_clock() { frozen = false; }

std::time_t now() { return frozen ? static_cast<std::time_t>(frozen_seconds.load()) : real_time(); }

unsigned long long reads() { return time_calls.load(); }

}  // namespace clock_seam

extern "C" __attribute__((visibility("default"))) std::time_t time(std::time_t* out)
{
    ++time_calls;
    const std::time_t value = clock_seam::now();
    if (out != nullptr) {
        *out = value;
    }
    return value;
}
