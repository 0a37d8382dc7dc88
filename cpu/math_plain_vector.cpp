// Plain vector routines: transforms, normalisation, the four-dimensional cross product, splines,
// barycentric combinations and projection to the viewport and back.
#include "cpu/math_variants.h"

#include "cpu/math_basics.h"

#include <cmath>
#include <initializer_list>

namespace {

// Differing from 1 by no more than this, w is taken as exactly 1 and not divided out.
constexpr float unitWTolerance = 1.1920929e-7f; // 2^-23

// The spline weights of p1, t1, p2 and t2 at s.
struct HermiteWeights {
    float p1, t1, p2, t2;
};

HermiteWeights hermiteWeights(float s) {
    const float s2 = s * s;
    const float s3 = s2 * s;
    return {2.0f * s3 - 3.0f * s2 + 1.0f, s3 - 2.0f * s2 + s, -2.0f * s3 + 3.0f * s2, s3 - s2};
}

// Catmull-Rom as a weighted sum of its four points.
struct CatmullRomWeights {
    float p0, p1, p2, p3;
};

CatmullRomWeights catmullRomWeights(float s) {
    const float s2 = s * s;
    const float s3 = s2 * s;
    return {0.5f * (-s3 + 2.0f * s2 - s), 0.5f * (3.0f * s3 - 5.0f * s2 + 2.0f),
            0.5f * (-3.0f * s3 + 4.0f * s2 + s), 0.5f * (s3 - s2)};
}

// The components of each vector type, so the component-wise routines are written once.
template <typename Vector> struct Components;

template <> struct Components<Vector2> {
    static constexpr float Vector2::*list[] = {&Vector2::x, &Vector2::y};
};

template <> struct Components<Vector3> {
    static constexpr float Vector3::*list[] = {&Vector3::x, &Vector3::y, &Vector3::z};
};

template <> struct Components<Vector4> {
    static constexpr float Vector4::*list[] = {&Vector4::x, &Vector4::y, &Vector4::z, &Vector4::w};
};

template <typename Vector> Vector* normalizeComponents(Vector* out, const Vector* v) {
    float squares = 0.0f;
    for (auto c : Components<Vector>::list) {
        squares += v->*c * v->*c;
    }
    const float length = std::sqrt(squares);
    Vector result{};
    if (length > 0.0f) {
        for (auto c : Components<Vector>::list) {
            result.*c = v->*c / length;
        }
    }
    *out = result;
    return out;
}

template <typename Vector>
Vector* hermiteComponents(Vector* out, const Vector* p1, const Vector* t1, const Vector* p2,
                          const Vector* t2, float s) {
    const HermiteWeights h = hermiteWeights(s);
    Vector result;
    for (auto c : Components<Vector>::list) {
        result.*c = h.p1 * p1->*c + h.t1 * t1->*c + h.p2 * p2->*c + h.t2 * t2->*c;
    }
    *out = result;
    return out;
}

template <typename Vector>
Vector* catmullRomComponents(Vector* out, const Vector* p0, const Vector* p1, const Vector* p2,
                             const Vector* p3, float s) {
    const CatmullRomWeights w = catmullRomWeights(s);
    Vector result;
    for (auto c : Components<Vector>::list) {
        result.*c = w.p0 * p0->*c + w.p1 * p1->*c + w.p2 * p2->*c + w.p3 * p3->*c;
    }
    *out = result;
    return out;
}

template <typename Vector>
Vector* baryCentricComponents(Vector* out, const Vector* v1, const Vector* v2, const Vector* v3,
                              float f, float g) {
    Vector result;
    for (auto c : Components<Vector>::list) {
        result.*c = v1->*c + f * (v2->*c - v1->*c) + g * (v3->*c - v1->*c);
    }
    *out = result;
    return out;
}

// world * view * projection, nulls skipped.
D3DMATRIX combinedTransform(const D3DMATRIX* projection, const D3DMATRIX* view,
                            const D3DMATRIX* world) {
    D3DMATRIX m = math_basics::identityMatrix();
    for (const D3DMATRIX* part : {world, view, projection}) {
        if (part) {
            plain_math::matrixMultiply(&m, &m, part);
        }
    }
    return m;
}

} // namespace

