// Each payload decoder on the reply of a full-size site.
#include <benchmark/benchmark.h>

#include "testbed/decoder_cases.h"

namespace {

void decoder(benchmark::State& state, std::size_t which)
{
    const auto cases = site_scenario::decoder_cases();
    qorv52_419 device;
    for (const auto& c : cases) {
        c.run(device);
    }
    const site_scenario::decoder_case& measured = cases[which];
    for (auto _ : state) {
        benchmark::DoNotOptimize(measured.run(device));
    }
}

[[maybe_unused]] const int registered = [] {
    const auto cases = site_scenario::decoder_cases();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        benchmark::RegisterBenchmark(("decoder/" + cases[i].name).c_str(), decoder, i);
    }
    return 0;
}();

}  // namespace
