// The vector variants of the math routines against the plain ones, called through a pointer as
// the dispatch table calls them, over arrays of inputs. Prints each variant's time as a ratio to
// the plain routine measured in the same run ("ratio matrixMultiply/sse2 = 0.75").
#include "cpu/math_variants.h"

#include "bench/ratio_report.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int batch = 1024;

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

// Benchmark names; a deque keeps them in place, since the ratios point into them.
std::deque<std::string> names;
std::vector<bench::Ratio> ratios;

// One benchmark per set that has the entry, named "<routine>/<set>", and the ratio of each
// variant to the plain routine, which comes first.
template <auto Entry> void registerRoutine(const char* routine) {
    const char* plain = nullptr;
    for (const NamedSet& s : namedSets) {
        if (s.set->*Entry) {
            const char* name = names.emplace_back(std::string(routine) + "/" + s.name).c_str();
            benchmark::RegisterBenchmark(name, [entry = s.set->*Entry](benchmark::State& state) {
                runOverBatch(state, entry);
            });
            if (s.set == &plainMathSet) {
                plain = name;
            } else {
                ratios.push_back({name, name, plain});
            }
        }
    }
}

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
    return bench::runWithRatios(argc, argv, ratios);
}
