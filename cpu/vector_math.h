// The toolkit's vector, matrix, quaternion and plane routines. Each one jumps through its entry of
// the math dispatch table, so the processor variant chosen at the first call runs.
//
// Conventions: matrices are D3DMATRIX, row-major, applied to row vectors (a point is (x, y, z, 1)
// times the matrix; the translation is in the fourth row). Every routine writes its result
// through `out` and returns `out`; the output may be the same object as an input. A routine that
// has no answer (a singular matrix, a line parallel to the plane) returns null and leaves `out`
// alone. Null optional arguments are named in the routine's comment.
#pragma once

#include "d3d8types.h"

struct Vector2 {
    float x, y;
};

struct Vector3 {
    float x, y, z;
};

struct Vector4 {
    float x, y, z, w;
};

struct Quaternion {
    float x, y, z, w;
};

// The points p with a*p.x + b*p.y + c*p.z + d = 0.
struct Plane {
    float a, b, c, d;
};

// ---- Vectors ------------------------------------------------------------------------------------

// (x, y, 0, 1), (x, y, z, 1) and (x, y, z, w) times the matrix.
Vector4* transform(Vector4* out, const Vector2* v, const D3DMATRIX* m);
Vector4* transform(Vector4* out, const Vector3* v, const D3DMATRIX* m);
Vector4* transform(Vector4* out, const Vector4* v, const D3DMATRIX* m);

// The point times the matrix, divided by the resulting w only when w differs from 1 by more
// than 2^-23, so affine matrices keep their results exact.
Vector2* transformCoord(Vector2* out, const Vector2* v, const D3DMATRIX* m);
Vector3* transformCoord(Vector3* out, const Vector3* v, const D3DMATRIX* m);

// A direction times the matrix: the translation row does not apply.
Vector2* transformNormal(Vector2* out, const Vector2* v, const D3DMATRIX* m);
Vector3* transformNormal(Vector3* out, const Vector3* v, const D3DMATRIX* m);

// Unit length; the zero vector stays zero.
Vector2* normalize(Vector2* out, const Vector2* v);
Vector3* normalize(Vector3* out, const Vector3* v);
Vector4* normalize(Vector4* out, const Vector4* v);

// The vector perpendicular to three vectors in four dimensions.
Vector4* cross(Vector4* out, const Vector4* u, const Vector4* v, const Vector4* w);

// The Hermite spline from position p1 with tangent t1 to position p2 with tangent t2, at s.
Vector2* hermite(Vector2* out, const Vector2* p1, const Vector2* t1, const Vector2* p2,
                 const Vector2* t2, float s);
Vector3* hermite(Vector3* out, const Vector3* p1, const Vector3* t1, const Vector3* p2,
                 const Vector3* t2, float s);
Vector4* hermite(Vector4* out, const Vector4* p1, const Vector4* t1, const Vector4* p2,
                 const Vector4* t2, float s);

// The Catmull-Rom spline through p1 (s = 0) and p2 (s = 1), shaped by p0 and p3.
Vector2* catmullRom(Vector2* out, const Vector2* p0, const Vector2* p1, const Vector2* p2,
                    const Vector2* p3, float s);
Vector3* catmullRom(Vector3* out, const Vector3* p0, const Vector3* p1, const Vector3* p2,
                    const Vector3* p3, float s);
Vector4* catmullRom(Vector4* out, const Vector4* p0, const Vector4* p1, const Vector4* p2,
                    const Vector4* p3, float s);

// v1 + f (v2 - v1) + g (v3 - v1).
Vector2* baryCentric(Vector2* out, const Vector2* v1, const Vector2* v2, const Vector2* v3, float f,
                     float g);
Vector3* baryCentric(Vector3* out, const Vector3* v1, const Vector3* v2, const Vector3* v3, float f,
                     float g);
Vector4* baryCentric(Vector4* out, const Vector4* v1, const Vector4* v2, const Vector4* v3, float f,
                     float g);

// Object space to viewport pixels and depth through world, view and projection, and back. A null
// matrix is the identity; a null viewport leaves the result in normalised device coordinates.
// `unproject` returns null when the matrices are singular or the viewport has no area or depth.
Vector3* project(Vector3* out, const Vector3* v, const D3DVIEWPORT8* viewport,
                 const D3DMATRIX* projection, const D3DMATRIX* view, const D3DMATRIX* world);
Vector3* unproject(Vector3* out, const Vector3* v, const D3DVIEWPORT8* viewport,
                   const D3DMATRIX* projection, const D3DMATRIX* view, const D3DMATRIX* world);

// ---- Matrices -----------------------------------------------------------------------------------

// a times b: applying the result is applying a, then b.
D3DMATRIX* matrixMultiply(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b);
// The transpose of a times b, the form vertex shaders take their constants in.
D3DMATRIX* matrixMultiplyTranspose(D3DMATRIX* out, const D3DMATRIX* a, const D3DMATRIX* b);
float matrixDeterminant(const D3DMATRIX* m);
// Null for a singular matrix. `determinant` may be null.
D3DMATRIX* matrixInverse(D3DMATRIX* out, float* determinant, const D3DMATRIX* m);
D3DMATRIX* matrixTranspose(D3DMATRIX* out, const D3DMATRIX* m);
D3DMATRIX* matrixScaling(D3DMATRIX* out, float sx, float sy, float sz);
D3DMATRIX* matrixTranslation(D3DMATRIX* out, float x, float y, float z);

