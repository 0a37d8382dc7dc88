// The process-wide math dispatch table with its first-call stubs, and the once-only choice of the
// variant sets written over it.
#include "cpu/math_dispatch.h"

#include "cpu/math_variants.h"
#include "cpu/processor_features.h"

namespace {

// Makes the process-wide choice, then calls through the same entry, which by then holds the
// chosen variant.
template <auto Entry> struct FirstCallStub;

template <typename Result, typename... Parameters,
          Result (*MathDispatchTable::*Entry)(Parameters...)>
struct FirstCallStub<Entry> {
    static Result call(Parameters... arguments) {
        selectMathRoutines(TRUE);
        return (mathDispatchTable.*Entry)(arguments...);
    }
};

DWORD dispatchState = MathNotChosen;

const MathVariantSets standardSets = {
    &plainMathSet,          &tunedMathSet, &amd3DNowMathSet,
    &amd3DNowSecondMathSet, &sse2MathSet,  &sseMathSet,
};

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

MathDispatchTable mathDispatchTable = {
#define BOSQ_MATH_FIRST_CALL_STUB(name, result, parameters)                                        \
    FirstCallStub<&MathDispatchTable::name>::call,
    BOSQ_MATH_DISPATCH_ROWS(BOSQ_MATH_FIRST_CALL_STUB)
#undef BOSQ_MATH_FIRST_CALL_STUB
};

void writeMathSet(MathDispatchTable* table, const MathDispatchTable& set) {
#define BOSQ_MATH_WRITE_ENTRY(name, result, parameters)                                            \
    if (set.name) {                                                                                \
        table->name = set.name;                                                                    \
    }
    BOSQ_MATH_DISPATCH_ROWS(BOSQ_MATH_WRITE_ENTRY)
#undef BOSQ_MATH_WRITE_ENTRY
}

const MathVariantSets& standardMathSets() {
    return standardSets;
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

DWORD selectMathRoutines(BOOL enable) {
    return selectMathRoutines(enable, &dispatchState, &mathDispatchTable, standardSets);
}
