// The counting malloc family behind peakHeapBytes: each call goes to the C library's own
// entry points (__libc_malloc and the others) and adds or takes away the block's usable size.
#include "bench/peak_memory.h"

#include <malloc.h>

#include <atomic>
#include <cerrno>
#include <cstring>

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* memory, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void __libc_free(void* memory);
}

namespace {

std::atomic<long long> held{0};
std::atomic<long long> peak{0};

void* counted(void* memory) {
    if (memory != nullptr) {
        const long long now = held.fetch_add(static_cast<long long>(malloc_usable_size(memory))) +
                              static_cast<long long>(malloc_usable_size(memory));
        long long seen = peak.load(std::memory_order_relaxed);
        while (now > seen && !peak.compare_exchange_weak(seen, now))
            ;
    }
    return memory;
}

void uncount(void* memory) {
    if (memory != nullptr)
        held.fetch_sub(static_cast<long long>(malloc_usable_size(memory)));
}

} // namespace

extern "C" {

void* malloc(size_t size) {
    return counted(__libc_malloc(size));
}

void* calloc(size_t count, size_t size) {
    return counted(__libc_calloc(count, size));
}

void* realloc(void* memory, size_t size) {
    uncount(memory);
    void* moved = __libc_realloc(memory, size);
    // A failed realloc keeps the old block.
    return counted(moved != nullptr || size == 0 ? moved : memory);
}

void free(void* memory) {
    uncount(memory);
    __libc_free(memory);
}

void* memalign(size_t alignment, size_t size) {
    return counted(__libc_memalign(alignment, size));
}

void* aligned_alloc(size_t alignment, size_t size) {
    return counted(__libc_memalign(alignment, size));
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    void* memory = counted(__libc_memalign(alignment, size));
    if (memory == nullptr)
        return ENOMEM;
    *out = memory;
    return 0;
}

} // extern "C"

namespace bench {

size_t peakHeapBytes(const std::function<void()>& work) {
    const long long start = held.load();
    peak.store(start);
    work();
    const long long top = peak.load();
    return top > start ? size_t(top - start) : 0;
}

} // namespace bench
