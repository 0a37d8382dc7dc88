// Runs one operation again and again with its 1st, 2nd, 3rd ... allocation failing, until a
// run asks for fewer allocations than the failing number, and records what each run answered:
// the result codes, the memory each run left behind, and successes that differ from the
// operation's unfailed result. Needs the failing allocator (tests/support/failing_allocator.h).
#pragma once

#include "windows.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace test_support {

// Digests of what a successful run made: `exact` must equal the unfailed run's; `derived`
// covers what a run may legitimately make another way when memory runs short (the blitter
// passes a filter that cannot get its rows to the next filter), so it may differ.
struct RunDigest {
    uint32_t exact = 0;
    uint32_t derived = 0;
};

struct SweptOperation {
    // The measured part: makes something and answers a result code.
    std::function<HRESULT()> run;
    // Unmeasured: digests of what a successful run made, then frees all of it (called after
    // every run, failed or not).
    std::function<RunDigest(HRESULT result)> inspectAndRelease;
};

struct SweepReport {
    long allocations = 0;                   // asked for by the unfailed run
    std::map<HRESULT, long> failedRunCodes; // result code -> runs that answered it
    long successesDespiteFailure = 0;       // runs that coped and made the same result
    long successesByOtherMeans = 0;         // of those, runs whose derived part differs
    std::vector<std::string> faults;        // leaks, wrong successes, a failing unfailed run
};

SweepReport sweepAllocationFailures(const SweptOperation& operation);

} // namespace test_support
