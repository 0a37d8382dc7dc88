// The feature queries over made-up processors, systems and registries: the MMX answer and its
// registry switch, the Windows 95 and NT rules for SSE, SSE2 and 3DNow!, the 3DNow! flags and
// the registry reader.
#include "cpu/processor_features.h"

#include "fake_system.h"

namespace {

using namespace fake_system;

class MmxQuery : public FakeSystemTest {
protected:
    LONG state = -1;
};

TEST_F(MmxQuery, answersFromCpuidOnceAndCachesTheAnswer) {
    EXPECT_TRUE(isMmxUsable(&state));
    EXPECT_EQ(state, 1);
    useProcessor("GenuineIntel", sse); // the processor is asked only once
    EXPECT_TRUE(isMmxUsable(&state));

    LONG fresh = -1;
    EXPECT_FALSE(isMmxUsable(&fresh));
    EXPECT_EQ(fresh, 0);

    cpu.hasCpuid = false;
    fresh = -1;
    EXPECT_FALSE(isMmxUsable(&fresh));
}

TEST_F(MmxQuery, disableMmxAsANonZeroDwordSwitchesItOffForTheRestOfTheRun) {
    EXPECT_TRUE(isMmxUsable(&state));
    useDirect3DSettings("\"DisableMMX\"=dword:00000002");
    EXPECT_FALSE(isMmxUsable(&state)); // the registry is read on every call
    EXPECT_EQ(state, 0);
    useDirect3DSettings("");
    EXPECT_FALSE(isMmxUsable(&state));
    EXPECT_EQ(state, 0);
}

TEST_F(MmxQuery, disableMmxOfZeroOrOfAnotherTypeIsIgnored) {
    for (const char* value :
         {"\"DisableMMX\"=dword:00000000", "\"DisableMMX\"=\"1\"", "\"DisableMMX\"=hex:01,00,00,00",
          "\"DisableMMX\"=\"a long string that does not fit\""}) {
        useDirect3DSettings(value);
        LONG fresh = -1;
        EXPECT_TRUE(isMmxUsable(&fresh)) << value;
        EXPECT_EQ(fresh, 1) << value;
    }
}

class FeatureQuery : public FakeSystemTest {};

TEST_F(FeatureQuery, windows98FromBuild1373CountsSseAndWindows95DoesNot) {
    struct Case {
        DWORD major, minor, build;
        bool savesSse;
    };
    const Case cases[] = {
        {4, 0, 950, false},                // Windows 95
        {4, 10, 1372, false},              //
        {4, 10, 1373, true},               //
        {4, 10, 1998, true},               // Windows 98
        {4, 10, 0x040A0000 | 1998, true},  // the build's high word holds the version
        {4, 10, 0x040A0000 | 1000, false}, //
        {4, 90, 3000, true},               // Windows Me
        {5, 0, 0, true},                   //
    };
    useProcessor("AuthenticAMD", mmx | sse | sse2, amd3DNow);
    for (const Case& c : cases) {
        useSystem(VER_PLATFORM_WIN32_WINDOWS, c.major, c.minor, c.build);
        SCOPED_TRACE(testing::Message() << c.major << "." << c.minor << "." << (c.build & 0xFFFF));
        EXPECT_EQ(isProcessorFeatureUsable(PF_XMMI_INSTRUCTIONS_AVAILABLE), c.savesSse);
        EXPECT_EQ(isProcessorFeatureUsable(PF_XMMI64_INSTRUCTIONS_AVAILABLE), c.savesSse);
        EXPECT_TRUE(isProcessorFeatureUsable(PF_3DNOW_INSTRUCTIONS_AVAILABLE));
        EXPECT_FALSE(isProcessorFeatureUsable(PF_MMX_INSTRUCTIONS_AVAILABLE));
    }
}

TEST_F(FeatureQuery, windows95FamilyAsksTheProcessorForEachExtension) {
    useSystem(VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998);
    useProcessor("GenuineIntel", mmx | sse);
    EXPECT_TRUE(isProcessorFeatureUsable(PF_XMMI_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(isProcessorFeatureUsable(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(isProcessorFeatureUsable(PF_3DNOW_INSTRUCTIONS_AVAILABLE));

    // The extended leaf 0x80000001 is read only when leaf 0x80000000 says it exists.
    useProcessor("AuthenticAMD", mmx, amd3DNow);
    cpu.leaves[0x80000000].eax = 0x80000000;
    EXPECT_FALSE(isProcessorFeatureUsable(PF_3DNOW_INSTRUCTIONS_AVAILABLE));

    // Without standard leaves there is no SSE to report.
    useProcessor("GenuineIntel", sse | sse2);
    cpu.leaves[0].eax = 0;
    EXPECT_FALSE(isProcessorFeatureUsable(PF_XMMI_INSTRUCTIONS_AVAILABLE));
    cpu.hasCpuid = false;
    EXPECT_FALSE(isProcessorFeatureUsable(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
}

TEST_F(FeatureQuery, ntFamilyReadsSse2ItselfAndAsksTheSystemForTheRest) {
    useSystem(VER_PLATFORM_WIN32_NT, 4, 0, 1381);
    useProcessor("GenuineIntel", mmx | sse | sse2);
    EXPECT_TRUE(isProcessorFeatureUsable(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(isProcessorFeatureUsable(PF_XMMI_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(isProcessorFeatureUsable(PF_MMX_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(isProcessorFeatureUsable(PF_3DNOW_INSTRUCTIONS_AVAILABLE));

    useProcessor("AuthenticAMD", mmx, amd3DNow);
    EXPECT_FALSE(isProcessorFeatureUsable(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(isProcessorFeatureUsable(PF_XMMI_INSTRUCTIONS_AVAILABLE));
    EXPECT_TRUE(isProcessorFeatureUsable(PF_3DNOW_INSTRUCTIONS_AVAILABLE));
}

TEST_F(FeatureQuery, otherPlatformsAndAFailedVersionQueryAnswerNo) {
    useSystem(VER_PLATFORM_WIN32s, 3, 10, 0);
    EXPECT_FALSE(isProcessorFeatureUsable(PF_XMMI_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(isProcessorFeatureUsable(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    useSystem(VER_PLATFORM_WIN32_NT, 5, 1, 2600);
    os.versionAnswer = FALSE;
    EXPECT_FALSE(isProcessorFeatureUsable(PF_XMMI64_INSTRUCTIONS_AVAILABLE));
    EXPECT_FALSE(isProcessorFeatureUsable(PF_MMX_INSTRUCTIONS_AVAILABLE));
}

TEST_F(FeatureQuery, simdCapabilitiesAndHas3DNowReadTheirLeaves) {
    useProcessor("GenuineIntel", sse);
    EXPECT_EQ(simdCapabilities(), 4u);
    useProcessor("GenuineIntel", sse | sse2);
    EXPECT_EQ(simdCapabilities(), 12u);
    useProcessor("GenuineIntel", sse2);
    EXPECT_EQ(simdCapabilities(), 8u);
    cpu.hasCpuid = false;
    EXPECT_EQ(simdCapabilities(), 0u);
    EXPECT_FALSE(has3DNow());
}

class FeatureFlags : public FakeSystemTest {};

TEST_F(FeatureFlags, amdProcessorsReportTheirExtensions) {
    useProcessor("AuthenticAMD", mmx, amd3DNow | amd3DNowExt | mmxExt);
    EXPECT_EQ(cpuFeatureFlags(), CpuHasCpuid | CpuHasStandardLeaves | CpuHasExtendedLeaves |
                                     CpuHasMmx | CpuHas3DNow | CpuHasExtended3DNow |
                                     CpuHasMmxExtensions);
    EXPECT_EQ(cpuFeatureFlags(), 0x3A7u);
}

TEST_F(FeatureFlags, theExtensionBitsCountOnlyForAuthenticAmd) {
    const char vendors[][13] = {"GenuineIntel", "AuthenticAMX", "CyrixInstead"};
    for (const auto& vendor : vendors) {
        useProcessor(vendor, mmx, amd3DNow | amd3DNowExt | mmxExt);
        EXPECT_EQ(cpuFeatureFlags(), 0xA7u) << vendor;
    }
}

TEST_F(FeatureFlags, stopAtTheFirstMissingLeafRange) {
    useProcessor("AuthenticAMD", mmx, amd3DNow);
    cpu.leaves[0x80000000].eax = 0x80000000; // no leaf above the range's first
    EXPECT_EQ(cpuFeatureFlags(), 0x23u);
    useProcessor("AuthenticAMD", mmx, amd3DNow, false);
    EXPECT_EQ(cpuFeatureFlags(), 0x23u);
    cpu.leaves[0].eax = 0; // leaf 0 only
    EXPECT_EQ(cpuFeatureFlags(), 0x1u);
    cpu.hasCpuid = false;
    EXPECT_EQ(cpuFeatureFlags(), 0u);
}

class Direct3DSettings : public FakeSystemTest {};

TEST_F(Direct3DSettings, readOnlyValuesOfTheExpectedType) {
    useDirect3DSettings("\"Number\"=dword:0000002a\r\n\"Text\"=\"abc\"");
    DWORD number = 0;
    EXPECT_TRUE(readDirect3DSetting(REG_DWORD, "Number", &number, sizeof number));
    EXPECT_EQ(number, 42u);
    char text[8] = {};
    EXPECT_TRUE(readDirect3DSetting(REG_SZ, "Text", text, sizeof text));
    EXPECT_STREQ(text, "abc");
    EXPECT_FALSE(readDirect3DSetting(REG_DWORD, "Text", text, sizeof text));
    EXPECT_FALSE(readDirect3DSetting(REG_SZ, "Text", text, 2)); // too small for the value
    EXPECT_FALSE(readDirect3DSetting(REG_DWORD, "Missing", &number, sizeof number));
}

TEST_F(Direct3DSettings, aMissingKeyOrRegistryReadsNothing) {
    DWORD number = 7;
    EXPECT_FALSE(readDirect3DSetting(REG_DWORD, "Number", &number, sizeof number));
    useRegistry("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Direct3D]\r\n"
                "\"Number\"=dword:00000001\r\n");
    EXPECT_FALSE(readDirect3DSetting(REG_DWORD, "Number", &number, sizeof number));
    EXPECT_EQ(number, 7u);
}

// The real processor through the process-wide cache: this test runs without any fake.
TEST(ProcessMmxQuery, agreesWithTheProcessor) {
    platform_ext::setRegistryFile("/nonexistent/settings.reg");
    CpuidRegisters leaf1{};
    const bool hasMmx = cpuid(1, &leaf1) && (leaf1.edx & (1u << 23)) != 0;
    EXPECT_EQ(isMmxUsable(), hasMmx);
    EXPECT_EQ(isMmxUsable(), hasMmx);
    platform_ext::setRegistryFile(nullptr);
}

} // namespace
