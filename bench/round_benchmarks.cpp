// Whole poll rounds and round completion with the alarm rules.
#include <benchmark/benchmark.h>

#include "bench/site_device.h"

namespace {

// The round of a device without data: all eight requests, then round completion
// with every threshold rule of mode 2 and the model rules.
void first_round(benchmark::State& state)
{
    qorv52_419 device;
    bench::set_up(device, 2);
    site_scenario::site replies;
    for (auto _ : state) {
        site_scenario::run_first_round(device, replies);
    }
}
BENCHMARK(first_round)->Name("round/first");

// A round of a ready device whose replies report no change: three requests.
void ready_round(benchmark::State& state)
{
    qorv52_419 device;
    bench::set_up(device, 2);
    site_scenario::site replies;
    for (auto _ : state) {
        site_scenario::run_round(device, replies);
    }
}
BENCHMARK(ready_round)->Name("round/ready");

void round_done(benchmark::State& state)
{
    qorv52_419 device;
    bench::set_up(device, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        device.RoundDone();
    }
}
BENCHMARK(round_done)->Name("RoundDone/mode")->Arg(1)->Arg(2);

}  // namespace
