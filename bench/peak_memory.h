// The most heap memory a piece of work holds at once: this program's malloc family counts the
// bytes of its live blocks (bench_load replaces it; nothing else in the program changes).
#pragma once

#include <cstddef>
#include <functional>

namespace bench {

// Bytes held at the peak of `work` above what was held when it started.
size_t peakHeapBytes(const std::function<void()>& work);

} // namespace bench
