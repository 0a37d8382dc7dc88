// Counts the allocations a test program makes. Linking this library replaces the global
// operator new and delete of the program, so a test can prove that a loop allocates nothing.
#pragma once

namespace test_support {

// Counts every operator new from here on.
void startCountingAllocations();

// Stops counting and returns the number of operator new calls since the start.
long stopCountingAllocations();

} // namespace test_support
