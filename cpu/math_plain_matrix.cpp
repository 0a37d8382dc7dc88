// Plain matrix routines: products, determinant and inverse, the elementary transforms, the
// composed transformations, view and projection matrices, reflection and shadow.
#include "cpu/math_variants.h"

#include "cpu/math_basics.h"

#include <cmath>

namespace {

using math_basics::cross;
using math_basics::difference;
using math_basics::dot;
using math_basics::identityMatrix;

// The twelve 2 x 2 minors of the upper and lower row pairs, in double precision so that the
// determinant and the inverse lose as little as possible to cancellation.
struct MatrixMinors {
    double upper[6]; // rows 1 and 2, columns 12 13 14 23 24 34
    double lower[6]; // rows 3 and 4, the same columns
    double determinant;
};

MatrixMinors matrixMinors(const D3DMATRIX& m) {
    const float(&a)[4][4] = m.m;
    MatrixMinors r;
    int k = 0;
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j, ++k) {
            r.upper[k] = double(a[0][i]) * a[1][j] - double(a[1][i]) * a[0][j];
            r.lower[k] = double(a[2][i]) * a[3][j] - double(a[3][i]) * a[2][j];
        }
    }
    const double* s = r.upper;
    const double* t = r.lower;
    r.determinant =
        s[0] * t[5] - s[1] * t[4] + s[2] * t[3] + s[3] * t[2] - s[4] * t[1] + s[5] * t[0];
    return r;
}

// The scaling part of a transformation: S, or T(-sc) Rs^-1 S Rs T(sc) when it has a centre or
// rotated axes.
D3DMATRIX scalingPart(const Vector3* scalingCentre, const Quaternion* scalingRotation,
                      const Vector3& scaling) {
    if (!scalingCentre && !scalingRotation) {
        D3DMATRIX m{};
        m._11 = scaling.x;
        m._22 = scaling.y;
        m._33 = scaling.z;
        m._44 = 1.0f;
        return m;
    }
    D3DMATRIX m = identityMatrix();
    if (scalingCentre) {
        m._41 = -scalingCentre->x;
        m._42 = -scalingCentre->y;
        m._43 = -scalingCentre->z;
    }
    D3DMATRIX axes;
    if (scalingRotation) {
        plain_math::matrixRotationQuaternion(&axes, scalingRotation);
        D3DMATRIX inverseAxes;
        plain_math::matrixTranspose(&inverseAxes, &axes);
        plain_math::matrixMultiply(&m, &m, &inverseAxes);
    }
    for (auto& row : m.m) {
        row[0] *= scaling.x;
        row[1] *= scaling.y;
        row[2] *= scaling.z;
    }
    if (scalingRotation) {
        plain_math::matrixMultiply(&m, &m, &axes);
    }
    if (scalingCentre) {
        m._41 += scalingCentre->x;
        m._42 += scalingCentre->y;
        m._43 += scalingCentre->z;
    }
    return m;
}

// M R about the centre, then the translation added to the fourth row.
D3DMATRIX* rotateAndTranslate(D3DMATRIX* out, D3DMATRIX m, const Vector3* rotationCentre,
                              const Quaternion* rotation, const Vector3* translation) {
    if (rotation) {
        D3DMATRIX r;
        plain_math::matrixRotationQuaternion(&r, rotation);
        if (rotationCentre) {
            m._41 -= rotationCentre->x;
            m._42 -= rotationCentre->y;
            m._43 -= rotationCentre->z;
            plain_math::matrixMultiply(&m, &m, &r);
            m._41 += rotationCentre->x;
            m._42 += rotationCentre->y;
            m._43 += rotationCentre->z;
        } else {
            plain_math::matrixMultiply(&m, &m, &r);
        }
    }
    if (translation) {
        m._41 += translation->x;
        m._42 += translation->y;
        m._43 += translation->z;
    }
    *out = m;
    return out;
}

