// The process-wide math dispatch table, whose entries start as first-call stubs, and the
// process-wide choice that replaces them.
#include "cpu/math_dispatch.h"

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

} // namespace

MathDispatchTable mathDispatchTable = {
#define BOSQ_MATH_FIRST_CALL_STUB(name, result, parameters)                                        \
    FirstCallStub<&MathDispatchTable::name>::call,
    BOSQ_MATH_DISPATCH_ROWS(BOSQ_MATH_FIRST_CALL_STUB)
#undef BOSQ_MATH_FIRST_CALL_STUB
};

DWORD selectMathRoutines(BOOL enable) {
    return selectMathRoutines(enable, &dispatchState, &mathDispatchTable, standardMathSets());
}
