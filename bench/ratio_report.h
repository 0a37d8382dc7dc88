// Speed targets as ratios: a console reporter that remembers each benchmark's time, and a
// main that prints the requested ratios after the usual table, one "ratio <label> = " line
// each, so a target is compared against a reference measured in the same run. Each benchmark
// runs five times unless the command line says otherwise, and a ratio compares the medians,
// which a busy moment of the machine does not move. Figures that are not time ratios (a rate,
// a quality measure) are printed the same way after the ratios.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace bench {

struct Ratio {
    const char* label;     // printed as "ratio <label> = "
    const char* measured;  // benchmark name
    const char* reference; // benchmark name of the reference
};

class RatioReporter;

// A figure computed once all benchmarks have run, from their median times or from anything
// the program kept; printed as "ratio <label> = " unless it comes out as 0 (not measured).
struct Figure {
    const char* label;
    std::function<double(const RatioReporter&)> compute;
};

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration || median)
                times_[run.run_name.str()] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }

    // Seconds per iteration, or 0 when the benchmark did not run.
    double time(const std::string& name) const {
        const auto found = times_.find(name);
        return found == times_.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> times_;
};

inline int runWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios,
                         const std::vector<Figure>& figures = {}) {
    std::vector<char*> arguments(argv, argv + argc);
    bool repetitionsGiven = false;
    for (char* argument : arguments)
        repetitionsGiven |= std::string(argument).rfind("--benchmark_repetitions", 0) == 0;
    char repetitions[] = "--benchmark_repetitions=5";
    char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    if (!repetitionsGiven) {
        arguments.push_back(repetitions);
        arguments.push_back(aggregatesOnly);
    }
    argc = int(arguments.size());
    argv = arguments.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const Ratio& ratio : ratios) {
        const double measured = reporter.time(ratio.measured);
        const double reference = reporter.time(ratio.reference);
        if (measured > 0.0 && reference > 0.0)
            std::printf("ratio %s = %.2f\n", ratio.label, measured / reference);
    }
    for (const Figure& figure : figures) {
        const double value = figure.compute(reporter);
        if (value != 0.0)
            std::printf("ratio %s = %.2f\n", figure.label, value);
    }
    benchmark::Shutdown();
    return 0;
}

} // namespace bench
