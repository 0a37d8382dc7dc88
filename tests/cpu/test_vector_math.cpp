// The plain math routines against values worked out by hand: rotations, inverses, quaternions,
// the sprite batch's composed transformation, projections, splines and planes.
#include "cpu/math_variants.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

namespace {

namespace plain = plain_math;

constexpr float pi = std::numbers::pi_v<float>;
constexpr float defaultTolerance = 1e-5f;

D3DMATRIX identity() {
    D3DMATRIX m;
    return *plain::matrixScaling(&m, 1.0f, 1.0f, 1.0f);
}

D3DMATRIX matrixFromRows(std::initializer_list<std::initializer_list<float>> rows) {
    D3DMATRIX m{};
    int i = 0;
    for (auto row : rows) {
        int j = 0;
        for (float e : row) {
            m.m[i][j++] = e;
        }
        ++i;
    }
    return m;
}

void expectMatrixNear(const D3DMATRIX& expected, const D3DMATRIX& actual,
                      float tolerance = defaultTolerance) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(expected.m[i][j], actual.m[i][j], tolerance) << "m" << i + 1 << j + 1;
        }
    }
}

bool bitIdentical(const D3DMATRIX& a, const D3DMATRIX& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void expectPointNear(float x, float y, float z, const Vector3& p,
                     float tolerance = defaultTolerance) {
    EXPECT_NEAR(x, p.x, tolerance);
    EXPECT_NEAR(y, p.y, tolerance);
    EXPECT_NEAR(z, p.z, tolerance);
}

Vector3 transformed(const Vector3& p, const D3DMATRIX& m) {
    Vector3 r;
    return *plain::vec3TransformCoord(&r, &p, &m);
}

Quaternion randomUnitQuaternion(std::mt19937& random) {
    std::uniform_real_distribution<float> d(-1.0f, 1.0f);
    Quaternion q{d(random), d(random), d(random), d(random)};
    return *plain::quaternionNormalize(&q, &q);
}

// ---- Vectors ------------------------------------------------------------------------------------

TEST(PlainVectors, transformCoordDividesOutWOnlyBeyondTwoToTheMinus23) {
    const Vector3 p{3.0f, 6.0f, 9.0f};
    D3DMATRIX m = identity();
    for (float w : {1.0f - FLT_EPSILON / 2, 1.0f + FLT_EPSILON}) { // 2^-24 and 2^-23 away: kept
        m._44 = w;
        const Vector3 r = transformed(p, m);
        EXPECT_EQ(r.x, 3.0f);
        EXPECT_EQ(r.z, 9.0f);
    }

    m._44 = 3.0f;
    Vector3 r = transformed(p, m);
    EXPECT_EQ(r.x, 1.0f);
    EXPECT_EQ(r.y, 2.0f);
    EXPECT_EQ(r.z, 3.0f);

    m._44 = 1.0f + 2 * FLT_EPSILON; // 2^-22 away: divided
    r = transformed(p, m);
    EXPECT_EQ(r.x, 3.0f / m._44);

    Vector2 flat{4.0f, 8.0f};
    m._44 = 2.0f;
    plain::vec2TransformCoord(&flat, &flat, &m);
    EXPECT_EQ(flat.x, 2.0f);
    EXPECT_EQ(flat.y, 4.0f);
}

TEST(PlainVectors, transformsUseRowVectorsAndNormalsSkipTheTranslation) {
    const D3DMATRIX m =
        matrixFromRows({{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {13, 14, 15, 16}});
    const Vector3 v{1.0f, 0.5f, 2.0f};
    Vector4 h;
    plain::vec3Transform(&h, &v, &m);
    EXPECT_EQ(h.x, 1 + 2.5f + 18 + 13);
    EXPECT_EQ(h.w, 4 + 4 + 24 + 16);
    const Vector4 v4{1.0f, 0.5f, 2.0f, 0.0f};
    plain::vec4Transform(&h, &v4, &m);
    EXPECT_EQ(h.y, 2 + 3 + 20);
    Vector3 n;
    plain::vec3TransformNormal(&n, &v, &m);
    EXPECT_EQ(n.z, 3 + 3.5f + 22);
    const Vector2 v2{2.0f, 1.0f};
    plain::vec2Transform(&h, &v2, &m);
    EXPECT_EQ(h.z, 6 + 7 + 15);
}

TEST(PlainVectors, normalizeGivesUnitLengthAndKeepsZeroAtZero) {
    Vector3 v{3.0f, 0.0f, -4.0f};
    plain::vec3Normalize(&v, &v);
    expectPointNear(0.6f, 0.0f, -0.8f, v, 1e-7f);

    const Vector3 zero{};
    plain::vec3Normalize(&v, &zero);
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_EQ(v.z, 0.0f);

    Vector2 v2{0.0f, -2.0f};
    plain::vec2Normalize(&v2, &v2);
    EXPECT_EQ(v2.y, -1.0f);
    Vector4 v4{1.0f, 1.0f, 1.0f, 1.0f};
    plain::vec4Normalize(&v4, &v4);
    EXPECT_EQ(v4.w, 0.5f);
}

TEST(PlainVectors, crossInFourDimensionsIsPerpendicularToItsThreeVectors) {
    const Vector4 e1{1, 0, 0, 0}, e2{0, 1, 0, 0}, e3{0, 0, 1, 0};
    Vector4 r;
    plain::vec4Cross(&r, &e1, &e2, &e3);
    EXPECT_EQ(r.x, 0.0f);
    EXPECT_EQ(r.z, 0.0f);
    EXPECT_EQ(std::fabs(r.w), 1.0f);

    const Vector4 u{1, 2, 3, 4}, v{-2, 0, 1, 5}, w{3, -1, 2, 0};
    plain::vec4Cross(&r, &u, &v, &w);
    for (const Vector4* x : {&u, &v, &w}) {
        EXPECT_EQ(r.x * x->x + r.y * x->y + r.z * x->z + r.w * x->w, 0.0f);
    }
    EXPECT_NE(r.x, 0.0f);
}

TEST(PlainVectors, splinesMeetTheirEndPointsAndBarycentricHitsTheCorners) {
    const Vector3 p0{-1, 5, 0}, p1{0, 0, 0}, p2{4, 2, -2}, p3{7, 7, 7}, t1{1, 0, 0}, t2{0, 1, 0};
    Vector3 r;
    expectPointNear(0, 0, 0, *plain::vec3Hermite(&r, &p1, &t1, &p2, &t2, 0.0f));
    expectPointNear(4, 2, -2, *plain::vec3Hermite(&r, &p1, &t1, &p2, &t2, 1.0f));
    // Halfway: (p1 + p2) / 2 + (t1 - t2) / 8.
    expectPointNear(2.125f, 0.875f, -1.0f, *plain::vec3Hermite(&r, &p1, &t1, &p2, &t2, 0.5f));
    expectPointNear(0, 0, 0, *plain::vec3CatmullRom(&r, &p0, &p1, &p2, &p3, 0.0f));
    expectPointNear(4, 2, -2, *plain::vec3CatmullRom(&r, &p0, &p1, &p2, &p3, 1.0f));
    // Halfway: (-p0 + 9 p1 + 9 p2 - p3) / 16.
    expectPointNear(30.0f / 16, 6.0f / 16, -25.0f / 16,
                    *plain::vec3CatmullRom(&r, &p0, &p1, &p2, &p3, 0.5f));

    expectPointNear(4, 2, -2, *plain::vec3BaryCentric(&r, &p1, &p2, &p3, 1.0f, 0.0f));
    expectPointNear(7, 7, 7, *plain::vec3BaryCentric(&r, &p1, &p2, &p3, 0.0f, 1.0f));
    expectPointNear(2.75f, 2.25f, 1.25f, *plain::vec3BaryCentric(&r, &p1, &p2, &p3, 0.25f, 0.25f));

    const Vector2 a{1, 2}, b{3, 4};
    Vector2 r2;
    plain::vec2Hermite(&r2, &a, &a, &b, &b, 1.0f);
    EXPECT_EQ(r2.x, 3.0f);
    const Vector4 c{1, 2, 3, 4}, d{5, 6, 7, 8};
    Vector4 r4;
    plain::vec4BaryCentric(&r4, &c, &d, &d, 0.5f, 0.0f);
    EXPECT_EQ(r4.w, 6.0f);
}

TEST(PlainVectors, projectAndUnprojectMapThroughTheViewport) {
    const D3DVIEWPORT8 viewport{10, 20, 640, 480, 0.0f, 1.0f};
    D3DMATRIX projection, view;
    plain::matrixPerspectiveFovLH(&projection, pi / 2, 640.0f / 480.0f, 1.0f, 100.0f);
    plain::matrixTranslation(&view, 0.0f, 0.0f, 5.0f);

    const Vector3 centre{0.0f, 0.0f, -4.0f}; // one unit in front of the eye: the near plane
    Vector3 p;
    plain::vec3Project(&p, &centre, &viewport, &projection, &view, nullptr);
    expectPointNear(330.0f, 260.0f, 0.0f, p, 1e-4f);

    const Vector3 point{1.5f, -2.0f, 20.0f};
    Vector3 back;
    plain::vec3Project(&p, &point, &viewport, &projection, &view, nullptr);
    ASSERT_NE(plain::vec3Unproject(&back, &p, &viewport, &projection, &view, nullptr), nullptr);
    expectPointNear(1.5f, -2.0f, 20.0f, back, 1e-3f);

    const D3DVIEWPORT8 flat{0, 0, 640, 480, 0.5f, 0.5f};
    EXPECT_EQ(plain::vec3Unproject(&back, &p, &flat, &projection, &view, nullptr), nullptr);
    const D3DMATRIX singular{};
    EXPECT_EQ(plain::vec3Unproject(&back, &p, &viewport, &singular, nullptr, nullptr), nullptr);
}

// ---- Matrices -----------------------------------------------------------------------------------

TEST(PlainMatrices, rotationsTurnAPointByNinetyDegrees) {
    D3DMATRIX m;
    expectPointNear(0, 1, 0, transformed({1, 0, 0}, *plain::matrixRotationZ(&m, pi / 2)));
    expectPointNear(0, 0, 1, transformed({0, 1, 0}, *plain::matrixRotationX(&m, pi / 2)));
    expectPointNear(1, 0, 0, transformed({0, 0, 1}, *plain::matrixRotationY(&m, pi / 2)));

    const Vector3 axis{0.0f, 0.0f, 2.0f};
    D3DMATRIX z;
    expectMatrixNear(*plain::matrixRotationZ(&z, 0.7f),
                     *plain::matrixRotationAxis(&m, &axis, 0.7f));
    const Vector3 diagonal{1.0f, 1.0f, 1.0f}; // a third of a turn cycles the axes
    expectPointNear(0, 1, 0,
                    transformed({1, 0, 0}, *plain::matrixRotationAxis(&m, &diagonal, 2 * pi / 3)));
    const Vector3 zeroAxis{};
    EXPECT_TRUE(bitIdentical(identity(), *plain::matrixRotationAxis(&m, &zeroAxis, 1.0f)));

    // Roll, then pitch, then yaw: (1, 0, 0) -> (0, 1, 0) -> (0, 0, 1) -> (1, 0, 0).
    plain::matrixRotationYawPitchRoll(&m, pi / 2, pi / 2, pi / 2);
    expectPointNear(1, 0, 0, transformed({1, 0, 0}, m));
}

TEST(PlainMatrices, productsApplyTheLeftMatrixFirst) {
    D3DMATRIX t, s, ts, st, tsTransposed;
    plain::matrixTranslation(&t, 1.0f, 2.0f, 3.0f);
    plain::matrixScaling(&s, 2.0f, 3.0f, 4.0f);
    plain::matrixMultiply(&ts, &t, &s);
    plain::matrixMultiply(&st, &s, &t);
    expectPointNear(4, 9, 16, transformed({1, 1, 1}, ts));
    expectPointNear(3, 5, 7, transformed({1, 1, 1}, st));

    plain::matrixMultiplyTranspose(&tsTransposed, &t, &s);
    D3DMATRIX expected;
    EXPECT_TRUE(bitIdentical(*plain::matrixTranspose(&expected, &ts), tsTransposed));
    EXPECT_EQ(tsTransposed._14, 2.0f);
}

TEST(PlainMatrices, inverseTimesMatrixIsTheIdentity) {
    D3DMATRIX m, step, inverse, product;
    plain::matrixRotationYawPitchRoll(&m, 0.3f, -1.1f, 2.0f);
    plain::matrixMultiply(&m, &m, plain::matrixScaling(&step, 2.0f, 0.5f, 3.0f));
    plain::matrixMultiply(&m, &m, plain::matrixTranslation(&step, -7.0f, 4.0f, 9.0f));
    m._34 = 0.25f; // a projective column too
    float determinant = 0.0f;
    ASSERT_EQ(plain::matrixInverse(&inverse, &determinant, &m), &inverse);
    EXPECT_NEAR(determinant, plain::matrixDeterminant(&m), 1e-6f);
    expectMatrixNear(identity(), *plain::matrixMultiply(&product, &inverse, &m));
    expectMatrixNear(identity(), *plain::matrixMultiply(&product, &m, &inverse));

    plain::matrixTranslation(&m, 1.0f, -2.0f, 3.0f);
    plain::matrixInverse(&m, nullptr, &m);
    expectMatrixNear(*plain::matrixTranslation(&step, -1.0f, 2.0f, -3.0f), m, 0.0f);
}

TEST(PlainMatrices, determinantsAndSingularOrTinyMatrices) {
    const D3DMATRIX scaleAndMove =
        matrixFromRows({{2, 0, 0, 0}, {0, 3, 0, 0}, {0, 0, 4, 0}, {1, 2, 3, 1}});
    EXPECT_EQ(plain::matrixDeterminant(&scaleAndMove), 24.0f);
    const D3DMATRIX swap = matrixFromRows({{0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}});
    EXPECT_EQ(plain::matrixDeterminant(&swap), -1.0f);

    const D3DMATRIX singular =
        matrixFromRows({{1, 2, 3, 4}, {2, 4, 6, 8}, {0, 1, 0, 0}, {0, 0, 0, 1}});
    D3DMATRIX out = identity();
    float determinant = 5.0f;
    EXPECT_EQ(plain::matrixInverse(&out, &determinant, &singular), nullptr);
    EXPECT_TRUE(bitIdentical(identity(), out));
    EXPECT_EQ(determinant, 5.0f);

    // The determinant, 1e-80, is beyond single precision, but the inverse is not.
    D3DMATRIX tiny;
    plain::matrixScaling(&tiny, 1e-20f, 1e-20f, 1e-20f);
    tiny._44 = 1e-20f;
    ASSERT_NE(plain::matrixInverse(&out, nullptr, &tiny), nullptr);
    EXPECT_NEAR(out._11, 1e20f, 1e14f);

    // An inverse beyond the float range is no answer.
    plain::matrixScaling(&tiny, 1e-39f, 1.0f, 1.0f);
    EXPECT_EQ(plain::matrixInverse(&out, nullptr, &tiny), nullptr);
}

// draw's M = S T(-c) R T(c) T(t) with S = (2, 3), c = (10, 20), r = 90 degrees, t = (100, 50).
TEST(PlainMatrices, theSpriteBatchCompositionScalesRotatesAboutTheCentreAndMoves) {
    const float r = pi / 2;
    const Vector3 scaling{2.0f, 3.0f, 1.0f}, centre{10.0f, 20.0f, 0.0f}, move{100.0f, 50.0f, 0.0f};
    const Quaternion rotation{0.0f, 0.0f, std::sin(-r / 2), std::cos(-r / 2)};
    D3DMATRIX m;
    plain::matrixTransformation(&m, nullptr, nullptr, &scaling, &centre, &rotation, &move);
    // (5, 10) scales to (10, 30), lies (0, 10) from the centre, turns to (10, 0) as
    // (x cos r + y sin r, -x sin r + y cos r), and is moved to (20, 20) + t.
    expectPointNear(120.0f, 70.0f, 0.0f, transformed({5.0f, 10.0f, 0.0f}, m), 1e-4f);
    expectPointNear(90.0f, 70.0f, 0.0f, transformed({5.0f, 0.0f, 0.0f}, m), 1e-4f);

    // The same matrix by explicit products.
    D3DMATRIX expected, step, turn;
    plain::matrixScaling(&expected, 2.0f, 3.0f, 1.0f);
    plain::matrixMultiply(&expected, &expected, plain::matrixTranslation(&step, -10, -20, 0));
    plain::matrixMultiply(&expected, &expected, plain::matrixRotationZ(&turn, -r));
    plain::matrixMultiply(&expected, &expected, plain::matrixTranslation(&step, 110, 70, 0));
    expectMatrixNear(expected, m, 1e-4f);
}

TEST(PlainMatrices, transformationPartsThatAreAbsentChangeNothing) {
    D3DMATRIX m, expected;
    plain::matrixTransformation(&m, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(bitIdentical(identity(), m));

    const Vector3 scaling{2.0f, -3.0f, 1.0f}, centre{10.0f, 20.0f, 0.0f};
    plain::matrixTransformation(&m, nullptr, nullptr, &scaling, nullptr, nullptr, nullptr);
    EXPECT_TRUE(bitIdentical(*plain::matrixScaling(&expected, 2.0f, -3.0f, 1.0f), m));

    // A rotation centre without a rotation has no effect.
    const Vector3 move{7.0f, 8.0f, 0.0f};
    plain::matrixTransformation(&expected, nullptr, nullptr, &scaling, nullptr, nullptr, &move);
    plain::matrixTransformation(&m, nullptr, nullptr, &scaling, &centre, nullptr, &move);
    EXPECT_TRUE(bitIdentical(expected, m));

    // Scaling about a centre keeps the centre in place.
    const Quaternion axes{0.0f, 0.0f, std::sin(0.4f), std::cos(0.4f)};
    plain::matrixTransformation(&m, &centre, &axes, &scaling, nullptr, nullptr, nullptr);
    expectPointNear(10.0f, 20.0f, 0.0f, transformed(centre, m), 1e-4f);

    const Quaternion quarter{0.0f, 0.0f, std::sin(pi / 4), std::cos(pi / 4)};
    plain::matrixAffineTransformation(&m, 2.0f, &centre, &quarter, &move);
    // (11, 20) scales to (22, 40), lies (12, 20) from the centre, turns to (-20, 12).
    expectPointNear(-3.0f, 40.0f, 0.0f, transformed({11.0f, 20.0f, 0.0f}, m), 1e-4f);
}

TEST(PlainMatrices, viewAndProjectionMatricesPlaceTheirKeyPoints) {
    const Vector3 eye{0.0f, 0.0f, -5.0f}, origin{}, up{0.0f, 1.0f, 0.0f};
    D3DMATRIX m;
    plain::matrixLookAtLH(&m, &eye, &origin, &up);
    expectPointNear(0, 0, 5, transformed(origin, m));
    expectPointNear(1, 0, 5, transformed({1, 0, 0}, m)); // x stays to the right
    const Vector3 eyeBehind{0.0f, 0.0f, 5.0f};
    plain::matrixLookAtRH(&m, &eyeBehind, &origin, &up);
    expectPointNear(0, 0, -5, transformed(origin, m));
    expectPointNear(1, 0, -5, transformed({1, 0, 0}, m));

    plain::matrixPerspectiveFovLH(&m, pi / 2, 2.0f, 1.0f, 10.0f);
    expectPointNear(0, 0, 0, transformed({0, 0, 1}, m));
    expectPointNear(0.5f, 1, 1, transformed({10, 10, 10}, m));
    plain::matrixPerspectiveFovRH(&m, pi / 2, 2.0f, 1.0f, 10.0f);
    expectPointNear(0, 0, 0, transformed({0, 0, -1}, m));
    expectPointNear(0.5f, 1, 1, transformed({10, 10, -10}, m));

    plain::matrixOrthoLH(&m, 8.0f, 4.0f, 1.0f, 3.0f);
    expectPointNear(1, -1, 1, transformed({4, -2, 3}, m));
    plain::matrixOrthoRH(&m, 8.0f, 4.0f, 1.0f, 3.0f);
    expectPointNear(1, -1, 1, transformed({4, -2, -3}, m));
}

TEST(PlainMatrices, reflectionAndShadowMovePointsOntoTheRightSide) {
    const Plane ground{0.0f, 2.0f, 0.0f, -2.0f}; // y = 1, with a normal that is not unit length
    D3DMATRIX m;
    plain::matrixReflect(&m, &ground);
    expectPointNear(1, -1, 3, transformed({1, 3, 3}, m));

    const Plane floor{0.0f, 1.0f, 0.0f, 0.0f};
    const Vector4 sun{0.0f, 1.0f, 0.0f, 0.0f}, lamp{0.0f, 10.0f, 0.0f, 1.0f};
    plain::matrixShadow(&m, &sun, &floor);
    expectPointNear(1, 0, 2, transformed({1, 5, 2}, m));
    plain::matrixShadow(&m, &lamp, &floor);
    expectPointNear(2, 0, 0, transformed({1, 5, 0}, m));
}

// ---- Quaternions --------------------------------------------------------------------------------

TEST(PlainQuaternions, aKnownRotationGivesItsMatrix) {
    D3DMATRIX m, z;
    const Quaternion none{0, 0, 0, 1};
    EXPECT_TRUE(bitIdentical(identity(), *plain::matrixRotationQuaternion(&m, &none)));
    const Quaternion halfTurnX{1, 0, 0, 0};
    plain::matrixRotationQuaternion(&m, &halfTurnX);
    EXPECT_TRUE(bitIdentical(*plain::matrixScaling(&z, 1.0f, -1.0f, -1.0f), m));
    const Quaternion quarterZ{0, 0, std::sin(pi / 4), std::cos(pi / 4)};
    expectMatrixNear(*plain::matrixRotationZ(&z, pi / 2),
                     *plain::matrixRotationQuaternion(&m, &quarterZ));

    Quaternion q;
    const Vector3 axis{0.0f, 0.0f, 3.0f}, zeroAxis{};
    plain::quaternionRotationAxis(&q, &axis, pi / 2);
    EXPECT_NEAR(q.z, quarterZ.z, 1e-7f);
    EXPECT_NEAR(q.w, quarterZ.w, 1e-7f);
    plain::quaternionRotationAxis(&q, &zeroAxis, 1.0f);
    EXPECT_EQ(q.w, 1.0f);
}

TEST(PlainQuaternions, productsInverseAndConversionsAgreeWithMatrices) {
    std::mt19937 random(99);
    for (int trial = 0; trial < 200; ++trial) {
        const Quaternion a = randomUnitQuaternion(random), b = randomUnitQuaternion(random);
        Quaternion ab, inverse, back;
        D3DMATRIX ma, mb, product, mab;
        plain::quaternionMultiply(&ab, &a, &b);
        plain::matrixMultiply(&product, plain::matrixRotationQuaternion(&ma, &a),
                              plain::matrixRotationQuaternion(&mb, &b));
        expectMatrixNear(product, *plain::matrixRotationQuaternion(&mab, &ab));

        plain::quaternionInverse(&inverse, &a);
        plain::quaternionMultiply(&back, &a, &inverse);
        EXPECT_NEAR(std::fabs(back.w), 1.0f, 1e-6f);

        // The matrix gives back the quaternion, up to its sign.
        plain::quaternionRotationMatrix(&back, &ma);
        const float dot = back.x * a.x + back.y * a.y + back.z * a.z + back.w * a.w;
        const float sign = dot < 0 ? -1.0f : 1.0f;
        EXPECT_NEAR(sign * back.x, a.x, 1e-5f);
        EXPECT_NEAR(sign * back.y, a.y, 1e-5f);
        EXPECT_NEAR(sign * back.z, a.z, 1e-5f);
        EXPECT_NEAR(sign * back.w, a.w, 1e-5f);
        if (HasFailure()) {
            return;
        }
    }
    // Half turns have no trace to start from; each axis takes its own branch.
    for (const Quaternion& q :
         {Quaternion{1, 0, 0, 0}, Quaternion{0, 1, 0, 0}, Quaternion{0, 0, 1, 0}}) {
        D3DMATRIX m;
        Quaternion back;
        plain::quaternionRotationMatrix(&back, plain::matrixRotationQuaternion(&m, &q));
        EXPECT_EQ(std::fabs(back.x), q.x);
        EXPECT_EQ(std::fabs(back.y), q.y);
        EXPECT_EQ(std::fabs(back.z), q.z);
    }
    const Quaternion zero{};
    Quaternion out{1, 2, 3, 4};
    EXPECT_EQ(plain::quaternionInverse(&out, &zero), nullptr);
    EXPECT_EQ(out.w, 4.0f);
}

TEST(PlainQuaternions, yawPitchRollAndAxisAngleMatchTheMatrixForms) {
    Quaternion q;
    D3DMATRIX fromQuaternion, direct;
    plain::quaternionRotationYawPitchRoll(&q, 0.4f, -1.2f, 2.5f);
    plain::matrixRotationYawPitchRoll(&direct, 0.4f, -1.2f, 2.5f);
    expectMatrixNear(direct, *plain::matrixRotationQuaternion(&fromQuaternion, &q));

    const Vector3 axis{2.0f, -1.0f, 2.0f};
    plain::quaternionRotationAxis(&q, &axis, 2.0f);
    Vector3 back;
    float angle = 0.0f;
    plain::quaternionToAxisAngle(&q, &back, &angle);
    EXPECT_NEAR(angle, 2.0f, 1e-6f);
    expectPointNear(2.0f / 3, -1.0f / 3, 2.0f / 3, back);

    const Quaternion none{0, 0, 0, 1};
    plain::quaternionToAxisAngle(&none, &back, &angle);
    EXPECT_EQ(angle, 0.0f);
    EXPECT_EQ(back.x, 0.0f);
}

TEST(PlainQuaternions, slerpRunsAlongTheShorterArc) {
    const Quaternion none{0, 0, 0, 1};
    const Quaternion quarter{0, 0, std::sin(pi / 4), std::cos(pi / 4)};
    Quaternion q;
    plain::quaternionSlerp(&q, &none, &quarter, 0.5f);
    EXPECT_NEAR(q.z, std::sin(pi / 8), 1e-6f);
    EXPECT_NEAR(q.w, std::cos(pi / 8), 1e-6f);
    plain::quaternionSlerp(&q, &none, &quarter, 1.0f);
    EXPECT_NEAR(q.z, quarter.z, 1e-6f);

    // -quarter is the same rotation; the blend still turns by an eighth, not the long way.
    const Quaternion negated{0, 0, -quarter.z, -quarter.w};
    plain::quaternionSlerp(&q, &none, &negated, 0.5f);
    EXPECT_NEAR(q.z, std::sin(pi / 8), 1e-6f);
    EXPECT_NEAR(q.w, std::cos(pi / 8), 1e-6f);

    plain::quaternionSlerp(&q, &quarter, &quarter, 0.3f);
    EXPECT_NEAR(q.z, quarter.z, 1e-7f);
}

// ---- Planes -------------------------------------------------------------------------------------

TEST(PlainPlanes, fromPointsNormalizeTransformAndIntersect) {
    Plane p;
    const Vector3 a{0, 0, 1}, b{1, 0, 1}, c{0, 1, 1};
    plain::planeFromPoints(&p, &a, &b, &c);
    EXPECT_EQ(p.c, 1.0f);
    EXPECT_EQ(p.d, -1.0f);
    const Vector3 alsoOnTheLine{2, 0, 1};
    plain::planeFromPoints(&p, &a, &b, &alsoOnTheLine);
    EXPECT_EQ(p.a, 0.0f);
    EXPECT_EQ(p.c, 0.0f);
    EXPECT_EQ(p.d, 0.0f);

    const Plane unnormalised{0.0f, 0.0f, 2.0f, 4.0f};
    plain::planeNormalize(&p, &unnormalised);
    EXPECT_EQ(p.c, 1.0f);
    EXPECT_EQ(p.d, 2.0f);

    // The plane z = 1 moved up by 2 is z = 3; planes move by the inverse transpose.
    D3DMATRIX move, inverseTranspose;
    plain::matrixTranslation(&move, 0.0f, 0.0f, 2.0f);
    plain::matrixInverse(&inverseTranspose, nullptr, &move);
    plain::matrixTranspose(&inverseTranspose, &inverseTranspose);
    const Plane z1{0.0f, 0.0f, 1.0f, -1.0f};
    plain::planeTransform(&p, &z1, &inverseTranspose);
    EXPECT_EQ(p.c, 1.0f);
    EXPECT_EQ(p.d, -3.0f);

    Vector3 hit;
    const Vector3 from{1, 2, -1}, to{1, 2, 3};
    ASSERT_NE(plain::planeIntersectLine(&hit, &z1, &from, &to), nullptr);
    expectPointNear(1, 2, 1, hit, 0.0f);
    const Vector3 alongside{5, 2, -1};
    EXPECT_EQ(plain::planeIntersectLine(&hit, &z1, &from, &alongside), nullptr);
}

} // namespace
