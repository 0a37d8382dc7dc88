// The vector variants of the math routines against the plain ones, called through a pointer as
// the dispatch table calls them, over arrays of inputs. Prints each variant's time as a ratio to
// the plain routine measured in the same run ("ratio matrixMultiply/sse2 = 0.41").
#include "cpu/math_variants.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int batch = 1024;
// The machine is shared: the median of several runs is steadier than one run.
constexpr int repetitions = 5;

struct NamedSet {
    const char* name;
    const MathDispatchTable* set;
};

const NamedSet namedSets[] = {
    {"plain", &plainMathSet},
    {"tuned", &tunedMathSet},
    {"sse", &sseMathSet},
    {"sse2", &sse2MathSet},
};

template <typename T> std::vector<T> randomInputs() {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> d(-4.0f, 4.0f);
    std::vector<T> values(batch);
    for (T& v : values) {
        float components[sizeof(T) / sizeof(float)];
        for (float& c : components) {
            c = d(random);
        }
        std::memcpy(&v, components, sizeof v);
    }
    return values;
}

// Runs `entry` of the set over `batch` inputs against one fixed matrix (or the second operand).
template <typename Out, typename In, typename Second>
void runOverBatch(benchmark::State& state, Out* (*routine)(Out*, const In*, const Second*)) {
    const std::vector<In> inputs = randomInputs<In>();
    const std::vector<Second> second = randomInputs<Second>();
    std::vector<Out> outputs(batch);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) {
            routine(&outputs[i], &inputs[i], &second[0]);
        }
        benchmark::DoNotOptimize(outputs.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

template <typename T> void runOverBatch(benchmark::State& state, T* (*routine)(T*, const T*)) {
    const std::vector<T> inputs = randomInputs<T>();
    std::vector<T> outputs(batch);
    for (auto _ : state) {
        for (int i = 0; i < batch; ++i) {
            routine(&outputs[i], &inputs[i]);
        }
        benchmark::DoNotOptimize(outputs.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * batch);
}

// One benchmark per set that has the entry, named "<routine>/<set>".
template <auto Entry> void registerRoutine(const char* routine) {
    for (const NamedSet& s : namedSets) {
        if (s.set->*Entry) {
            benchmark::RegisterBenchmark(
                (std::string(routine) + "/" + s.name).c_str(),
                [entry = s.set->*Entry](benchmark::State& state) { runOverBatch(state, entry); })
                ->Repetitions(repetitions)
                ->ReportAggregatesOnly(true);
        }
    }
}

// Keeps the console output and remembers each benchmark's median CPU time for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                times_[run.run_name.function_name] = run.GetAdjustedCPUTime();
            }
        }
    }

    void printRatios() const {
        for (const auto& [name, time] : times_) {
            const size_t slash = name.find('/');
            const std::string routine = name.substr(0, slash);
            const std::string set = name.substr(slash + 1);
            const auto plain = times_.find(routine + "/plain");
            if (set != "plain" && plain != times_.end() && plain->second > 0) {
                std::printf("ratio %s/%s = %.2f\n", routine.c_str(), set.c_str(),
                            time / plain->second);
            }
        }
    }

private:
    std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
    registerRoutine<&MathDispatchTable::matrixMultiply>("matrixMultiply");
    registerRoutine<&MathDispatchTable::matrixMultiplyTranspose>("matrixMultiplyTranspose");
    registerRoutine<&MathDispatchTable::vec4Transform>("vec4Transform");
    registerRoutine<&MathDispatchTable::vec3Transform>("vec3Transform");
    registerRoutine<&MathDispatchTable::vec3TransformCoord>("transformCoord");
    registerRoutine<&MathDispatchTable::vec3TransformNormal>("vec3TransformNormal");
    registerRoutine<&MathDispatchTable::planeTransform>("planeTransform");
    registerRoutine<&MathDispatchTable::vec3Normalize>("vec3Normalize");
    registerRoutine<&MathDispatchTable::vec4Normalize>("vec4Normalize");
    registerRoutine<&MathDispatchTable::matrixTranspose>("matrixTranspose");

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
