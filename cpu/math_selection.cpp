// The once-only choice of the math variant sets: which sets are written over a dispatch table
// for this processor, system and registry.
#include "cpu/math_dispatch.h"

#include "cpu/processor_features.h"

namespace {

bool hasAll(DWORD flags, DWORD wanted) {
    return (flags & wanted) == wanted;
}

// The 3DNow! routines need MMX too; their second variants need AMD's extensions of both.
void write3DNowSets(MathDispatchTable* table, const MathVariantSets& sets) {
    const DWORD flags = cpuFeatureFlags();
    if (!hasAll(flags, CpuHasMmx | CpuHas3DNow)) {
        return;
    }
    writeMathSet(table, *sets.amd3DNow);
    if (hasAll(flags, CpuHasExtended3DNow | CpuHasMmxExtensions)) {
        writeMathSet(table, *sets.amd3DNowSecond);
    }
}

// Only exactly 1 switches the special sets off; a missing value or another type counts as 0.
bool simdMathDisabled() {
    DWORD value = 0;
    if (!readDirect3DSetting(REG_DWORD, "DisableSimdMath", &value, sizeof value)) {
        return false;
    }
    return value == 1;
}

} // namespace

void writeMathSet(MathDispatchTable* table, const MathDispatchTable& set) {
#define BOSQ_MATH_WRITE_ENTRY(name, result, parameters)                                            \
    if (set.name) {                                                                                \
        table->name = set.name;                                                                    \
    }
    BOSQ_MATH_DISPATCH_ROWS(BOSQ_MATH_WRITE_ENTRY)
#undef BOSQ_MATH_WRITE_ENTRY
}

DWORD selectMathRoutines(BOOL enable, DWORD* dispatchState, MathDispatchTable* table,
                         const MathVariantSets& sets) {
    if (*dispatchState != MathNotChosen) {
        return *dispatchState;
    }
    *dispatchState = MathPlain;
    writeMathSet(table, *sets.plain);
    writeMathSet(table, *sets.tuned);
    if (!enable || simdMathDisabled()) {
        return *dispatchState;
    }
    if (isProcessorFeatureUsable(PF_3DNOW_INSTRUCTIONS_AVAILABLE)) {
        write3DNowSets(table, sets);
        *dispatchState = Math3DNow; // even when the processor lacks what the set needs
    } else if (isProcessorFeatureUsable(PF_XMMI64_INSTRUCTIONS_AVAILABLE)) {
        writeMathSet(table, *sets.sse2);
        *dispatchState = MathSse2;
    } else if (isProcessorFeatureUsable(PF_XMMI_INSTRUCTIONS_AVAILABLE)) {
        writeMathSet(table, *sets.sse);
        *dispatchState = MathSse;
    }
    return *dispatchState;
}
