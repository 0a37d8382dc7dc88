// The packed-single routines of the SSE and SSE2 sets, written once over a lane policy that says
// how one lane is copied to all four. Include only from a variant file: the code is compiled with
// that file's processor flags.
//
// Each routine adds its products in the order the plain routine does, so on a processor without
// fused multiply-add the results are the plain results to the bit.
#pragma once

#include "cpu/math_variants.h"

#include <cmath>
#include <xmmintrin.h>

namespace math_simd {

// Differing from 1 by no more than this, w is taken as exactly 1 and not divided out.
constexpr float unitWTolerance = 1.1920929e-7f; // 2^-23

template <typename Lanes> struct Kernels {
    template <int I> static __m128 lane(__m128 v) { return Lanes::template broadcast<I>(v); }

    static __m128 row(const D3DMATRIX* m, int i) { return _mm_loadu_ps(m->m[i]); }

    // x r0 + y r1 (+ z r2 (+ w r3)): the components as weights of the matrix rows, each copied
    // to all four lanes straight from memory.
    static __m128 combine2(float x, float y, const D3DMATRIX* m) {
        return _mm_add_ps(_mm_mul_ps(_mm_set1_ps(x), row(m, 0)),
                          _mm_mul_ps(_mm_set1_ps(y), row(m, 1)));
    }

    static __m128 combine3(float x, float y, float z, const D3DMATRIX* m) {
        return _mm_add_ps(combine2(x, y, m), _mm_mul_ps(_mm_set1_ps(z), row(m, 2)));
    }

    static __m128 combine4(float x, float y, float z, float w, const D3DMATRIX* m) {
        return _mm_add_ps(combine3(x, y, z, m), _mm_mul_ps(_mm_set1_ps(w), row(m, 3)));
    }

    // The same sum with the weights in the lanes of a register.
    static __m128 combineLanes(__m128 v, const D3DMATRIX* m) {
        __m128 sum =
            _mm_add_ps(_mm_mul_ps(lane<0>(v), row(m, 0)), _mm_mul_ps(lane<1>(v), row(m, 1)));
        sum = _mm_add_ps(sum, _mm_mul_ps(lane<2>(v), row(m, 2)));
        return _mm_add_ps(sum, _mm_mul_ps(lane<3>(v), row(m, 3)));
    }

    static __m128 load3(const Vector3* v) { return _mm_setr_ps(v->x, v->y, v->z, 0.0f); }

    static void store2(Vector2* out, __m128 v) {
        alignas(16) float r[4];
        _mm_store_ps(r, v);
        *out = {r[0], r[1]};
    }

    static void store3(Vector3* out, __m128 v) {
        alignas(16) float r[4];
        _mm_store_ps(r, v);
        *out = {r[0], r[1], r[2]};
    }

    // Divides by w unless w is 1 within the tolerance.
    static __m128 divideOutW(__m128 h) {
        const __m128 w = lane<3>(h);
        if (std::fabs(_mm_cvtss_f32(w) - 1.0f) > unitWTolerance) {
            return _mm_div_ps(h, w);
        }
        return h;
    }

    // v divided by its length, or zero when the length is not positive. The squares are summed
    // one lane after the other, as the plain routine sums them.
    template <int Count> static __m128 normalized(__m128 v) {
        const __m128 squares = _mm_mul_ps(v, v);
        __m128 sum = _mm_add_ss(squares, lane<1>(squares));
        if constexpr (Count >= 3) {
            sum = _mm_add_ss(sum, lane<2>(squares));
        }
        if constexpr (Count >= 4) {
            sum = _mm_add_ss(sum, lane<3>(squares));
        }
        const __m128 length = lane<0>(_mm_sqrt_ss(sum));
        return _mm_and_ps(_mm_div_ps(v, length), _mm_cmpgt_ps(length, _mm_setzero_ps()));
    }

    static void productRows(__m128 (&r)[4], const D3DMATRIX* a, const D3DMATRIX* b) {
        for (int i = 0; i < 4; ++i) {
            r[i] = combineLanes(row(a, i), b);
        }
    }

    static Vector4* vec2Transform(Vector4* out, const Vector2* v, const D3DMATRIX* m) {
        _mm_storeu_ps(&out->x, _mm_add_ps(combine2(v->x, v->y, m), row(m, 3)));
        return out;
    }

    static Vector4* vec3Transform(Vector4* out, const Vector3* v, const D3DMATRIX* m) {
        _mm_storeu_ps(&out->x, _mm_add_ps(combine3(v->x, v->y, v->z, m), row(m, 3)));
        return out;
    }

    static Vector4* vec4Transform(Vector4* out, const Vector4* v, const D3DMATRIX* m) {
        _mm_storeu_ps(&out->x, combine4(v->x, v->y, v->z, v->w, m));
        return out;
    }

    static D3DMATRIX* matrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
        __m128 r[4];
        productRows(r, a, b);
        for (int i = 0; i < 4; ++i) {
            _mm_storeu_ps(out->m[i], r[i]);
        }
        return out;
    }

