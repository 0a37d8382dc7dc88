// The process-wide table: every entry starts as a first-call stub, the first call of any routine
// makes the choice for the whole table and still returns the right result, and the choice is
// never made again. One test in its own program, so it sees the table as the process starts.
#include "cpu/math_dispatch.h"
#include "cpu/math_variants.h"
#include "cpu/processor_features.h"

#include "platform_ext.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace {

using EntryArray = std::array<void (*)(), mathDispatchEntryCount>;

EntryArray entriesOf(const MathDispatchTable& table) {
    EntryArray entries;
    std::memcpy(entries.data(), &table, sizeof table);
    return entries;
}

// The table a choice of `state` writes, built from the sets themselves.
EntryArray expectedTable(DWORD state) {
    MathDispatchTable table;
    writeMathSet(&table, plainMathSet);
    writeMathSet(&table, tunedMathSet);
    if (state == MathSse2) {
        writeMathSet(&table, sse2MathSet);
    } else if (state == MathSse) {
        writeMathSet(&table, sseMathSet);
    } else if (state == Math3DNow &&
               (cpuFeatureFlags() & (CpuHasMmx | CpuHas3DNow)) == (CpuHasMmx | CpuHas3DNow)) {
        writeMathSet(&table, amd3DNowMathSet);
        if ((cpuFeatureFlags() & (CpuHasExtended3DNow | CpuHasMmxExtensions)) ==
            (CpuHasExtended3DNow | CpuHasMmxExtensions)) {
            writeMathSet(&table, amd3DNowSecondMathSet);
        }
    }
    return entriesOf(table);
}

TEST(MathFirstCall, choosesTheWholeTableOnceAndStillAnswers) {
    platform_ext::setRegistryFile("/nonexistent/settings.reg");

    const EntryArray initial = entriesOf(mathDispatchTable);
    const EntryArray plain = entriesOf(plainMathSet), tuned = entriesOf(tunedMathSet),
                     sse2 = entriesOf(sse2MathSet), sse = entriesOf(sseMathSet);
    for (size_t i = 0; i < initial.size(); ++i) {
        ASSERT_NE(initial[i], nullptr) << "entry " << i;
        EXPECT_TRUE(initial[i] != plain[i] && initial[i] != tuned[i] && initial[i] != sse2[i] &&
                    initial[i] != sse[i])
            << "entry " << i << " is not a stub";
    }

    D3DMATRIX move;
    std::memset(&move, 0, sizeof move);
    move._11 = move._22 = move._33 = move._44 = 1.0f;
    move._41 = 10.0f;
    move._42 = 20.0f;
    const Vector3 point{1.0f, 2.0f, 3.0f};
    Vector3 moved;
    EXPECT_EQ(transformCoord(&moved, &point, &move), &moved);
    EXPECT_EQ(moved.x, 11.0f);
    EXPECT_EQ(moved.y, 22.0f);
    EXPECT_EQ(moved.z, 3.0f);

    // x86-64 has SSE2 and the platform answers as an NT-family system.
    const DWORD state = selectMathRoutines(TRUE);
    EXPECT_EQ(state, has3DNow() ? Math3DNow : MathSse2);
    const EntryArray chosen = entriesOf(mathDispatchTable);
    EXPECT_EQ(chosen, expectedTable(state));

    EXPECT_EQ(selectMathRoutines(TRUE), state);
    EXPECT_EQ(entriesOf(mathDispatchTable), chosen);
    platform_ext::setRegistryFile(nullptr);
}

} // namespace
