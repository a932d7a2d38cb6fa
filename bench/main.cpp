// The benchmark program. With --facts it prints the allocation counts, sizes
// and line time instead; with --rounds=N it runs N full rounds for an
// instruction counter. Otherwise it runs the Google Benchmark suite, whose
// report goes to standard error (standard output is /dev/null here).
#include <cstdlib>
#include <cstring>
#include <iostream>

#include <benchmark/benchmark.h>

#include "bench/facts.h"
#include "bench/null_stdout.h"

int main(int argc, char** argv)
{
    std::FILE* report = bench::silence_standard_output();
    constexpr const char* rounds_option = "--rounds=";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--facts") == 0) {
            bench::print_facts(report);
            return 0;
        }
        if (std::strncmp(argv[i], rounds_option, std::strlen(rounds_option)) == 0) {
            bench::run_rounds(std::atol(argv[i] + std::strlen(rounds_option)));
            return 0;
        }
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::ConsoleReporter console(benchmark::ConsoleReporter::OO_Tabular);
    console.SetOutputStream(&std::cerr);
    console.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&console);
    benchmark::Shutdown();
    return 0;
}
