// The once-only choice of the math variant sets over made-up processors, systems and registries,
// observed through marker sets whose every routine is distinct, and the public routines' jumps
// through their own entries.
#include "cpu/math_dispatch.h"

#include "fake_system.h"

#include <array>
#include <cstring>
#include <functional>

namespace {

using namespace fake_system;

// A routine that only records that it ran; every (entry, set) pair has its own, at its own
// address.
const void* lastMarkerCalled = nullptr;

template <auto Entry, int Set> struct Marker;

template <typename Result, typename... Parameters,
          Result (*MathDispatchTable::*Entry)(Parameters...), int Set>
struct Marker<Entry, Set> {
    static inline const char identity = 0;
    static Result call(Parameters...) {
        lastMarkerCalled = &identity;
        return Result();
    }
};

template <int Set> MathDispatchTable markerSet() {
    return {
#define BOSQ_MARKER_ENTRY(name, result, parameters) Marker<&MathDispatchTable::name, Set>::call,
        BOSQ_MATH_DISPATCH_ROWS(BOSQ_MARKER_ENTRY)
#undef BOSQ_MARKER_ENTRY
    };
}

// What each marker of the set records, in table order.
template <int Set> std::array<const void*, mathDispatchEntryCount> markerIdentities() {
    return {
#define BOSQ_MARKER_IDENTITY(name, result, parameters)                                             \
    &Marker<&MathDispatchTable::name, Set>::identity,
        BOSQ_MATH_DISPATCH_ROWS(BOSQ_MARKER_IDENTITY)
#undef BOSQ_MARKER_IDENTITY
    };
}

using EntryArray = std::array<void (*)(), mathDispatchEntryCount>;

EntryArray entriesOf(const MathDispatchTable& table) {
    EntryArray entries;
    std::memcpy(entries.data(), &table, sizeof table);
    return entries;
}

MathDispatchTable tableOf(const EntryArray& entries) {
    MathDispatchTable table;
    std::memcpy(static_cast<void*>(&table), entries.data(), sizeof table);
    return table;
}

// The marker set keeping only the listed entries (by table position).
template <int Set> MathDispatchTable partialMarkerSet(std::initializer_list<size_t> kept) {
    const EntryArray all = entriesOf(markerSet<Set>());
    EntryArray some{};
    for (size_t i : kept) {
        some[i] = all[i];
    }
    return tableOf(some);
}

enum SetRole { Plain, Tuned, Amd3DNow, Amd3DNowSecond, Sse2, Sse, NoSet };

constexpr size_t matrixMultiplyEntry = 3, vec3TransformCoordEntry = 9, matrixInverseEntry = 25;

class MathSelection : public FakeSystemTest {
protected:
    const MathDispatchTable plainSet = markerSet<Plain>();
    const MathDispatchTable tunedSet = partialMarkerSet<Tuned>({0, 1, 2, 3, 4, 5, 6, 7});
    const MathDispatchTable amd3DNowSet = markerSet<Amd3DNow>();
    const MathDispatchTable amd3DNowSecondSet =
        partialMarkerSet<Amd3DNowSecond>({matrixMultiplyEntry, matrixInverseEntry, 33, 35, 50});
    const MathDispatchTable sse2Set =
        partialMarkerSet<Sse2>({matrixMultiplyEntry, vec3TransformCoordEntry});
    const MathDispatchTable sseSet = partialMarkerSet<Sse>({vec3TransformCoordEntry, 11});
    const MathVariantSets sets{&plainSet,          &tunedSet, &amd3DNowSet,
                               &amd3DNowSecondSet, &sse2Set,  &sseSet};

    DWORD state = MathNotChosen;
    MathDispatchTable table = markerSet<NoSet>();

    DWORD select(BOOL enable = TRUE) { return selectMathRoutines(enable, &state, &table, sets); }

    EntryArray entriesOfRole(int role) const {
        const MathDispatchTable* byRole[] = {&plainSet,          &tunedSet, &amd3DNowSet,
                                             &amd3DNowSecondSet, &sse2Set,  &sseSet};
        return entriesOf(*byRole[role]);
    }

    // The role of the set whose routine each entry now holds.
    std::array<SetRole, mathDispatchEntryCount> roles() const {
        const EntryArray now = entriesOf(table);
        std::array<SetRole, mathDispatchEntryCount> result;
        result.fill(NoSet);
        for (int role = Plain; role < NoSet; ++role) {
            const EntryArray entries = entriesOfRole(role);
            for (size_t i = 0; i < now.size(); ++i) {
                if (entries[i] == now[i]) {
                    result[i] = SetRole(role);
                }
            }
        }
        return result;
    }

