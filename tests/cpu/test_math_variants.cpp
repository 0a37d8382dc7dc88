// Every routine of the tuned, SSE and SSE2 sets against its plain twin on random inputs, and
// the make-up of the sets: which entries each one writes.
#include "cpu/math_variants.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <tuple>

namespace {

using Random = std::mt19937;

constexpr int trialsPerRoutine = 2000;

float randomFloat(Random& random, float range = 8.0f) {
    return std::uniform_real_distribution<float>(-range, range)(random);
}

// Some trials hold the special cases the routines treat apart: a zero vector, and matrices with
// a constant w on, within and just beyond 2^-23 of 1.
template <typename T> T randomValue(Random& random, int trial) {
    float components[sizeof(T) / sizeof(float)];
    for (float& c : components) {
        c = trial % 8 == 0 ? 0.0f : randomFloat(random);
    }
    T value;
    std::memcpy(&value, components, sizeof value);
    return value;
}

template <> D3DMATRIX randomValue<D3DMATRIX>(Random& random, int trial) {
    D3DMATRIX m;
    for (auto& row : m.m) {
        for (float& e : row) {
            e = randomFloat(random, 4.0f);
        }
    }
    if (trial % 4 == 1) {
        const float w[] = {1.0f, 1.0f + FLT_EPSILON, 1.0f - FLT_EPSILON / 2,
                           1.0f + 2 * FLT_EPSILON};
        m._14 = m._24 = m._34 = 0.0f;
        m._44 = w[(trial / 4) % 4];
    }
    return m;
}

// Equal within four units in the last place of the result's largest component: the variants
// add in the plain order, so anything beyond rounding is a fault.
template <typename T> void expectCloseToPlain(const T& plain, const T& variant) {
    constexpr size_t count = sizeof(T) / sizeof(float);
    float p[count], v[count];
    std::memcpy(p, &plain, sizeof p);
    std::memcpy(v, &variant, sizeof v);
    float scale = FLT_MIN;
    for (float e : p) {
        scale = std::fmax(scale, std::fabs(e));
    }
    for (size_t i = 0; i < count; ++i) {
        if (std::isnan(p[i])) {
            EXPECT_TRUE(std::isnan(v[i])) << "component " << i;
        } else {
            EXPECT_NEAR(p[i], v[i], 4 * FLT_EPSILON * scale) << "component " << i;
        }
    }
}

template <typename Out, typename... In>
void compareWithPlain(Out* (*plain)(Out*, const In*...), Out* (*variant)(Out*, const In*...),
                      Random& random) {
    for (int trial = 0; trial < trialsPerRoutine; ++trial) {
        std::tuple<In...> inputs{randomValue<In>(random, trial)...};
        Out expected{}, actual{};
        std::apply(
            [&](const In&... in) {
                EXPECT_EQ(plain(&expected, &in...), &expected);
                EXPECT_EQ(variant(&actual, &in...), &actual);
            },
            inputs);
        SCOPED_TRACE("trial " + std::to_string(trial));
        expectCloseToPlain(expected, actual);
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
}

// The variant writing over its own input gives the same result as writing elsewhere.
template <typename T> void compareInPlace(T* (*variant)(T*, const T*), Random& random) {
    for (int trial = 1; trial < 64; ++trial) {
        T value = randomValue<T>(random, trial);
        T separate;
        variant(&separate, &value);
        variant(&value, &value);
        EXPECT_EQ(std::memcmp(&separate, &value, sizeof value), 0);
    }
}

struct EntryCheck {
    const char* name;
    bool (*presentIn)(const MathDispatchTable& set);
    void (*clearIn)(MathDispatchTable* set);
    void (*compare)(const MathDispatchTable& set, Random& random);
};

template <auto Entry> EntryCheck entryCheck(const char* name) {
    return {name, [](const MathDispatchTable& set) { return set.*Entry != nullptr; },
            [](MathDispatchTable* set) { set->*Entry = nullptr; },
            [](const MathDispatchTable& set, Random& random) {
                compareWithPlain(plainMathSet.*Entry, set.*Entry, random);
            }};
}

#define BOSQ_ENTRY_CHECK(name) entryCheck<&MathDispatchTable::name>(#name)

// Every entry some variant set writes; a set that gains an entry must gain a check here.
const EntryCheck entryChecks[] = {
    BOSQ_ENTRY_CHECK(vec2Transform),           BOSQ_ENTRY_CHECK(vec3Transform),
    BOSQ_ENTRY_CHECK(vec4Transform),           BOSQ_ENTRY_CHECK(matrixMultiply),
    BOSQ_ENTRY_CHECK(matrixMultiplyTranspose), BOSQ_ENTRY_CHECK(vec2TransformNormal),
    BOSQ_ENTRY_CHECK(vec3TransformNormal),     BOSQ_ENTRY_CHECK(vec3Normalize),
    BOSQ_ENTRY_CHECK(vec2TransformCoord),      BOSQ_ENTRY_CHECK(vec3TransformCoord),
    BOSQ_ENTRY_CHECK(vec4Normalize),           BOSQ_ENTRY_CHECK(matrixTranspose),
    BOSQ_ENTRY_CHECK(quaternionNormalize),     BOSQ_ENTRY_CHECK(planeTransform),
};

#undef BOSQ_ENTRY_CHECK

size_t entryCount(const MathDispatchTable& set) {
    void (*entries[mathDispatchEntryCount])();
    std::memcpy(entries, &set, sizeof entries);
    size_t count = 0;
    for (auto entry : entries) {
        count += entry != nullptr;
    }
    return count;
}

struct VariantSet {
    const char* name;
    const MathDispatchTable* set;
};

void PrintTo(const VariantSet& set, std::ostream* out) {
    *out << set.name;
}

class MathVariantSet : public ::testing::TestWithParam<VariantSet> {};

TEST_P(MathVariantSet, everyRoutineMatchesThePlainOneOnRandomInputs) {
    const MathDispatchTable& set = *GetParam().set;
    Random random(20240607);
    for (const EntryCheck& check : entryChecks) {
        if (check.presentIn(set)) {
            SCOPED_TRACE(check.name);
            check.compare(set, random);
        }
    }
}

TEST_P(MathVariantSet, everyEntryItWritesIsChecked) {
    MathDispatchTable remaining = *GetParam().set;
    for (const EntryCheck& check : entryChecks) {
        check.clearIn(&remaining);
    }
    EXPECT_EQ(entryCount(remaining), 0u);
}

TEST_P(MathVariantSet, routinesMayWriteOverTheirInput) {
    const MathDispatchTable& set = *GetParam().set;
    Random random(7);
    if (set.vec3Normalize) {
        compareInPlace(set.vec3Normalize, random);
    }
    if (set.vec4Normalize) {
        compareInPlace(set.vec4Normalize, random);
    }
    if (set.matrixTranspose) {
        compareInPlace(set.matrixTranspose, random);
    }
    D3DMATRIX a = randomValue<D3DMATRIX>(random, 1), b = randomValue<D3DMATRIX>(random, 2);
    D3DMATRIX expected, left = a, right = b;
    plainMathSet.matrixMultiply(&expected, &a, &b);
    set.matrixMultiply(&left, &left, &b);
    set.matrixMultiply(&right, &a, &right);
    EXPECT_EQ(std::memcmp(&expected, &left, sizeof expected), 0);
    EXPECT_EQ(std::memcmp(&expected, &right, sizeof expected), 0);
}

INSTANTIATE_TEST_SUITE_P(Sets, MathVariantSet,
                         ::testing::Values(VariantSet{"tuned", &tunedMathSet},
                                           VariantSet{"sse", &sseMathSet},
                                           VariantSet{"sse2", &sse2MathSet}),
                         [](const auto& info) { return std::string(info.param.name); });

// Whether w is divided out changes a result by less than the tolerance above, so the rule is
// checked exactly: the sprite batch relies on transformCoord to the bit.
TEST(MathVariantSets, transformCoordDividesOutWExactlyWhenThePlainOneDoes) {
    const Vector3 p{3.0f, -5.0f, 7.0f};
    const Vector2 q{3.0f, -5.0f};
    for (const MathDispatchTable* set : {&sseMathSet, &sse2MathSet}) {
        for (float w : {1.0f, 1.0f + FLT_EPSILON, 1.0f - FLT_EPSILON, 1.0f + 2 * FLT_EPSILON,
                        1.0f - 2 * FLT_EPSILON, 2.0f}) {
            D3DMATRIX m{};
            m._11 = m._22 = m._33 = 1.0f;
            m._44 = w;
            Vector3 expected, actual;
            plainMathSet.vec3TransformCoord(&expected, &p, &m);
            set->vec3TransformCoord(&actual, &p, &m);
            EXPECT_EQ(std::memcmp(&expected, &actual, sizeof actual), 0) << "w = " << w;
            Vector2 expected2, actual2;
            plainMathSet.vec2TransformCoord(&expected2, &q, &m);
            set->vec2TransformCoord(&actual2, &q, &m);
            EXPECT_EQ(std::memcmp(&expected2, &actual2, sizeof actual2), 0) << "w = " << w;
        }
    }
}

TEST(MathVariantSets, writeTheEntriesTheirRolesAskFor) {
    EXPECT_EQ(entryCount(plainMathSet), 57u);
    EXPECT_EQ(entryCount(amd3DNowMathSet), 57u);
    EXPECT_EQ(entryCount(amd3DNowSecondMathSet), 5u);

    // The tuned set is exactly the first eight entries.
    void (*entries[mathDispatchEntryCount])();
    std::memcpy(entries, &tunedMathSet, sizeof entries);
    for (size_t i = 0; i < mathDispatchEntryCount; ++i) {
        EXPECT_EQ(entries[i] != nullptr, i < 8) << "entry " << i;
    }
    EXPECT_NE(amd3DNowSecondMathSet.matrixInverse, nullptr);
    EXPECT_NE(amd3DNowSecondMathSet.matrixRotationQuaternion, nullptr);
    EXPECT_NE(amd3DNowSecondMathSet.matrixTransformation, nullptr);
}

} // namespace
