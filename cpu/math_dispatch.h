// The math dispatch table: one entry point per routine of vector_math.h, filled with the chosen
// processor variants at the first call of any of them, and the variant sets written over it.
#pragma once

#include "cpu/vector_math.h"

#include <cstddef>

// One row per entry, in table order: entry name, result type, parameter types. The first eight
// rows are the entries of the tuned floating-point set.
#define BOSQ_MATH_DISPATCH_ROWS(ROW)                                                               \
    ROW(vec2Transform, Vector4*, (Vector4*, const Vector2*, const D3DMATRIX*))                     \
    ROW(vec3Transform, Vector4*, (Vector4*, const Vector3*, const D3DMATRIX*))                     \
    ROW(vec4Transform, Vector4*, (Vector4*, const Vector4*, const D3DMATRIX*))                     \
    ROW(matrixMultiply, D3DMATRIX*, (D3DMATRIX*, const D3DMATRIX*, const D3DMATRIX*))              \
    ROW(matrixMultiplyTranspose, D3DMATRIX*, (D3DMATRIX*, const D3DMATRIX*, const D3DMATRIX*))     \
    ROW(vec2TransformNormal, Vector2*, (Vector2*, const Vector2*, const D3DMATRIX*))               \
    ROW(vec3TransformNormal, Vector3*, (Vector3*, const Vector3*, const D3DMATRIX*))               \
    ROW(vec3Normalize, Vector3*, (Vector3*, const Vector3*))                                       \
    ROW(vec2TransformCoord, Vector2*, (Vector2*, const Vector2*, const D3DMATRIX*))                \
    ROW(vec3TransformCoord, Vector3*, (Vector3*, const Vector3*, const D3DMATRIX*))                \
    ROW(vec2Normalize, Vector2*, (Vector2*, const Vector2*))                                       \
    ROW(vec4Normalize, Vector4*, (Vector4*, const Vector4*))                                       \
    ROW(vec4Cross, Vector4*, (Vector4*, const Vector4*, const Vector4*, const Vector4*))           \
    ROW(vec2Hermite, Vector2*,                                                                     \
        (Vector2*, const Vector2*, const Vector2*, const Vector2*, const Vector2*, float))         \
    ROW(vec3Hermite, Vector3*,                                                                     \
        (Vector3*, const Vector3*, const Vector3*, const Vector3*, const Vector3*, float))         \
    ROW(vec4Hermite, Vector4*,                                                                     \
        (Vector4*, const Vector4*, const Vector4*, const Vector4*, const Vector4*, float))         \
    ROW(vec2CatmullRom, Vector2*,                                                                  \
        (Vector2*, const Vector2*, const Vector2*, const Vector2*, const Vector2*, float))         \
    ROW(vec3CatmullRom, Vector3*,                                                                  \
        (Vector3*, const Vector3*, const Vector3*, const Vector3*, const Vector3*, float))         \
    ROW(vec4CatmullRom, Vector4*,                                                                  \
        (Vector4*, const Vector4*, const Vector4*, const Vector4*, const Vector4*, float))         \
    ROW(vec2BaryCentric, Vector2*,                                                                 \
        (Vector2*, const Vector2*, const Vector2*, const Vector2*, float, float))                  \
    ROW(vec3BaryCentric, Vector3*,                                                                 \
        (Vector3*, const Vector3*, const Vector3*, const Vector3*, float, float))                  \
    ROW(vec4BaryCentric, Vector4*,                                                                 \
        (Vector4*, const Vector4*, const Vector4*, const Vector4*, float, float))                  \
    ROW(vec3Project, Vector3*,                                                                     \
        (Vector3*, const Vector3*, const D3DVIEWPORT8*, const D3DMATRIX*, const D3DMATRIX*,        \
         const D3DMATRIX*))                                                                        \
    ROW(vec3Unproject, Vector3*,                                                                   \
        (Vector3*, const Vector3*, const D3DVIEWPORT8*, const D3DMATRIX*, const D3DMATRIX*,        \
         const D3DMATRIX*))                                                                        \
    ROW(matrixDeterminant, float, (const D3DMATRIX*))                                              \
    ROW(matrixInverse, D3DMATRIX*, (D3DMATRIX*, float*, const D3DMATRIX*))                         \
    ROW(matrixTranspose, D3DMATRIX*, (D3DMATRIX*, const D3DMATRIX*))                               \
    ROW(matrixScaling, D3DMATRIX*, (D3DMATRIX*, float, float, float))                              \
    ROW(matrixTranslation, D3DMATRIX*, (D3DMATRIX*, float, float, float))                          \
    ROW(matrixRotationX, D3DMATRIX*, (D3DMATRIX*, float))                                          \
    ROW(matrixRotationY, D3DMATRIX*, (D3DMATRIX*, float))                                          \
    ROW(matrixRotationZ, D3DMATRIX*, (D3DMATRIX*, float))                                          \
    ROW(matrixRotationAxis, D3DMATRIX*, (D3DMATRIX*, const Vector3*, float))                       \
    ROW(matrixRotationQuaternion, D3DMATRIX*, (D3DMATRIX*, const Quaternion*))                     \
    ROW(matrixRotationYawPitchRoll, D3DMATRIX*, (D3DMATRIX*, float, float, float))                 \
    ROW(matrixTransformation, D3DMATRIX*,                                                          \
        (D3DMATRIX*, const Vector3*, const Quaternion*, const Vector3*, const Vector3*,            \
         const Quaternion*, const Vector3*))                                                       \
    ROW(matrixAffineTransformation, D3DMATRIX*,                                                    \
        (D3DMATRIX*, float, const Vector3*, const Quaternion*, const Vector3*))                    \
    ROW(matrixLookAtLH, D3DMATRIX*, (D3DMATRIX*, const Vector3*, const Vector3*, const Vector3*))  \
    ROW(matrixLookAtRH, D3DMATRIX*, (D3DMATRIX*, const Vector3*, const Vector3*, const Vector3*))  \
    ROW(matrixPerspectiveFovLH, D3DMATRIX*, (D3DMATRIX*, float, float, float, float))              \
    ROW(matrixPerspectiveFovRH, D3DMATRIX*, (D3DMATRIX*, float, float, float, float))              \
    ROW(matrixOrthoLH, D3DMATRIX*, (D3DMATRIX*, float, float, float, float))                       \
    ROW(matrixOrthoRH, D3DMATRIX*, (D3DMATRIX*, float, float, float, float))                       \
    ROW(matrixReflect, D3DMATRIX*, (D3DMATRIX*, const Plane*))                                     \
    ROW(matrixShadow, D3DMATRIX*, (D3DMATRIX*, const Vector4*, const Plane*))                      \
    ROW(quaternionMultiply, Quaternion*, (Quaternion*, const Quaternion*, const Quaternion*))      \
    ROW(quaternionNormalize, Quaternion*, (Quaternion*, const Quaternion*))                        \
    ROW(quaternionInverse, Quaternion*, (Quaternion*, const Quaternion*))                          \
    ROW(quaternionSlerp, Quaternion*, (Quaternion*, const Quaternion*, const Quaternion*, float))  \
    ROW(quaternionRotationAxis, Quaternion*, (Quaternion*, const Vector3*, float))                 \
    ROW(quaternionRotationMatrix, Quaternion*, (Quaternion*, const D3DMATRIX*))                    \
    ROW(quaternionRotationYawPitchRoll, Quaternion*, (Quaternion*, float, float, float))           \
    ROW(quaternionToAxisAngle, void, (const Quaternion*, Vector3*, float*))                        \
    ROW(planeNormalize, Plane*, (Plane*, const Plane*))                                            \
    ROW(planeFromPoints, Plane*, (Plane*, const Vector3*, const Vector3*, const Vector3*))         \
    ROW(planeTransform, Plane*, (Plane*, const Plane*, const D3DMATRIX*))                          \
    ROW(planeIntersectLine, Vector3*, (Vector3*, const Plane*, const Vector3*, const Vector3*))

