// The allocation-failure sweep: an unfailed run for the reference, then one run per allocation.
#include "tests/support/allocation_sweep.h"

#include "tests/support/failing_allocator.h"

#include <cstdio>

namespace test_support {

namespace {

std::string hex8(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%08X", value);
    return text;
}

} // namespace

SweepReport sweepAllocationFailures(const SweptOperation& operation) {
    SweepReport report;
    // The first run fills the process-wide caches (font lists, dispatch tables) for good.
    operation.inspectAndRelease(operation.run());
    failAllocationNumber(0);
    const HRESULT reference = operation.run();
    report.allocations = stopFailingAllocations();
    const RunDigest referenceDigest = operation.inspectAndRelease(reference);
    if (FAILED(reference)) {
        report.faults.push_back("the unfailed run answers " + hex8(uint32_t(reference)));
        return report;
    }
    for (long n = 1;; ++n) {
        const size_t heapBefore = heapBytesInUse();
        failAllocationNumber(n);
        const HRESULT result = operation.run();
        const long asked = stopFailingAllocations();
        const RunDigest digest = operation.inspectAndRelease(result);
        const size_t heapAfter = heapBytesInUse();
        const std::string at = "allocation " + std::to_string(n) + ": ";
        if (heapAfter != heapBefore)
            report.faults.push_back(at + std::to_string(long(heapAfter - heapBefore)) +
                                    " bytes left behind");
        if (asked < n) { // nothing failed: the end of the sweep
            if (result != reference || digest.exact != referenceDigest.exact ||
                digest.derived != referenceDigest.derived)
                report.faults.push_back(at + "the unfailed run changed its answer");
            break;
        }
        if (FAILED(result))
            ++report.failedRunCodes[result];
        else if (digest.exact == referenceDigest.exact) {
            ++report.successesDespiteFailure;
            if (digest.derived != referenceDigest.derived)
                ++report.successesByOtherMeans;
        } else
            report.faults.push_back(at + "success " + hex8(uint32_t(result)) +
                                    " with different data");
    }
    return report;
}

} // namespace test_support