// A view matrix from its three unit axes and the eye.
D3DMATRIX* viewMatrix(D3DMATRIX* out, const Vector3& xAxis, const Vector3& yAxis,
                      const Vector3& zAxis, const Vector3& eye) {
    D3DMATRIX m{};
    m._11 = xAxis.x, m._12 = yAxis.x, m._13 = zAxis.x;
    m._21 = xAxis.y, m._22 = yAxis.y, m._23 = zAxis.y;
    m._31 = xAxis.z, m._32 = yAxis.z, m._33 = zAxis.z;
    m._41 = -dot(xAxis, eye), m._42 = -dot(yAxis, eye), m._43 = -dot(zAxis, eye);
    m._44 = 1.0f;
    *out = m;
    return out;
}

// The view axes looking along `forward` with `up` as the rough vertical.
D3DMATRIX* lookAlong(D3DMATRIX* out, const Vector3& forward, const Vector3* up,
                     const Vector3* eye) {
    Vector3 zAxis, xAxis;
    plain_math::vec3Normalize(&zAxis, &forward);
    const Vector3 side = cross(*up, zAxis);
    plain_math::vec3Normalize(&xAxis, &side);
    return viewMatrix(out, xAxis, cross(zAxis, xAxis), zAxis, *eye);
}

} // namespace

namespace plain_math {

// Each element sums its four products from the first, in the order the vector variants add them.
D3DMATRIX* matrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] +
                        a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
        }
    }
    *out = r;
    return out;
}

D3DMATRIX* matrixMultiplyTranspose(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
    D3DMATRIX r;
    plain_math::matrixMultiply(&r, a, b);
    return plain_math::matrixTranspose(out, &r);
}

float matrixDeterminant(const D3DMATRIX* m) {
    return float(matrixMinors(*m).determinant);
}

D3DMATRIX* matrixInverse(D3DMATRIX* out, float* determinant, const D3DMATRIX* m) {
    const MatrixMinors minors = matrixMinors(*m);
    const double det = minors.determinant;
    if (det == 0.0 || !std::isfinite(det)) {
        return nullptr;
    }
    const float(&a)[4][4] = m->m;
    const double* s = minors.upper;
    const double* t = minors.lower;
    const double adjugate[4][4] = {
        {a[1][1] * t[5] - a[1][2] * t[4] + a[1][3] * t[3],
         -a[0][1] * t[5] + a[0][2] * t[4] - a[0][3] * t[3],
         a[3][1] * s[5] - a[3][2] * s[4] + a[3][3] * s[3],
         -a[2][1] * s[5] + a[2][2] * s[4] - a[2][3] * s[3]},
        {-a[1][0] * t[5] + a[1][2] * t[2] - a[1][3] * t[1],
         a[0][0] * t[5] - a[0][2] * t[2] + a[0][3] * t[1],
         -a[3][0] * s[5] + a[3][2] * s[2] - a[3][3] * s[1],
         a[2][0] * s[5] - a[2][2] * s[2] + a[2][3] * s[1]},
        {a[1][0] * t[4] - a[1][1] * t[2] + a[1][3] * t[0],
         -a[0][0] * t[4] + a[0][1] * t[2] - a[0][3] * t[0],
         a[3][0] * s[4] - a[3][1] * s[2] + a[3][3] * s[0],
         -a[2][0] * s[4] + a[2][1] * s[2] - a[2][3] * s[0]},
        {-a[1][0] * t[3] + a[1][1] * t[1] - a[1][2] * t[0],
         a[0][0] * t[3] - a[0][1] * t[1] + a[0][2] * t[0],
         -a[3][0] * s[3] + a[3][1] * s[1] - a[3][2] * s[0],
         a[2][0] * s[3] - a[2][1] * s[1] + a[2][2] * s[0]},
    };
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = float(adjugate[i][j] / det);
            // An inverse beyond the float range is no answer either.
            if (!std::isfinite(r.m[i][j])) {
                return nullptr;
            }
        }
    }
    if (determinant) {
        *determinant = float(det);
    }
    *out = r;
    return out;
}

D3DMATRIX* matrixTranspose(D3DMATRIX* out, const D3DMATRIX* m) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = m->m[j][i];
        }
    }
    *out = r;
    return out;
}

