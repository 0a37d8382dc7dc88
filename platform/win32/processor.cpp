// The processor's identification instruction and the feature query built on it.
//
// Implements: cpuid (any leaf, sub-leaf 0) and emms of processor.h, the CPUID hook of
// platform_ext.h, and IsProcessorFeaturePresent for PF_FLOATING_POINT_PRECISION_ERRATA,
// PF_FLOATING_POINT_EMULATED, PF_COMPARE_EXCHANGE_DOUBLE, PF_MMX_INSTRUCTIONS_AVAILABLE,
// PF_XMMI_INSTRUCTIONS_AVAILABLE, PF_3DNOW_INSTRUCTIONS_AVAILABLE,
// PF_RDTSC_INSTRUCTION_AVAILABLE, PF_PAE_ENABLED and PF_XMMI64_INSTRUCTIONS_AVAILABLE, all from
// CPUID (through the hook when one is set), so that without CPUID every answer is no.
// Does not: other feature numbers, which answer FALSE.
#include "processor.h"

#include "platform_ext.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

namespace {

platform_ext::CpuidHook cpuidHook = nullptr;

bool executeCpuid(DWORD leaf, CpuidRegisters* out) {
    *out = CpuidRegisters{};
#if defined(__x86_64__) || defined(__i386__)
    // Every x86-64 processor has the instruction; on 32-bit x86 the EFLAGS.ID test decides.
    if (__get_cpuid_max(0, nullptr) == 0)
        return false;
    unsigned int a, b, c, d;
    __cpuid_count(leaf, 0, a, b, c, d);
    *out = CpuidRegisters{a, b, c, d};
    return true;
#else
    (void)leaf;
    return false;
#endif
}

bool bitSet(DWORD value, int bit) {
    return (value >> bit) & 1u;
}

// EDX of a leaf, 0 when the leaf is past the highest one its range reports.
DWORD featureEdx(DWORD leaf) {
    CpuidRegisters registers;
    if (!cpuid(leaf & 0x80000000u, &registers) || registers.eax < leaf)
        return 0;
    if (!cpuid(leaf, &registers))
        return 0;
    return registers.edx;
}

} // namespace

namespace platform_ext {

void setCpuidHook(CpuidHook hook) {
    cpuidHook = hook;
}

} // namespace platform_ext

bool cpuid(DWORD leaf, CpuidRegisters* out) {
    if (out == nullptr)
        return false;
    if (cpuidHook != nullptr) {
        *out = CpuidRegisters{};
        return cpuidHook(leaf, out);
    }
    return executeCpuid(leaf, out);
}

void emms() {
    CpuidRegisters registers;
    // The real processor decides: a hook may claim MMX on a machine without it.
    if (!executeCpuid(1, &registers) || !bitSet(registers.edx, 23))
        return;
#if defined(__x86_64__) || defined(__i386__)
    __asm__ __volatile__("emms");
#endif
}

BOOL IsProcessorFeaturePresent(DWORD ProcessorFeature) {
    const DWORD standard = featureEdx(1);
    switch (ProcessorFeature) {
    case PF_FLOATING_POINT_PRECISION_ERRATA:
        return FALSE;
    case PF_FLOATING_POINT_EMULATED: {
        CpuidRegisters highest;
        return cpuid(0, &highest) && highest.eax >= 1 && !bitSet(standard, 0);
    }
    case PF_COMPARE_EXCHANGE_DOUBLE:
        return bitSet(standard, 8);
    case PF_MMX_INSTRUCTIONS_AVAILABLE:
        return bitSet(standard, 23);
    case PF_XMMI_INSTRUCTIONS_AVAILABLE:
        return bitSet(standard, 25);
    case PF_3DNOW_INSTRUCTIONS_AVAILABLE:
        return bitSet(featureEdx(0x80000001u), 31);
    case PF_RDTSC_INSTRUCTION_AVAILABLE:
        return bitSet(standard, 4);
    case PF_PAE_ENABLED:
        return bitSet(standard, 6);
    case PF_XMMI64_INSTRUCTIONS_AVAILABLE:
        return bitSet(standard, 26);
    default:
        return FALSE;
    }
}
