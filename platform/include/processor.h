// Processor instructions that feature detection needs: CPUID for any leaf and EMMS.
#pragma once

#include "windef.h"

struct CpuidRegisters {
    DWORD eax;
    DWORD ebx;
    DWORD ecx;
    DWORD edx;
};

// Executes CPUID for the leaf; false, with the registers zeroed, on a processor without it.
bool cpuid(DWORD leaf, CpuidRegisters* out);

// Leaves the MMX state (EMMS) on a processor that has MMX; nothing otherwise.
void emms();
