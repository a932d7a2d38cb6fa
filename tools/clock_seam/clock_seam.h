// Moves the clock that device code reads, without touching device code.
//
// Programs that link this library export their own time(), which the dynamic
// linker finds before the C library's, also for a plug-in loaded with dlopen
// (link the program with -rdynamic). The device keeps reading the local time
// through Boost's second_clock exactly as on the controller.
#pragma once

#include <ctime>

namespace clock_seam {

// Freezes the clock at this local date and time (interpreted in the
// process's time zone). From then on it moves only by advance().
void freeze_at_local(int year, int month, int day, int hour, int minute, int second);
// Moves a frozen clock by whole seconds, forward or back.
void advance(long long seconds);
// Sets a frozen clock to `when` (forward, or back when the wall clock went
// back). One step under the lock, unlike now() then advance(): threads that
// follow the wall clock at once cannot move it twice.
void move_to(std::time_t when);
// Goes back to the real clock.
void use_real_clock();
// Seconds since the epoch as time() now answers.
std::time_t now();
// How often time() has been called since the program started: lets a test
// see how often device code reads the clock.
unsigned long long reads();

}  // namespace clock_seam