    static D3DMATRIX* matrixMultiplyTranspose(D3DMATRIX* out, const D3DMATRIX* a,
                                              const D3DMATRIX* b) {
        __m128 r[4];
        productRows(r, a, b);
        _MM_TRANSPOSE4_PS(r[0], r[1], r[2], r[3]);
        for (int i = 0; i < 4; ++i) {
            _mm_storeu_ps(out->m[i], r[i]);
        }
        return out;
    }

    static Vector2* vec2TransformNormal(Vector2* out, const Vector2* v, const D3DMATRIX* m) {
        store2(out, combine2(v->x, v->y, m));
        return out;
    }

    static Vector3* vec3TransformNormal(Vector3* out, const Vector3* v, const D3DMATRIX* m) {
        store3(out, combine3(v->x, v->y, v->z, m));
        return out;
    }

    static Vector3* vec3Normalize(Vector3* out, const Vector3* v) {
        store3(out, normalized<3>(load3(v)));
        return out;
    }

    static Vector2* vec2TransformCoord(Vector2* out, const Vector2* v, const D3DMATRIX* m) {
        store2(out, divideOutW(_mm_add_ps(combine2(v->x, v->y, m), row(m, 3))));
        return out;
    }

    static Vector3* vec3TransformCoord(Vector3* out, const Vector3* v, const D3DMATRIX* m) {
        store3(out, divideOutW(_mm_add_ps(combine3(v->x, v->y, v->z, m), row(m, 3))));
        return out;
    }

    static Vector4* vec4Normalize(Vector4* out, const Vector4* v) {
        _mm_storeu_ps(&out->x, normalized<4>(_mm_loadu_ps(&v->x)));
        return out;
    }

    static Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q) {
        _mm_storeu_ps(&out->x, normalized<4>(_mm_loadu_ps(&q->x)));
        return out;
    }

    static Plane* planeTransform(Plane* out, const Plane* p, const D3DMATRIX* m) {
        _mm_storeu_ps(&out->a, combine4(p->a, p->b, p->c, p->d, m));
        return out;
    }
};

// The routines of the set, in table order; the others stay as the plain and tuned sets left them.
template <typename Lanes> constexpr MathDispatchTable simdMathSet() {
    using K = Kernels<Lanes>;
    return {
        .vec2Transform = K::vec2Transform,
        .vec3Transform = K::vec3Transform,
        .vec4Transform = K::vec4Transform,
        .matrixMultiply = K::matrixMultiply,
        .matrixMultiplyTranspose = K::matrixMultiplyTranspose,
        .vec2TransformNormal = K::vec2TransformNormal,
        .vec3TransformNormal = K::vec3TransformNormal,
        .vec3Normalize = K::vec3Normalize,
        .vec2TransformCoord = K::vec2TransformCoord,
        .vec3TransformCoord = K::vec3TransformCoord,
        .vec4Normalize = K::vec4Normalize,
        .quaternionNormalize = K::quaternionNormalize,
        .planeTransform = K::planeTransform,
    };
}

} // namespace math_simd