struct MathDispatchTable {
#define BOSQ_MATH_ENTRY_MEMBER(name, result, parameters) result(*name) parameters = nullptr;
    BOSQ_MATH_DISPATCH_ROWS(BOSQ_MATH_ENTRY_MEMBER)
#undef BOSQ_MATH_ENTRY_MEMBER
};

#define BOSQ_MATH_ENTRY_COUNT(name, result, parameters) +1
inline constexpr size_t mathDispatchEntryCount = 0 BOSQ_MATH_DISPATCH_ROWS(BOSQ_MATH_ENTRY_COUNT);
#undef BOSQ_MATH_ENTRY_COUNT
static_assert(mathDispatchEntryCount == 57, "the dispatch table holds 57 entry points");
static_assert(sizeof(MathDispatchTable) == mathDispatchEntryCount * sizeof(void (*)()),
              "entries are packed one pointer after the other");

// A variant set is a table whose null entries are the routines the set leaves as they are.
// Writes the set's non-null entries over the table.
void writeMathSet(MathDispatchTable* table, const MathDispatchTable& set);

// The variant sets one choice writes, in the roles the selection gives them.
struct MathVariantSets {
    const MathDispatchTable* plain;          // every entry
    const MathDispatchTable* tuned;          // the first eight entries
    const MathDispatchTable* amd3DNow;       // every entry
    const MathDispatchTable* amd3DNowSecond; // five entries, for the extended 3DNow! processors
    const MathDispatchTable* sse2;
    const MathDispatchTable* sse;
};

// The sets this build holds.
const MathVariantSets& standardMathSets();

// dispatchState values.
inline constexpr DWORD MathNotChosen = 0xFFFF;
inline constexpr DWORD MathPlain = 0; // plain and tuned floating-point sets
inline constexpr DWORD Math3DNow = 1;
inline constexpr DWORD MathSse2 = 2;
inline constexpr DWORD MathSse = 3;

// Chooses the variants once: while *dispatchState is MathNotChosen, writes the sets over the
// table for this processor, system and registry and stores the choice; afterwards only returns
// *dispatchState. With enable 0 the choice stops at the plain and tuned sets, as when the
// registry value "DisableSimdMath" is 1.
DWORD selectMathRoutines(BOOL enable, DWORD* dispatchState, MathDispatchTable* table,
                         const MathVariantSets& sets);

// The process-wide choice over mathDispatchTable; the first-call stubs call it with enable 1.
DWORD selectMathRoutines(BOOL enable);

// The table every routine of vector_math.h jumps through. Until the first call of any of them,
// every entry is a stub that makes the process-wide choice and calls through the entry again.
extern MathDispatchTable mathDispatchTable;
