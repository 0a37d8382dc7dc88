// The variant sets this build holds: the plain set, every entry, the 3DNow! sets that stand on
// it, and the roles the selection gives the sets.
#include "cpu/math_variants.h"

#define BOSQ_MATH_PLAIN_ENTRY(name, result, parameters) plain_math::name,

const MathDispatchTable plainMathSet = {BOSQ_MATH_DISPATCH_ROWS(BOSQ_MATH_PLAIN_ENTRY)};

// No processor made since 3DNow! was retired runs it, so its sets are the plain routines: the
// selection still writes them exactly where a 3DNow! processor would get its own code.
const MathDispatchTable amd3DNowMathSet = {BOSQ_MATH_DISPATCH_ROWS(BOSQ_MATH_PLAIN_ENTRY)};

#undef BOSQ_MATH_PLAIN_ENTRY

// The five routines with a second 3DNow! variant on processors with AMD's extensions.
const MathDispatchTable amd3DNowSecondMathSet = {
    .matrixMultiply = plain_math::matrixMultiply,
    .matrixInverse = plain_math::matrixInverse,
    .matrixRotationQuaternion = plain_math::matrixRotationQuaternion,
    .matrixTransformation = plain_math::matrixTransformation,
    .quaternionRotationMatrix = plain_math::quaternionRotationMatrix,
};

const MathVariantSets& standardMathSets() {
    static const MathVariantSets sets = {
        &plainMathSet,          &tunedMathSet, &amd3DNowMathSet,
        &amd3DNowSecondMathSet, &sse2MathSet,  &sseMathSet,
    };
    return sets;
}