// Rotations by an angle in radians; a positive angle turns y towards z about the x axis, z towards
// x about the y axis and x towards y about the z axis.
D3DMATRIX* matrixRotationX(D3DMATRIX* out, float angle);
D3DMATRIX* matrixRotationY(D3DMATRIX* out, float angle);
D3DMATRIX* matrixRotationZ(D3DMATRIX* out, float angle);
// A zero axis gives the identity.
D3DMATRIX* matrixRotationAxis(D3DMATRIX* out, const Vector3* axis, float angle);
// The rotation of a unit quaternion.
D3DMATRIX* matrixRotationQuaternion(D3DMATRIX* out, const Quaternion* q);
// Roll about z, then pitch about x, then yaw about y.
D3DMATRIX* matrixRotationYawPitchRoll(D3DMATRIX* out, float yaw, float pitch, float roll);

// Scaling about a centre along rotated axes, then a rotation about a centre, then a translation:
// T(-sc) Rs^-1 S Rs T(sc) T(-rc) R T(rc) T(t). Every argument may be null (no such part).
D3DMATRIX* matrixTransformation(D3DMATRIX* out, const Vector3* scalingCentre,
                                const Quaternion* scalingRotation, const Vector3* scaling,
                                const Vector3* rotationCentre, const Quaternion* rotation,
                                const Vector3* translation);
// Uniform scaling, then a rotation about a centre, then a translation; pointers may be null.
D3DMATRIX* matrixAffineTransformation(D3DMATRIX* out, float scaling, const Vector3* rotationCentre,
                                      const Quaternion* rotation, const Vector3* translation);

// View matrices looking from eye to at, left-handed (z into the screen) or right-handed.
D3DMATRIX* matrixLookAtLH(D3DMATRIX* out, const Vector3* eye, const Vector3* at, const Vector3* up);
D3DMATRIX* matrixLookAtRH(D3DMATRIX* out, const Vector3* eye, const Vector3* at, const Vector3* up);

// Projections onto depth 0 at the near plane and 1 at the far plane.
D3DMATRIX* matrixPerspectiveFovLH(D3DMATRIX* out, float fovY, float aspect, float zNear,
                                  float zFar);
D3DMATRIX* matrixPerspectiveFovRH(D3DMATRIX* out, float fovY, float aspect, float zNear,
                                  float zFar);
D3DMATRIX* matrixOrthoLH(D3DMATRIX* out, float width, float height, float zNear, float zFar);
D3DMATRIX* matrixOrthoRH(D3DMATRIX* out, float width, float height, float zNear, float zFar);

// The mirror image in a plane.
D3DMATRIX* matrixReflect(D3DMATRIX* out, const Plane* plane);
// Flattens geometry onto the plane along rays from the light: w = 0 is a directional light
// (x, y, z towards the light), w = 1 a point light at (x, y, z).
D3DMATRIX* matrixShadow(D3DMATRIX* out, const Vector4* light, const Plane* plane);

// ---- Quaternions --------------------------------------------------------------------------------

// The rotation a, then b (the quaternion of matrixMultiply of their matrices).
Quaternion* quaternionMultiply(Quaternion* out, const Quaternion* a, const Quaternion* b);
// Unit length; the zero quaternion stays zero.
Quaternion* quaternionNormalize(Quaternion* out, const Quaternion* q);
// Null for the zero quaternion.
Quaternion* quaternionInverse(Quaternion* out, const Quaternion* q);
// Spherical interpolation of unit quaternions along the shorter arc.
Quaternion* quaternionSlerp(Quaternion* out, const Quaternion* a, const Quaternion* b, float t);
// A zero axis gives the identity rotation.
Quaternion* quaternionRotationAxis(Quaternion* out, const Vector3* axis, float angle);
// The rotation of a matrix whose upper 3 x 3 is a rotation.
Quaternion* quaternionRotationMatrix(Quaternion* out, const D3DMATRIX* m);
Quaternion* quaternionRotationYawPitchRoll(Quaternion* out, float yaw, float pitch, float roll);
// The unit axis and the angle in [0, 2 pi] of a unit quaternion; the identity gives a zero axis.
void quaternionToAxisAngle(const Quaternion* q, Vector3* axis, float* angle);

// ---- Planes -------------------------------------------------------------------------------------

// A unit normal (a, b, c); a plane without a normal becomes all zeros.
Plane* planeNormalize(Plane* out, const Plane* p);
// The plane through three points with its normal along (v2 - v1) x (v3 - v1); three points on a
// line give all zeros.
Plane* planeFromPoints(Plane* out, const Vector3* v1, const Vector3* v2, const Vector3* v3);
// Moves a plane with the points: m must be the inverse transpose of the points' matrix.
Plane* planeTransform(Plane* out, const Plane* p, const D3DMATRIX* m);
// Where the line through v1 and v2 meets the plane; null when it is parallel to it.
Vector3* planeIntersectLine(Vector3* out, const Plane* p, const Vector3* v1, const Vector3* v2);
