// Drawing the same short strings again allocates nothing: glyphs are rendered once and
// cached, and DrawText keeps its buffers. The program counts every operator new while on.
#include "dib_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
bool counting = false;
long allocations = 0;
} // namespace

// Every form of new and delete goes through malloc and free, so that none is left to the
// library's own pairing. GCC cannot see that the pairs match once they are inlined.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (counting)
        ++allocations;
    return std::malloc(size == 0 ? 1 : size);
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
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

namespace {

using TextAllocations = DibTest;

// What the text renderer does each frame for the frame counter and the status line.
void drawLikeTheRenderer(HDC dc, const char* text, UINT format) {
    RECT measured{0, 0, 640, 480};
    DrawTextA(dc, text, -1, &measured, format | DT_CALCRECT);
    RECT area{0, 0, measured.right - measured.left, measured.bottom - measured.top};
    DrawTextA(dc, text, -1, &area, format);
}

TEST_F(TextAllocations, RepeatedFramesAllocateNothing) {
    drawLikeTheRenderer(dc_, "fps: 0123456789 Score: Temps restant:", 0);
    char counter[32];
    char status[64];
    counting = true;
    for (int frame = 0; frame < 200; ++frame) {
        std::snprintf(counter, sizeof counter, "fps: %i", 60 + frame % 7);
        std::snprintf(status, sizeof status, "Score: %i Temps restant: %i", frame / 10,
                      30 - frame / 7);
        drawLikeTheRenderer(dc_, counter, 0);
        drawLikeTheRenderer(dc_, status, DT_CENTER);
    }
    counting = false;
    EXPECT_EQ(allocations, 0);
}

} // namespace