D3DMATRIX* matrixScaling(D3DMATRIX* out, float sx, float sy, float sz) {
    D3DMATRIX m{};
    m._11 = sx;
    m._22 = sy;
    m._33 = sz;
    m._44 = 1.0f;
    *out = m;
    return out;
}

D3DMATRIX* matrixTranslation(D3DMATRIX* out, float x, float y, float z) {
    D3DMATRIX m = identityMatrix();
    m._41 = x;
    m._42 = y;
    m._43 = z;
    *out = m;
    return out;
}

D3DMATRIX* matrixRotationX(D3DMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DMATRIX m = identityMatrix();
    m._22 = c, m._23 = s;
    m._32 = -s, m._33 = c;
    *out = m;
    return out;
}

D3DMATRIX* matrixRotationY(D3DMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DMATRIX m = identityMatrix();
    m._11 = c, m._13 = -s;
    m._31 = s, m._33 = c;
    *out = m;
    return out;
}

D3DMATRIX* matrixRotationZ(D3DMATRIX* out, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    D3DMATRIX m = identityMatrix();
    m._11 = c, m._12 = s;
    m._21 = -s, m._22 = c;
    *out = m;
    return out;
}

D3DMATRIX* matrixRotationAxis(D3DMATRIX* out, const Vector3* axis, float angle) {
    Vector3 n;
    plain_math::vec3Normalize(&n, axis);
    D3DMATRIX m = identityMatrix();
    if (n.x != 0.0f || n.y != 0.0f || n.z != 0.0f) {
        const float c = std::cos(angle), s = std::sin(angle), k = 1.0f - c;
        m._11 = c + n.x * n.x * k, m._12 = n.x * n.y * k + n.z * s, m._13 = n.x * n.z * k - n.y * s;
        m._21 = n.x * n.y * k - n.z * s, m._22 = c + n.y * n.y * k, m._23 = n.y * n.z * k + n.x * s;
        m._31 = n.x * n.z * k + n.y * s, m._32 = n.y * n.z * k - n.x * s, m._33 = c + n.z * n.z * k;
    }
    *out = m;
    return out;
}

// The sprite batch depends on this exact arithmetic.
D3DMATRIX* matrixRotationQuaternion(D3DMATRIX* out, const Quaternion* q) {
    const float x = q->x, y = q->y, z = q->z, w = q->w;
    D3DMATRIX m{};
    m._11 = 1.0f - 2.0f * y * y - 2.0f * z * z;
    m._12 = 2.0f * x * y + 2.0f * z * w;
    m._13 = 2.0f * x * z - 2.0f * y * w;
    m._21 = 2.0f * x * y - 2.0f * z * w;
    m._22 = 1.0f - 2.0f * x * x - 2.0f * z * z;
    m._23 = 2.0f * y * z + 2.0f * x * w;
    m._31 = 2.0f * x * z + 2.0f * y * w;
    m._32 = 2.0f * y * z - 2.0f * x * w;
    m._33 = 1.0f - 2.0f * x * x - 2.0f * y * y;
    m._44 = 1.0f;
    *out = m;
    return out;
}

D3DMATRIX* matrixRotationYawPitchRoll(D3DMATRIX* out, float yaw, float pitch, float roll) {
    D3DMATRIX m, step;
    plain_math::matrixRotationZ(&m, roll);
    plain_math::matrixMultiply(&m, &m, plain_math::matrixRotationX(&step, pitch));
    plain_math::matrixMultiply(&m, &m, plain_math::matrixRotationY(&step, yaw));
    *out = m;
    return out;
}

D3DMATRIX* matrixTransformation(D3DMATRIX* out, const Vector3* scalingCentre,
                                const Quaternion* scalingRotation, const Vector3* scaling,
                                const Vector3* rotationCentre, const Quaternion* rotation,
                                const Vector3* translation) {
    // Without a scaling there is nothing for its centre and axes to act on.
    const D3DMATRIX m =
        scaling ? scalingPart(scalingCentre, scalingRotation, *scaling) : identityMatrix();
    return rotateAndTranslate(out, m, rotationCentre, rotation, translation);
}

