// Plain quaternion and plane routines: products, normalisation, inverse, interpolation,
// conversions to and from rotations, and the plane through points, moved and cut by a line.
#include "cpu/math_variants.h"

#include "cpu/math_basics.h"

#include <algorithm>
#include <cmath>

namespace {

using math_basics::cross;
using math_basics::difference;
using math_basics::dot;

// Below this distance from parallel, slerp is a plain blend: sin(theta) would be mostly rounding.
constexpr float slerpLinearThreshold = 1e-6f;

Quaternion rotationAbout(float x, float y, float z, float angle) {
    const float s = std::sin(angle * 0.5f);
    return {x * s, y * s, z * s, std::cos(angle * 0.5f)};
}

} // namespace

namespace plain_math {

// In the product's terms b * a, so that the result rotates by a first, as matrices multiply.
Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* a, const Quaternion* b) {
    const Quaternion p = *a, q = *b;
    *out = {q.w * p.x + q.x * p.w + q.y * p.z - q.z * p.y,
            q.w * p.y - q.x * p.z + q.y * p.w + q.z * p.x,
            q.w * p.z + q.x * p.y - q.y * p.x + q.z * p.w,
            q.w * p.w - q.x * p.x - q.y * p.y - q.z * p.z};
    return out;
}

Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q) {
    const Vector4 v{q->x, q->y, q->z, q->w};
    Vector4 n;
    plain_math::vec4Normalize(&n, &v);
    *out = {n.x, n.y, n.z, n.w};
    return out;
}

Quaternion* quaternionInverse(Quaternion* out, const Quaternion* q) {
    const float norm = q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w;
    if (norm == 0.0f) {
        return nullptr;
    }
    *out = {-q->x / norm, -q->y / norm, -q->z / norm, q->w / norm};
    return out;
}

Quaternion* quaternionSlerp(Quaternion* out, const Quaternion* a, const Quaternion* b, float t) {
    float cosine = a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
    // q and -q are the same rotation; turning towards the nearer one takes the shorter arc.
    const float direction = cosine < 0.0f ? -1.0f : 1.0f;
    cosine = std::min(std::fabs(cosine), 1.0f);
    float weightA = 1.0f - t, weightB = t;
    if (1.0f - cosine > slerpLinearThreshold) {
        const float angle = std::acos(cosine);
        const float sine = std::sin(angle);
        weightA = std::sin((1.0f - t) * angle) / sine;
        weightB = std::sin(t * angle) / sine;
    }
    weightB *= direction;
    *out = {weightA * a->x + weightB * b->x, weightA * a->y + weightB * b->y,
            weightA * a->z + weightB * b->z, weightA * a->w + weightB * b->w};
    return out;
}

Quaternion* quaternionRotationAxis(Quaternion* out, const Vector3* axis, float angle) {
    Vector3 n;
    plain_math::vec3Normalize(&n, axis);
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) {
        *out = {0.0f, 0.0f, 0.0f, 1.0f};
        return out;
    }
    *out = rotationAbout(n.x, n.y, n.z, angle);
    return out;
}

// Read back from the sums and differences of matrixRotationQuaternion's elements, starting
// from the largest of 4w^2, 4x^2, 4y^2 and 4z^2 so the square root is never of a small number.
Quaternion* quaternionRotationMatrix(Quaternion* out, const D3DMATRIX* m) {
    const float trace = m->_11 + m->_22 + m->_33;
    Quaternion q;
    if (trace > 0.0f) {
        const float r = std::sqrt(trace + 1.0f) * 2.0f; // 4w
        q = {(m->_23 - m->_32) / r, (m->_31 - m->_13) / r, (m->_12 - m->_21) / r, 0.25f * r};
    } else if (m->_11 >= m->_22 && m->_11 >= m->_33) {
        const float r = std::sqrt(1.0f + m->_11 - m->_22 - m->_33) * 2.0f; // 4x
        q = {0.25f * r, (m->_12 + m->_21) / r, (m->_13 + m->_31) / r, (m->_23 - m->_32) / r};
    } else if (m->_22 >= m->_33) {
        const float r = std::sqrt(1.0f - m->_11 + m->_22 - m->_33) * 2.0f; // 4y
        q = {(m->_12 + m->_21) / r, 0.25f * r, (m->_23 + m->_32) / r, (m->_31 - m->_13) / r};
    } else {
        const float r = std::sqrt(1.0f - m->_11 - m->_22 + m->_33) * 2.0f; // 4z
        q = {(m->_13 + m->_31) / r, (m->_23 + m->_32) / r, 0.25f * r, (m->_12 - m->_21) / r};
    }
    *out = q;
    return out;
}

Quaternion* quaternionRotationYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll) {
    const Quaternion rollTurn = rotationAbout(0.0f, 0.0f, 1.0f, roll);
    const Quaternion pitchTurn = rotationAbout(1.0f, 0.0f, 0.0f, pitch);
    const Quaternion yawTurn = rotationAbout(0.0f, 1.0f, 0.0f, yaw);
    Quaternion q;
    plain_math::quaternionMultiply(&q, &rollTurn, &pitchTurn);
    plain_math::quaternionMultiply(out, &q, &yawTurn);
    return out;
}

void quaternionToAxisAngle(const Quaternion* q, Vector3* axis, float* angle) {
    const Vector3 v{q->x, q->y, q->z};
    const float sine = std::sqrt(dot(v, v));
    plain_math::vec3Normalize(axis, &v);
    *angle = 2.0f * std::atan2(sine, q->w);
}

Plane* planeNormalize(Plane* out, const Plane* p) {
    const float length = std::sqrt(p->a * p->a + p->b * p->b + p->c * p->c);
    if (length == 0.0f) {
        *out = {0.0f, 0.0f, 0.0f, 0.0f};
        return out;
    }
    *out = {p->a / length, p->b / length, p->c / length, p->d / length};
    return out;
}

Plane* planeFromPoints(Plane* out, const Vector3* v1, const Vector3* v2, const Vector3* v3) {
    const Vector3 edgeCross = cross(difference(*v2, *v1), difference(*v3, *v1));
    Vector3 n;
    plain_math::vec3Normalize(&n, &edgeCross);
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f) {
        *out = {0.0f, 0.0f, 0.0f, 0.0f};
        return out;
    }
    *out = {n.x, n.y, n.z, -dot(n, *v1)};
    return out;
}

Plane* planeTransform(Plane* out, const Plane* p, const D3DMATRIX* m) {
    const Vector4 v{p->a, p->b, p->c, p->d};
    Vector4 r;
    plain_math::vec4Transform(&r, &v, m);
    *out = {r.x, r.y, r.z, r.w};
    return out;
}

Vector3* planeIntersectLine(Vector3* out, const Plane* p, const Vector3* v1, const Vector3* v2) {
    const Vector3 n{p->a, p->b, p->c};
    const Vector3 direction = difference(*v2, *v1);
    const float approach = dot(n, direction);
    if (approach == 0.0f) {
        return nullptr;
    }
    const float t = -(dot(n, *v1) + p->d) / approach;
    *out = {v1->x + t * direction.x, v1->y + t * direction.y, v1->z + t * direction.z};
    return out;
}

} // namespace plain_math
