// Kept level memory: a short list of freed large blocks, searched by exact size, the oldest
// dropped first when the list is full or holds too many bytes.
#include "d3d8/level_memory.h"

#include "platform_ext.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace d3d8 {

namespace {

// Smaller levels come and go cheaply through the C library's own free lists.
constexpr size_t SmallestKeptBlock = size_t(64) << 10;
constexpr size_t MostKeptBytes = size_t(64) << 20;
constexpr size_t MostKeptBlocks = 32;

struct KeptBlock {
    uint32_t* memory;
    size_t bytes;
};

class KeptBlocks {
public:
    ~KeptBlocks() { releaseAll(); }

    uint32_t* take(size_t bytes) {
        const std::lock_guard<std::mutex> hold(mutex_);
        for (size_t i = count_; i-- > 0;) {
            if (blocks_[i].bytes != bytes)
                continue;
            uint32_t* memory = blocks_[i].memory;
            removeAt(i);
            return memory;
        }
        return nullptr;
    }

    // False when the block is not worth keeping; the caller then frees it.
    bool keep(uint32_t* memory, size_t bytes) {
        if (bytes < SmallestKeptBlock || bytes > MostKeptBytes)
            return false;
        const std::lock_guard<std::mutex> hold(mutex_);
        while (count_ == MostKeptBlocks || keptBytes_ + bytes > MostKeptBytes) {
            std::free(blocks_[0].memory);
            removeAt(0);
        }
        blocks_[count_++] = {memory, bytes};
        keptBytes_ += bytes;
        return true;
    }

    void releaseAll() {
        const std::lock_guard<std::mutex> hold(mutex_);
        for (size_t i = 0; i < count_; ++i)
            std::free(blocks_[i].memory);
        count_ = 0;
        keptBytes_ = 0;
    }

    size_t keptBytes() {
        const std::lock_guard<std::mutex> hold(mutex_);
        return keptBytes_;
    }

private:
    void removeAt(size_t index) {
        keptBytes_ -= blocks_[index].bytes;
        for (size_t i = index + 1; i < count_; ++i)
            blocks_[i - 1] = blocks_[i];
        --count_;
    }

    std::mutex mutex_;
    KeptBlock blocks_[MostKeptBlocks] = {}; // oldest first
    size_t count_ = 0;
    size_t keptBytes_ = 0;
};

KeptBlocks& keptBlocks() {
    static KeptBlocks blocks;
    return blocks;
}

} // namespace

uint32_t* takeLevelMemory(size_t bytes, bool zeroed) {
    if (uint32_t* memory = keptBlocks().take(bytes)) {
        if (zeroed)
            std::memset(memory, 0, bytes);
        return memory;
    }
    if (!zeroed)
        return static_cast<uint32_t*>(std::malloc(bytes));
    // Fresh pages of a large block come zeroed from the system: calloc does not clear them.
    return static_cast<uint32_t*>(std::calloc(bytes / 4, 4));
}

void giveBackLevelMemory(uint32_t* memory, size_t bytes) {
    if (memory != nullptr && !keptBlocks().keep(memory, bytes))
        std::free(memory);
}

void releaseKeptLevelMemory() {
    keptBlocks().releaseAll();
}

size_t keptLevelMemoryBytes() {
    return keptBlocks().keptBytes();
}

} // namespace d3d8

namespace platform_ext {

void releaseKeptDeviceMemory() {
    d3d8::releaseKeptLevelMemory();
}

} // namespace platform_ext