D3DMATRIX* matrixAffineTransformation(D3DMATRIX* out, float scaling, const Vector3* rotationCentre,
                                      const Quaternion* rotation, const Vector3* translation) {
    D3DMATRIX m;
    plain_math::matrixScaling(&m, scaling, scaling, scaling);
    return rotateAndTranslate(out, m, rotationCentre, rotation, translation);
}

D3DMATRIX* matrixLookAtLH(D3DMATRIX* out, const Vector3* eye, const Vector3* at,
                          const Vector3* up) {
    return lookAlong(out, difference(*at, *eye), up, eye);
}

D3DMATRIX* matrixLookAtRH(D3DMATRIX* out, const Vector3* eye, const Vector3* at,
                          const Vector3* up) {
    return lookAlong(out, difference(*eye, *at), up, eye);
}

D3DMATRIX* matrixPerspectiveFovLH(D3DMATRIX* out, float fovY, float aspect, float zNear,
                                  float zFar) {
    const float yScale = 1.0f / std::tan(fovY * 0.5f);
    D3DMATRIX m{};
    m._11 = yScale / aspect;
    m._22 = yScale;
    m._33 = zFar / (zFar - zNear);
    m._34 = 1.0f;
    m._43 = -zNear * zFar / (zFar - zNear);
    *out = m;
    return out;
}

D3DMATRIX* matrixPerspectiveFovRH(D3DMATRIX* out, float fovY, float aspect, float zNear,
                                  float zFar) {
    const float yScale = 1.0f / std::tan(fovY * 0.5f);
    D3DMATRIX m{};
    m._11 = yScale / aspect;
    m._22 = yScale;
    m._33 = zFar / (zNear - zFar);
    m._34 = -1.0f;
    m._43 = zNear * zFar / (zNear - zFar);
    *out = m;
    return out;
}

D3DMATRIX* matrixOrthoLH(D3DMATRIX* out, float width, float height, float zNear, float zFar) {
    D3DMATRIX m{};
    m._11 = 2.0f / width;
    m._22 = 2.0f / height;
    m._33 = 1.0f / (zFar - zNear);
    m._43 = zNear / (zNear - zFar);
    m._44 = 1.0f;
    *out = m;
    return out;
}

D3DMATRIX* matrixOrthoRH(D3DMATRIX* out, float width, float height, float zNear, float zFar) {
    D3DMATRIX m{};
    m._11 = 2.0f / width;
    m._22 = 2.0f / height;
    m._33 = 1.0f / (zNear - zFar);
    m._43 = zNear / (zNear - zFar);
    m._44 = 1.0f;
    *out = m;
    return out;
}

// p' = p - 2 (n.p + d) n for the unit plane (n, d).
D3DMATRIX* matrixReflect(D3DMATRIX* out, const Plane* plane) {
    Plane p;
    plain_math::planeNormalize(&p, plane);
    const float n[4] = {p.a, p.b, p.c, p.d};
    D3DMATRIX m = identityMatrix();
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 3; ++j) {
            m.m[i][j] -= 2.0f * n[i] * n[j];
        }
    }
    *out = m;
    return out;
}

// p' = (P.L) p - (P.p) L: points of the plane stay, every other point slides along its ray from
// the light onto the plane.
D3DMATRIX* matrixShadow(D3DMATRIX* out, const Vector4* light, const Plane* plane) {
    Plane p;
    plain_math::planeNormalize(&p, plane);
    const float n[4] = {p.a, p.b, p.c, p.d};
    const float l[4] = {light->x, light->y, light->z, light->w};
    const float d = n[0] * l[0] + n[1] * l[1] + n[2] * l[2] + n[3] * l[3];
    D3DMATRIX m;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            m.m[i][j] = (i == j ? d : 0.0f) - n[i] * l[j];
        }
    }
    *out = m;
    return out;
}

} // namespace plain_math
