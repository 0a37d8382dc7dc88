// The variant sets of the math dispatch table and the plain routines, one per entry, that every
// other variant is measured against.
#pragma once

#include "cpu/math_dispatch.h"

// The plain routines carry their entry's name; math_plain_*.cpp define them.
namespace plain_math {
#define BOSQ_MATH_PLAIN_DECLARATION(name, result, parameters) result name parameters;
BOSQ_MATH_DISPATCH_ROWS(BOSQ_MATH_PLAIN_DECLARATION)
#undef BOSQ_MATH_PLAIN_DECLARATION
} // namespace plain_math

extern const MathDispatchTable plainMathSet;          // all 57 entries
extern const MathDispatchTable tunedMathSet;          // the first 8 entries
extern const MathDispatchTable amd3DNowMathSet;       // all 57 entries
extern const MathDispatchTable amd3DNowSecondMathSet; // 5 entries
extern const MathDispatchTable sse2MathSet;
extern const MathDispatchTable sseMathSet;