    // Every entry holds the routine of `over` where that set has one, else of `under`.
    void expectLayers(SetRole over, SetRole under) const {
        const auto now = roles();
        const EntryArray top = entriesOfRole(over);
        for (size_t i = 0; i < now.size(); ++i) {
            EXPECT_EQ(now[i], top[i] ? over : under) << "entry " << i;
        }
    }

    // What a plain choice leaves: the tuned set over the plain one.
    void expectPlainAndTuned() const { expectLayers(Tuned, Plain); }
};

TEST_F(MathSelection, ntWithSse2ChoosesTheSse2Set) {
    EXPECT_EQ(select(), MathSse2);
    EXPECT_EQ(state, MathSse2);
    const auto now = roles();
    EXPECT_EQ(now[matrixMultiplyEntry], Sse2);
    EXPECT_EQ(now[vec3TransformCoordEntry], Sse2);
    EXPECT_EQ(now[0], Tuned);
    EXPECT_EQ(now[11], Plain);
    EXPECT_EQ(now[56], Plain);
}

TEST_F(MathSelection, threeDNowComesBeforeSse2) {
    useProcessor("AuthenticAMD", mmx | sse | sse2, amd3DNow);
    EXPECT_EQ(select(), Math3DNow);
    expectLayers(Amd3DNow, Plain);
}

TEST_F(MathSelection, theSecondThreeDNowVariantsNeedAmdExtensions) {
    useProcessor("AuthenticAMD", mmx, amd3DNow | amd3DNowExt | mmxExt);
    EXPECT_EQ(select(), Math3DNow);
    expectLayers(Amd3DNowSecond, Amd3DNow);
}

TEST_F(MathSelection, threeDNowWithoutMmxChoosesTheStateButWritesNothing) {
    useProcessor("AuthenticAMD", sse | sse2, amd3DNow);
    EXPECT_EQ(select(), Math3DNow);
    expectPlainAndTuned();
}

TEST_F(MathSelection, sseAloneChoosesTheSseSet) {
    useProcessor("GenuineIntel", mmx | sse);
    EXPECT_EQ(select(), MathSse);
    const auto now = roles();
    EXPECT_EQ(now[vec3TransformCoordEntry], Sse);
    EXPECT_EQ(now[11], Sse);
    EXPECT_EQ(now[matrixMultiplyEntry], Tuned);
}

TEST_F(MathSelection, noExtensionKeepsThePlainAndTunedSets) {
    useProcessor("GenuineIntel", mmx);
    EXPECT_EQ(select(), MathPlain);
    expectPlainAndTuned();
}

TEST_F(MathSelection, onlyDisableSimdMathOfExactlyOneAsADwordKeepsThePlainSets) {
    useDirect3DSettings("\"DisableSimdMath\"=dword:00000001");
    EXPECT_EQ(select(), MathPlain);
    expectPlainAndTuned();

    for (const char* value :
         {"\"DisableSimdMath\"=dword:00000002", "\"DisableSimdMath\"=dword:00000000",
          "\"DisableSimdMath\"=\"1\"", "\"DisableSimdMath\"=hex:01,00,00,00"}) {
        useDirect3DSettings(value);
        state = MathNotChosen;
        table = markerSet<NoSet>();
        EXPECT_EQ(select(), MathSse2) << value;
    }
}

TEST_F(MathSelection, theChoiceIsMadeOnce) {
    EXPECT_EQ(select(), MathSse2);
    const EntryArray chosen = entriesOf(table);
    useProcessor("AuthenticAMD", mmx, amd3DNow);
    useDirect3DSettings("\"DisableSimdMath\"=dword:00000001");
    EXPECT_EQ(select(), MathSse2);
    EXPECT_EQ(entriesOf(table), chosen);
}

TEST_F(MathSelection, enableZeroKeepsThePlainAndTunedSets) {
    EXPECT_EQ(select(FALSE), MathPlain);
    expectPlainAndTuned();
}

TEST(MathEntryPoints, everyPublicRoutineJumpsThroughItsOwnEntry) {
    const MathDispatchTable saved = mathDispatchTable;
    mathDispatchTable = markerSet<0>();

    Vector2 v2{};
    Vector3 v3{};
    Vector4 v4{};
    Quaternion q{};
    Plane p{};
    D3DMATRIX m{};
    D3DVIEWPORT8 viewport{};
    float f = 0.0f;
    // In table order; each call must land on the marker at its position.
    const std::function<void()> calls[] = {
        [&] { transform(&v4, &v2, &m); },
        [&] { transform(&v4, &v3, &m); },
        [&] { transform(&v4, &v4, &m); },
        [&] { matrixMultiply(&m, &m, &m); },
        [&] { matrixMultiplyTranspose(&m, &m, &m); },
        [&] { transformNormal(&v2, &v2, &m); },
        [&] { transformNormal(&v3, &v3, &m); },
        [&] { normalize(&v3, &v3); },
        [&] { transformCoord(&v2, &v2, &m); },
        [&] { transformCoord(&v3, &v3, &m); },
        [&] { normalize(&v2, &v2); },
        [&] { normalize(&v4, &v4); },
        [&] { cross(&v4, &v4, &v4, &v4); },
        [&] { hermite(&v2, &v2, &v2, &v2, &v2, f); },
        [&] { hermite(&v3, &v3, &v3, &v3, &v3, f); },
        [&] { hermite(&v4, &v4, &v4, &v4, &v4, f); },
        [&] { catmullRom(&v2, &v2, &v2, &v2, &v2, f); },
        [&] { catmullRom(&v3, &v3, &v3, &v3, &v3, f); },
        [&] { catmullRom(&v4, &v4, &v4, &v4, &v4, f); },
        [&] { baryCentric(&v2, &v2, &v2, &v2, f, f); },
        [&] { baryCentric(&v3, &v3, &v3, &v3, f, f); },
        [&] { baryCentric(&v4, &v4, &v4, &v4, f, f); },
        [&] { project(&v3, &v3, &viewport, &m, &m, &m); },
        [&] { unproject(&v3, &v3, &viewport, &m, &m, &m); },
        [&] { matrixDeterminant(&m); },
        [&] { matrixInverse(&m, &f, &m); },
        [&] { matrixTranspose(&m, &m); },
        [&] { matrixScaling(&m, f, f, f); },
        [&] { matrixTranslation(&m, f, f, f); },
        [&] { matrixRotationX(&m, f); },
        [&] { matrixRotationY(&m, f); },
        [&] { matrixRotationZ(&m, f); },
        [&] { matrixRotationAxis(&m, &v3, f); },
        [&] { matrixRotationQuaternion(&m, &q); },
        [&] { matrixRotationYawPitchRoll(&m, f, f, f); },
        [&] { matrixTransformation(&m, &v3, &q, &v3, &v3, &q, &v3); },
        [&] { matrixAffineTransformation(&m, f, &v3, &q, &v3); },
        [&] { matrixLookAtLH(&m, &v3, &v3, &v3); },
        [&] { matrixLookAtRH(&m, &v3, &v3, &v3); },
        [&] { matrixPerspectiveFovLH(&m, f, f, f, f); },
        [&] { matrixPerspectiveFovRH(&m, f, f, f, f); },
        [&] { matrixOrthoLH(&m, f, f, f, f); },
        [&] { matrixOrthoRH(&m, f, f, f, f); },
        [&] { matrixReflect(&m, &p); },
        [&] { matrixShadow(&m, &v4, &p); },
        [&] { quaternionMultiply(&q, &q, &q); },
        [&] { quaternionNormalize(&q, &q); },
        [&] { quaternionInverse(&q, &q); },
        [&] { quaternionSlerp(&q, &q, &q, f); },
        [&] { quaternionRotationAxis(&q, &v3, f); },
        [&] { quaternionRotationMatrix(&q, &m); },
        [&] { quaternionRotationYawPitchRoll(&q, f, f, f); },
        [&] { quaternionToAxisAngle(&q, &v3, &f); },
        [&] { planeNormalize(&p, &p); },
        [&] { planeFromPoints(&p, &v3, &v3, &v3); },
        [&] { planeTransform(&p, &p, &m); },
        [&] { planeIntersectLine(&v3, &p, &v3, &v3); },
    };
    static_assert(std::size(calls) == mathDispatchEntryCount);

    const auto identities = markerIdentities<0>();
    for (size_t i = 0; i < mathDispatchEntryCount; ++i) {
        lastMarkerCalled = nullptr;
        calls[i]();
        EXPECT_EQ(lastMarkerCalled, identities[i]) << "public routine " << i;
    }
    mathDispatchTable = saved;
}

} // namespace
