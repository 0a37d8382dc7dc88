// The public math routines: each is a jump through its entry of the dispatch table.
#include "cpu/vector_math.h"

#include "cpu/math_dispatch.h"

namespace {

const MathDispatchTable& table = mathDispatchTable;

} // namespace

Vector4* transform(Vector4* out, const Vector2* v, const D3DMATRIX* m) {
    return table.vec2Transform(out, v, m);
}

Vector4* transform(Vector4* out, const Vector3* v, const D3DMATRIX* m) {
    return table.vec3Transform(out, v, m);
}

Vector4* transform(Vector4* out, const Vector4* v, const D3DMATRIX* m) {
    return table.vec4Transform(out, v, m);
}

Vector2* transformCoord(Vector2* out, const Vector2* v, const D3DMATRIX* m) {
    return table.vec2TransformCoord(out, v, m);
}

Vector3* transformCoord(Vector3* out, const Vector3* v, const D3DMATRIX* m) {
    return table.vec3TransformCoord(out, v, m);
}

Vector2* transformNormal(Vector2* out, const Vector2* v, const D3DMATRIX* m) {
    return table.vec2TransformNormal(out, v, m);
}

Vector3* transformNormal(Vector3* out, const Vector3* v, const D3DMATRIX* m) {
    return table.vec3TransformNormal(out, v, m);
}

Vector2* normalize(Vector2* out, const Vector2* v) {
    return table.vec2Normalize(out, v);
}

Vector3* normalize(Vector3* out, const Vector3* v) {
    return table.vec3Normalize(out, v);
}

Vector4* normalize(Vector4* out, const Vector4* v) {
    return table.vec4Normalize(out, v);
}

Vector4* cross(Vector4* out, const Vector4* u, const Vector4* v, const Vector4* w) {
    return table.vec4Cross(out, u, v, w);
}

Vector2* hermite(Vector2* out, const Vector2* p1, const Vector2* t1, const Vector2* p2,
                 const Vector2* t2, float s) {
    return table.vec2Hermite(out, p1, t1, p2, t2, s);
}

Vector3* hermite(Vector3* out, const Vector3* p1, const Vector3* t1, const Vector3* p2,
                 const Vector3* t2, float s) {
    return table.vec3Hermite(out, p1, t1, p2, t2, s);
}

Vector4* hermite(Vector4* out, const Vector4* p1, const Vector4* t1, const Vector4* p2,
                 const Vector4* t2, float s) {
    return table.vec4Hermite(out, p1, t1, p2, t2, s);
}

Vector2* catmullRom(Vector2* out, const Vector2* p0, const Vector2* p1, const Vector2* p2,
                    const Vector2* p3, float s) {
    return table.vec2CatmullRom(out, p0, p1, p2, p3, s);
}

Vector3* catmullRom(Vector3* out, const Vector3* p0, const Vector3* p1, const Vector3* p2,
                    const Vector3* p3, float s) {
    return table.vec3CatmullRom(out, p0, p1, p2, p3, s);
}

Vector4* catmullRom(Vector4* out, const Vector4* p0, const Vector4* p1, const Vector4* p2,
                    const Vector4* p3, float s) {
    return table.vec4CatmullRom(out, p0, p1, p2, p3, s);
}

Vector2* baryCentric(Vector2* out, const Vector2* v1, const Vector2* v2, const Vector2* v3, float f,
                     float g) {
    return table.vec2BaryCentric(out, v1, v2, v3, f, g);
}

Vector3* baryCentric(Vector3* out, const Vector3* v1, const Vector3* v2, const Vector3* v3, float f,
                     float g) {
    return table.vec3BaryCentric(out, v1, v2, v3, f, g);
}

Vector4* baryCentric(Vector4* out, const Vector4* v1, const Vector4* v2, const Vector4* v3, float f,
                     float g) {
    return table.vec4BaryCentric(out, v1, v2, v3, f, g);
}

Vector3* project(Vector3* out, const Vector3* v, const D3DVIEWPORT8* viewport,
                 const D3DMATRIX* projection, const D3DMATRIX* view, const D3DMATRIX* world) {
    return table.vec3Project(out, v, viewport, projection, view, world);
}

Vector3* unproject(Vector3* out, const Vector3* v, const D3DVIEWPORT8* viewport,
                   const D3DMATRIX* projection, const D3DMATRIX* view, const D3DMATRIX* world) {
    return table.vec3Unproject(out, v, viewport, projection, view, world);
}

D3DMATRIX* matrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
    return table.matrixMultiply(out, a, b);
}

D3DMATRIX* matrixMultiplyTranspose(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b) {
    return table.matrixMultiplyTranspose(out, a, b);
}

float matrixDeterminant(const D3DMATRIX* m) {
    return table.matrixDeterminant(m);
}

D3DMATRIX* matrixInverse(D3DMATRIX* out, float* determinant, const D3DMATRIX* m) {
    return table.matrixInverse(out, determinant, m);
}

D3DMATRIX* matrixTranspose(D3DMATRIX* out, const D3DMATRIX* m) {
    return table.matrixTranspose(out, m);
}

D3DMATRIX* matrixScaling(D3DMATRIX* out, float sx, float sy, float sz) {
    return table.matrixScaling(out, sx, sy, sz);
}

