// Counts the allocations a test program makes, and can make large ones fail. Linking this
// library replaces the global operator new and delete of the program, so a test can prove that
// a loop allocates nothing, or see how code copes when memory runs out.
#pragma once

#include <cstddef>

namespace test_support {

// Counts every operator new from here on.
void startCountingAllocations();

// Stops counting and returns the number of operator new calls since the start.
long stopCountingAllocations();

// From here on, every operator new of `bytes` or more fails (the nothrow forms return null);
// 0 lets every allocation through again.
void failAllocationsFrom(std::size_t bytes);

} // namespace test_support
