// The value query and configuration.
#include <stdexcept>
#include <string>

#include <benchmark/benchmark.h>

#include "bench/site_device.h"

namespace {

void get_value(benchmark::State& state, const char* name)
{
    qorv52_419 device;
    bench::set_up(device, 1);
    const std::string value_name = name;
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(device.Get_Value(0, value_name));
        } catch (const std::out_of_range& refused) {
            state.SkipWithError(refused.what());
            break;
        }
    }
}
BENCHMARK_CAPTURE(get_value, out_v, "out_v")->Name("Get_Value/out_v");
BENCHMARK_CAPTURE(get_value, ac, "ac")->Name("Get_Value/ac");

void configure(benchmark::State& state)
{
    qorv52_419 device;
    const Json::Value document = site_scenario::configuration(2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(device.InitSetting(document));
    }
}
BENCHMARK(configure)->Name("InitSetting/mode2");

// Mode 3 also reads the threshold mapping table of every rule.
void configure_thresholds(benchmark::State& state)
{
    qorv52_419 device;
    Json::Value document = site_scenario::configuration(3);
    for (const char* id : {"220600120010", "220600130010", "220600140010", "220600160010", "220600170010",
                           "210600320010", "210600330010", "210600340010"}) {
        Json::Value& entry = document["thresholdSetting"][id];
        entry["SignalName"] = "signal";
        entry["NMAlarmID"] = "0";
        entry["ID"] = id;
        entry["SignalNumber"] = "1";
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(device.InitSetting(document));
    }
}
BENCHMARK(configure_thresholds)->Name("InitSetting/mode3_thresholds");

}  // namespace
