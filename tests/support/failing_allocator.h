// Makes the n-th allocation of a measured section fail, whoever asks for it: operator new, and
// the malloc family that libpng, libjpeg, FreeType and fontconfig call. Linking this library
// replaces malloc, calloc, realloc, free, their aligned forms, strdup and operator new/delete
// of the whole program, so only the programs that sweep allocation failures link it.
#pragma once

#include <cstddef>
#include <initializer_list>

namespace test_support {

// From here on allocations are counted and the n-th one (1 for the first) fails: the malloc
// family returns null, the nothrow operator new returns null, the throwing one throws
// std::bad_alloc. n = 0 counts without failing.
void failAllocationNumber(long n);

// Ends the section; the number of allocations asked for since failAllocationNumber.
long stopFailingAllocations();

// Allocations asked for by code in a loaded library whose file name contains one of the
// fragments (at most four; an empty list exempts none) are neither counted nor failed, for a
// library that cannot survive a failure of its own allocations.
void exemptAllocationsFrom(std::initializer_list<const char*> fragments);

// Bytes the program holds from the heap right now, for leak checks around a section.
std::size_t heapBytesInUse();

} // namespace test_support
