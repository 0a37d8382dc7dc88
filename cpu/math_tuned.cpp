// The tuned floating-point set: the first eight entries, written over the plain set on every
// processor. Portable code arranged for speed; the vector transforms are already straight-line
// arithmetic in their plain form, so the set takes them as they are.
#include "cpu/math_variants.h"

#include <cmath>

namespace {

// Row i of the product is a[i][0] b[0] + a[i][1] b[1] + a[i][2] b[2] + a[i][3] b[3]: whole rows
// of b scaled and summed, which compilers turn into packed arithmetic, in the same order of
// additions as the plain routine.
void productRows(float (&r)[4][4], const D3DMATRIX& a, const D3DMATRIX& b) {
    for (int i = 0; i < 4; ++i) {
        const float a0 = a.m[i][0], a1 = a.m[i][1], a2 = a.m[i][2], a3 = a.m[i][3];
        for (int j = 0; j < 4; ++j) {
            r[i][j] = a0 * b.m[0][j] + a1 * b.m[1][j] + a2 * b.m[2][j] + a3 * b.m[3][j];
        }
    }
}

} // namespace

namespace tuned_math {

D3DMATRIX* matrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
    float r[4][4];
    productRows(r, *a, *b);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out->m[i][j] = r[i][j];
        }
    }
    return out;
}

// The product written straight into the transposed places, without a second pass.
D3DMATRIX* matrixMultiplyTranspose(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
    float r[4][4];
    productRows(r, *a, *b);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            out->m[j][i] = r[i][j];
        }
    }
    return out;
}

// One division for the three components.
Vector3* vec3Normalize(Vector3* out, const Vector3* v) {
    const float x = v->x, y = v->y, z = v->z;
    const float length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0f)) {
        *out = {0.0f, 0.0f, 0.0f};
        return out;
    }
    const float scale = 1.0f / length;
    *out = {x * scale, y * scale, z * scale};
    return out;
}

} // namespace tuned_math

const MathDispatchTable tunedMathSet = {
    .vec2Transform = plain_math::vec2Transform,
    .vec3Transform = plain_math::vec3Transform,
    .vec4Transform = plain_math::vec4Transform,
    .matrixMultiply = tuned_math::matrixMultiply,
    .matrixMultiplyTranspose = tuned_math::matrixMultiplyTranspose,
    .vec2TransformNormal = plain_math::vec2TransformNormal,
    .vec3TransformNormal = plain_math::vec3TransformNormal,
    .vec3Normalize = tuned_math::vec3Normalize,
};