D3DMATRIX* matrixTranslation(D3DMATRIX* out, float x, float y, float z) {
    return table.matrixTranslation(out, x, y, z);
}

D3DMATRIX* matrixRotationX(D3DMATRIX* out, float angle) {
    return table.matrixRotationX(out, angle);
}

D3DMATRIX* matrixRotationY(D3DMATRIX* out, float angle) {
    return table.matrixRotationY(out, angle);
}

D3DMATRIX* matrixRotationZ(D3DMATRIX* out, float angle) {
    return table.matrixRotationZ(out, angle);
}

D3DMATRIX* matrixRotationAxis(D3DMATRIX* out, const Vector3* axis, float angle) {
    return table.matrixRotationAxis(out, axis, angle);
}

D3DMATRIX* matrixRotationQuaternion(D3DMATRIX* out, const Quaternion* q) {
    return table.matrixRotationQuaternion(out, q);
}

D3DMATRIX* matrixRotationYawPitchRoll(D3DMATRIX* out, float yaw, float pitch, float roll) {
    return table.matrixRotationYawPitchRoll(out, yaw, pitch, roll);
}

D3DMATRIX* matrixTransformation(D3DMATRIX* out, const Vector3* scalingCentre,
                                const Quaternion* scalingRotation, const Vector3* scaling,
                                const Vector3* rotationCentre, const Quaternion* rotation,
                                const Vector3* translation) {
    return table.matrixTransformation(out, scalingCentre, scalingRotation, scaling, rotationCentre,
                                      rotation, translation);
}

D3DMATRIX* matrixAffineTransformation(D3DMATRIX* out, float scaling, const Vector3* rotationCentre,
                                      const Quaternion* rotation, const Vector3* translation) {
    return table.matrixAffineTransformation(out, scaling, rotationCentre, rotation, translation);
}

D3DMATRIX* matrixLookAtLH(D3DMATRIX* out, const Vector3* eye, const Vector3* at,
                          const Vector3* up) {
    return table.matrixLookAtLH(out, eye, at, up);
}

D3DMATRIX* matrixLookAtRH(D3DMATRIX* out, const Vector3* eye, const Vector3* at,
                          const Vector3* up) {
    return table.matrixLookAtRH(out, eye, at, up);
}

D3DMATRIX* matrixPerspectiveFovLH(D3DMATRIX* out, float fovY, float aspect, float zNear,
                                  float zFar) {
    return table.matrixPerspectiveFovLH(out, fovY, aspect, zNear, zFar);
}

D3DMATRIX* matrixPerspectiveFovRH(D3DMATRIX* out, float fovY, float aspect, float zNear,
                                  float zFar) {
    return table.matrixPerspectiveFovRH(out, fovY, aspect, zNear, zFar);
}

D3DMATRIX* matrixOrthoLH(D3DMATRIX* out, float width, float height, float zNear, float zFar) {
    return table.matrixOrthoLH(out, width, height, zNear, zFar);
}

D3DMATRIX* matrixOrthoRH(D3DMATRIX* out, float width, float height, float zNear, float zFar) {
    return table.matrixOrthoRH(out, width, height, zNear, zFar);
}

D3DMATRIX* matrixReflect(D3DMATRIX* out, const Plane* plane) {
    return table.matrixReflect(out, plane);
}

D3DMATRIX* matrixShadow(D3DMATRIX* out, const Vector4* light, const Plane* plane) {
    return table.matrixShadow(out, light, plane);
}

Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* a, const Quaternion* b) {
    return table.quaternionMultiply(out, a, b);
}

Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q) {
    return table.quaternionNormalize(out, q);
}

Quaternion* quaternionInverse(Quaternion* out, const Quaternion* q) {
    return table.quaternionInverse(out, q);
}

Quaternion* quaternionSlerp(Quaternion* out, const Quaternion* a, const Quaternion* b, float t) {
    return table.quaternionSlerp(out, a, b, t);
}

Quaternion* quaternionRotationAxis(Quaternion* out, const Vector3* axis, float angle) {
    return table.quaternionRotationAxis(out, axis, angle);
}

Quaternion* quaternionRotationMatrix(Quaternion* out, const D3DMATRIX* m) {
    return table.quaternionRotationMatrix(out, m);
}

Quaternion* quaternionRotationYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll) {
    return table.quaternionRotationYawPitchRoll(out, yaw, pitch, roll);
}

void quaternionToAxisAngle(const Quaternion* q, Vector3* axis, float* angle) {
    table.quaternionToAxisAngle(q, axis, angle);
}

Plane* planeNormalize(Plane* out, const Plane* p) {
    return table.planeNormalize(out, p);
}

Plane* planeFromPoints(Plane* out, const Vector3* v1, const Vector3* v2, const Vector3* v3) {
    return table.planeFromPoints(out, v1, v2, v3);
}

Plane* planeTransform(Plane* out, const Plane* p, const D3DMATRIX* m) {
    return table.planeTransform(out, p, m);
}

Vector3* planeIntersectLine(Vector3* out, const Plane* p, const Vector3* v1, const Vector3* v2) {
    return table.planeIntersectLine(out, p, v1, v2);
}
