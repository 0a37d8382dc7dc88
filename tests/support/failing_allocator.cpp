// The replaced malloc family and operator new/delete behind the failing allocator. Each call
// forwards to the next definition in the program (the C library's, or the sanitizer's when the
// program is built with one), found with dlsym; dlsym's own allocations come from a small arena.
#include "tests/support/failing_allocator.h"

#include <dlfcn.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <new>

extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

namespace {

struct NextAllocator {
    void* (*malloc)(std::size_t);
    void* (*calloc)(std::size_t, std::size_t);
    void* (*realloc)(void*, std::size_t);
    void (*free)(void*);
    int (*posixMemalign)(void**, std::size_t, std::size_t);
};

NextAllocator next = {};
bool resolving = false;

// dlsym may ask for memory before the next allocator is known; that memory is never returned.
alignas(16) unsigned char arena[16384];
std::size_t arenaUsed = 0;

void* arenaAllocate(std::size_t size) {
    size = (size + 15) & ~std::size_t(15);
    if (size > sizeof(arena) - arenaUsed)
        std::abort();
    void* memory = arena + arenaUsed;
    arenaUsed += size;
    return memory;
}

bool inArena(const void* memory) {
    const auto* byte = static_cast<const unsigned char*>(memory);
    return byte >= arena && byte < arena + sizeof(arena);
}

template <class Function> void lookUp(Function* function, const char* name) {
    *function = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

// False while dlsym itself runs (the caller then serves from the arena).
bool resolved() {
    if (next.free != nullptr)
        return true;
    if (resolving)
        return false;
    resolving = true;
    lookUp(&next.malloc, "malloc");
    lookUp(&next.calloc, "calloc");
    lookUp(&next.realloc, "realloc");
    lookUp(&next.posixMemalign, "posix_memalign");
    lookUp(&next.free, "free");
    resolving = false;
    return true;
}

// Bytes of the live blocks handed out here, counted only without a sanitizer (whose own figure
// is exact, and whose runtime must not be asked about blocks before it is ready): the C
// library's figure counts the blocks in its per-thread cache as in use.
std::atomic<long> liveBytes{0};

bool tallying() {
    return __sanitizer_get_current_allocated_bytes == nullptr;
}

void* tallied(void* memory) {
    if (memory != nullptr && tallying())
        liveBytes += long(malloc_usable_size(memory));
    return memory;
}

void untally(void* memory) {
    if (tallying())
        liveBytes -= long(malloc_usable_size(memory));
}

std::atomic<bool> counting{false};
std::atomic<long> counted{0};
std::atomic<long> failingNumber{0};
constexpr std::size_t MostExemptLibraries = 4;
const char* exemptLibraries[MostExemptLibraries] = {};

bool exempt(const void* caller) {
    if (exemptLibraries[0] == nullptr)
        return false;
    Dl_info where;
    if (dladdr(caller, &where) == 0 || where.dli_fname == nullptr)
        return false;
    for (const char* fragment : exemptLibraries)
        if (fragment != nullptr && std::strstr(where.dli_fname, fragment) != nullptr)
            return true;
    return false;
}

// Counts one allocation asked for at `caller`; true when it is the one that must fail.
bool failsNow(const void* caller) {
    if (!counting.load(std::memory_order_relaxed) || exempt(caller))
        return false;
    const long number = counted.fetch_add(1) + 1;
    if (number != failingNumber.load())
        return false;
    errno = ENOMEM;
    return true;
}

void* allocate(std::size_t size, const void* caller) {
    if (!resolved())
        return arenaAllocate(size);
    return failsNow(caller) ? nullptr : tallied(next.malloc(size));
}

void* alignedAllocate(std::size_t alignment, std::size_t size, const void* caller) {
    void* memory = nullptr;
    if (!resolved() || failsNow(caller))
        return nullptr;
    if (alignment < sizeof(void*))
        alignment = sizeof(void*);
    return next.posixMemalign(&memory, alignment, size) == 0 ? tallied(memory) : nullptr;
}

} // namespace

namespace test_support {

void failAllocationNumber(long n) {
    failingNumber = n;
    counted = 0;
    counting = true;
}

long stopFailingAllocations() {
    counting = false;
    failingNumber = 0;
    return counted;
}

void exemptAllocationsFrom(std::initializer_list<const char*> fragments) {
    if (fragments.size() > MostExemptLibraries)
        std::abort();
    std::fill(std::begin(exemptLibraries), std::end(exemptLibraries), nullptr);
    std::copy(fragments.begin(), fragments.end(), exemptLibraries);
}

std::size_t heapBytesInUse() {
    if (!tallying())
        return __sanitizer_get_current_allocated_bytes();
    return std::size_t(liveBytes.load());
}

} // namespace test_support

extern "C" {

void* malloc(std::size_t size) {
    return allocate(size, __builtin_return_address(0));
}

void* calloc(std::size_t count, std::size_t size) {
    if (!resolved())
        return arenaAllocate(count * size);
    return failsNow(__builtin_return_address(0)) ? nullptr : tallied(next.calloc(count, size));
}

void* realloc(void* memory, std::size_t size) {
    if (memory == nullptr)
        return allocate(size, __builtin_return_address(0));
    if (inArena(memory))
        std::abort();
    // Shrinking to nothing frees; it asks for no memory.
    if (size == 0) {
        untally(memory);
        return next.realloc(memory, 0);
    }
    if (failsNow(__builtin_return_address(0)))
        return nullptr;
    const long before = tallying() ? long(malloc_usable_size(memory)) : 0;
    void* moved = next.realloc(memory, size);
    if (moved != nullptr) {
        liveBytes -= before;
        tallied(moved);
    }
    return moved;
}

void free(void* memory) {
    if (memory == nullptr || inArena(memory))
        return;
    if (resolved()) {
        untally(memory);
        next.free(memory);
    }
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    void* memory = alignedAllocate(alignment, size, __builtin_return_address(0));
    if (memory == nullptr)
        return ENOMEM;
    *out = memory;
    return 0;
}

void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return alignedAllocate(alignment, size, __builtin_return_address(0));
}

void* memalign(std::size_t alignment, std::size_t size) {
    return alignedAllocate(alignment, size, __builtin_return_address(0));
}

char* strdup(const char* text) {
    const std::size_t bytes = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(allocate(bytes, __builtin_return_address(0)));
    if (copy != nullptr)
        std::memcpy(copy, text, bytes);
    return copy;
}

char* strndup(const char* text, std::size_t most) {
    const std::size_t length = strnlen(text, most);
    auto* copy = static_cast<char*>(allocate(length + 1, __builtin_return_address(0)));
    if (copy != nullptr) {
        std::memcpy(copy, text, length);
        copy[length] = '\0';
    }
    return copy;
}

} // extern "C"

// Every form of new goes through malloc, and every delete through free. GCC cannot see that
// the pairs match once they are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return malloc(size == 0 ? 1 : size);
}
void* operator new(std::size_t size) {
    if (void* memory = operator new(size, std::nothrow))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return operator new(size, std::nothrow);
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return alignedAllocate(std::size_t(alignment), size == 0 ? 1 : size,
                           __builtin_return_address(0));
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    if (void* memory = operator new(size, alignment, std::nothrow))
        return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return operator new(size, alignment, std::nothrow);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}
void operator delete(void* memory) noexcept {
    free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    free(memory);
}
void operator delete[](void* memory) noexcept {
    free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    free(memory);
}
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept {
    free(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    free(memory);
}
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept {
    free(memory);
}