namespace plain_math {

Vector4* vec2Transform(Vector4* out, const Vector2* v, const D3DMATRIX* m) {
    const float x = v->x, y = v->y;
    *out = {x * m->_11 + y * m->_21 + m->_41, x * m->_12 + y * m->_22 + m->_42,
            x * m->_13 + y * m->_23 + m->_43, x * m->_14 + y * m->_24 + m->_44};
    return out;
}

Vector4* vec3Transform(Vector4* out, const Vector3* v, const D3DMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z;
    *out = {x * m->_11 + y * m->_21 + z * m->_31 + m->_41,
            x * m->_12 + y * m->_22 + z * m->_32 + m->_42,
            x * m->_13 + y * m->_23 + z * m->_33 + m->_43,
            x * m->_14 + y * m->_24 + z * m->_34 + m->_44};
    return out;
}

Vector4* vec4Transform(Vector4* out, const Vector4* v, const D3DMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z, w = v->w;
    *out = {x * m->_11 + y * m->_21 + z * m->_31 + w * m->_41,
            x * m->_12 + y * m->_22 + z * m->_32 + w * m->_42,
            x * m->_13 + y * m->_23 + z * m->_33 + w * m->_43,
            x * m->_14 + y * m->_24 + z * m->_34 + w * m->_44};
    return out;
}

Vector2* vec2TransformNormal(Vector2* out, const Vector2* v, const D3DMATRIX* m) {
    const float x = v->x, y = v->y;
    *out = {x * m->_11 + y * m->_21, x * m->_12 + y * m->_22};
    return out;
}

Vector3* vec3TransformNormal(Vector3* out, const Vector3* v, const D3DMATRIX* m) {
    const float x = v->x, y = v->y, z = v->z;
    *out = {x * m->_11 + y * m->_21 + z * m->_31, x * m->_12 + y * m->_22 + z * m->_32,
            x * m->_13 + y * m->_23 + z * m->_33};
    return out;
}

Vector3* vec3Normalize(Vector3* out, const Vector3* v) {
    return normalizeComponents(out, v);
}

Vector2* vec2TransformCoord(Vector2* out, const Vector2* v, const D3DMATRIX* m) {
    Vector4 h;
    plain_math::vec2Transform(&h, v, m);
    if (std::fabs(h.w - 1.0f) > unitWTolerance) {
        h.x /= h.w;
        h.y /= h.w;
    }
    *out = {h.x, h.y};
    return out;
}

Vector3* vec3TransformCoord(Vector3* out, const Vector3* v, const D3DMATRIX* m) {
    Vector4 h;
    plain_math::vec3Transform(&h, v, m);
    if (std::fabs(h.w - 1.0f) > unitWTolerance) {
        h.x /= h.w;
        h.y /= h.w;
        h.z /= h.w;
    }
    *out = {h.x, h.y, h.z};
    return out;
}

Vector2* vec2Normalize(Vector2* out, const Vector2* v) {
    return normalizeComponents(out, v);
}

Vector4* vec4Normalize(Vector4* out, const Vector4* v) {
    return normalizeComponents(out, v);
}

// The cofactors of the 3 x 4 matrix of the rows u, v and w, expanded by 2 x 2 minors of v and w.
Vector4* vec4Cross(Vector4* out, const Vector4* u, const Vector4* v, const Vector4* w) {
    const float xy = v->x * w->y - v->y * w->x;
    const float xz = v->x * w->z - v->z * w->x;
    const float xw = v->x * w->w - v->w * w->x;
    const float yz = v->y * w->z - v->z * w->y;
    const float yw = v->y * w->w - v->w * w->y;
    const float zw = v->z * w->w - v->w * w->z;
    *out = {u->y * zw - u->z * yw + u->w * yz, -(u->x * zw - u->z * xw + u->w * xz),
            u->x * yw - u->y * xw + u->w * xy, -(u->x * yz - u->y * xz + u->z * xy)};
    return out;
}

Vector2* vec2Hermite(Vector2* out, const Vector2* p1, const Vector2* t1, const Vector2* p2,
                     const Vector2* t2, float s) {
    return hermiteComponents(out, p1, t1, p2, t2, s);
}

Vector3* vec3Hermite(Vector3* out, const Vector3* p1, const Vector3* t1, const Vector3* p2,
                     const Vector3* t2, float s) {
    return hermiteComponents(out, p1, t1, p2, t2, s);
}

Vector4* vec4Hermite(Vector4* out, const Vector4* p1, const Vector4* t1, const Vector4* p2,
                     const Vector4* t2, float s) {
    return hermiteComponents(out, p1, t1, p2, t2, s);
}

Vector2* vec2CatmullRom(Vector2* out, const Vector2* p0, const Vector2* p1, const Vector2* p2,
                        const Vector2* p3, float s) {
    return catmullRomComponents(out, p0, p1, p2, p3, s);
}

Vector3* vec3CatmullRom(Vector3* out, const Vector3* p0, const Vector3* p1, const Vector3* p2,
                        const Vector3* p3, float s) {
    return catmullRomComponents(out, p0, p1, p2, p3, s);
}

Vector4* vec4CatmullRom(Vector4* out, const Vector4* p0, const Vector4* p1, const Vector4* p2,
                        const Vector4* p3, float s) {
    return catmullRomComponents(out, p0, p1, p2, p3, s);
}

Vector2* vec2BaryCentric(Vector2* out, const Vector2* v1, const Vector2* v2, const Vector2* v3,
                         float f, float g) {
    return baryCentricComponents(out, v1, v2, v3, f, g);
}

Vector3* vec3BaryCentric(Vector3* out, const Vector3* v1, const Vector3* v2, const Vector3* v3,
                         float f, float g) {
    return baryCentricComponents(out, v1, v2, v3, f, g);
}

Vector4* vec4BaryCentric(Vector4* out, const Vector4* v1, const Vector4* v2, const Vector4* v3,
                         float f, float g) {
    return baryCentricComponents(out, v1, v2, v3, f, g);
}

Vector3* vec3Project(Vector3* out, const Vector3* v, const D3DVIEWPORT8* viewport,
                     const D3DMATRIX* projection, const D3DMATRIX* view, const D3DMATRIX* world) {
    const D3DMATRIX m = combinedTransform(projection, view, world);
    Vector3 p;
    plain_math::vec3TransformCoord(&p, v, &m);
    if (viewport) {
        p.x = float(viewport->X) + (1.0f + p.x) * float(viewport->Width) * 0.5f;
        p.y = float(viewport->Y) + (1.0f - p.y) * float(viewport->Height) * 0.5f;
        p.z = viewport->MinZ + p.z * (viewport->MaxZ - viewport->MinZ);
    }
    *out = p;
    return out;
}

Vector3* vec3Unproject(Vector3* out, const Vector3* v, const D3DVIEWPORT8* viewport,
                       const D3DMATRIX* projection, const D3DMATRIX* view, const D3DMATRIX* world) {
    D3DMATRIX m = combinedTransform(projection, view, world);
    if (!plain_math::matrixInverse(&m, nullptr, &m)) {
        return nullptr;
    }
    Vector3 p = *v;
    if (viewport) {
        const float depth = viewport->MaxZ - viewport->MinZ;
        if (viewport->Width == 0 || viewport->Height == 0 || depth == 0.0f) {
            return nullptr;
        }
        p.x = 2.0f * (p.x - float(viewport->X)) / float(viewport->Width) - 1.0f;
        p.y = 1.0f - 2.0f * (p.y - float(viewport->Y)) / float(viewport->Height);
        p.z = (p.z - viewport->MinZ) / depth;
    }
    plain_math::vec3TransformCoord(out, &p, &m);
    return out;
}

} // namespace plain_math
