// Reads from the file a load's picture bytes were mapped from. The decoders see the mapping,
// but touching its pages costs a fault for every few of them and their teardown at the unmap:
// bytes that go unchanged into a level (a DDS level stored as the texture holds it) are read
// from the file with ReadFile straight into the level instead. (Reading a bitmap's rows into a
// buffer in cache the same way was measured slower than reading them through the mapping.)
#pragma once

#include "windows.h"

#include <cstddef>
#include <cstdint>

// Names the file behind the mapped view for the loads this thread runs while it lives.
class LoadFromFileScope {
public:
    LoadFromFileScope(HANDLE file, const uint8_t* view, UINT size);
    ~LoadFromFileScope();
    LoadFromFileScope(const LoadFromFileScope&) = delete;
    LoadFromFileScope& operator=(const LoadFromFileScope&) = delete;

private:
    void* outer_; // the scope this one stands inside, if any
};

// Reads `bytes` bytes lying at `from` in the mapped view from the file into `to`. False when no
// file is named, the bytes are not in the view or the file gives fewer; then `to` holds
// nothing meaningful and the caller copies from the view.
bool readFromLoadFile(const uint8_t* from, size_t bytes, uint8_t* to);
