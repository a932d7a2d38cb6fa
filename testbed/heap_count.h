// Counts the heap allocations a program makes through operator new.
//
// Only programs that link this library count: it replaces the global
// operator new and delete of the whole program, the plug-in's code and the
// C++ runtime included. The device's own code never links it.
#pragma once

#include <cstdint>

namespace heap_count {

// Allocations made through any form of operator new since the program started.
std::uint64_t allocations();

// Allocations made while `action` runs.
template <class Action>
std::uint64_t during(Action&& action)
{
    const std::uint64_t before = allocations();
    action();
    return allocations() - before;
}

}  // namespace heap_count
