// Cost of showing a 640 x 480 frame in a window, as the device's Present does through the
// window layer, against copying the frame once in memory: frames that differ everywhere, and
// frames that differ as the game's do (the text line and five moving targets over still
// scenery), which the layer sends as a few bands. A third figure times SDL's streaming-texture
// path on the same display, the alternative the layer did not take.
// Needs a display: run it under xvfb-run -s "-screen 0 1024x768x24".
#include "bench/ratio_report.h"
#include "internal/window_bridge.h"
#include "platform_ext.h"
#include "windows.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

constexpr UINT Width = 640;
constexpr UINT Height = 480;

std::vector<uint32_t>& frame() {
    static std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> filled(Width * Height);
        for (size_t i = 0; i < filled.size(); ++i)
            filled[i] = uint32_t(i * 2654435761u) | 0xFF000000u;
        return filled;
    }();
    return pixels;
}

// The frame with every pixel changed.
std::vector<uint32_t>& inverseFrame() {
    static std::vector<uint32_t> pixels = [] {
        std::vector<uint32_t> inverted = frame();
        for (uint32_t& pixel : inverted)
            pixel ^= 0x00FFFFFFu;
        return inverted;
    }();
    return pixels;
}

// The frame with the game's changes of one frame: a new text line at the top and five
// 60 x 60 targets one pixel further on.
std::vector<uint32_t> gameFrame(int step) {
    std::vector<uint32_t> pixels = frame();
    for (UINT y = 0; y < 16; ++y)
        for (UINT x = 0; x < Width; x += 7)
            pixels[y * Width + x] = 0xFF00FF00u + uint32_t(step);
    const int targets[5][2] = {{60, 130}, {380, 300}, {250, 200}, {320, 90}, {470, 160}};
    for (const auto& target : targets)
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 60; ++x)
                pixels[size_t(target[1] + y) * Width + size_t(target[0] + step + x)] = 0xFFFF0000u;
    return pixels;
}

LRESULT procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND gameWindow() {
    static HWND window = [] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &procedure;
        windowClass.lpszClassName = "Bench Window";
        RegisterClassExA(&windowClass);
        RECT rect{100, 100, 740, 580};
        AdjustWindowRect(&rect, WS_CAPTION | WS_SYSMENU, FALSE);
        HWND created = CreateWindowExA(WS_EX_TOPMOST, "Bench Window", "Bench",
                                       WS_CAPTION | WS_SYSMENU | WS_VISIBLE, rect.left, rect.top,
                                       rect.right - rect.left, rect.bottom - rect.top, nullptr,
                                       nullptr, nullptr, nullptr);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        return created;
    }();
    return window;
}

void ReferenceFrameCopy(benchmark::State& state) {
    std::vector<uint32_t> target(Width * Height);
    for (auto _ : state) {
        std::memcpy(target.data(), frame().data(), target.size() * 4);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ReferenceFrameCopy);

void PresentThroughWindowSurface(benchmark::State& state) {
    HWND window = gameWindow();
    if (!platform_ext::hasDisplay() || window == nullptr) {
        state.SkipWithError("no display: run under xvfb-run");
        return;
    }
    const platform_ext::FrameView views[2] = {
        {Width, Height, Width * 4, D3DFMT_X8R8G8B8, frame().data(), 1},
        {Width, Height, Width * 4, D3DFMT_X8R8G8B8, inverseFrame().data(), 1}};
    size_t shown = 0;
    for (auto _ : state)
        platform_internal::windowBridge()->present(window, views[++shown % 2]);
}
BENCHMARK(PresentThroughWindowSurface);

void PresentGameChanges(benchmark::State& state) {
    HWND window = gameWindow();
    if (!platform_ext::hasDisplay() || window == nullptr) {
        state.SkipWithError("no display: run under xvfb-run");
        return;
    }
    const std::vector<uint32_t> frames[2] = {gameFrame(0), gameFrame(1)};
    const platform_ext::FrameView views[2] = {
        {Width, Height, Width * 4, D3DFMT_X8R8G8B8, frames[0].data(), 1},
        {Width, Height, Width * 4, D3DFMT_X8R8G8B8, frames[1].data(), 1}};
    size_t shown = 0;
    for (auto _ : state)
        platform_internal::windowBridge()->present(window, views[++shown % 2]);
}
BENCHMARK(PresentGameChanges);

void PresentThroughStreamingTexture(benchmark::State& state) {
    if (!platform_ext::hasDisplay()) {
        state.SkipWithError("no display: run under xvfb-run");
        return;
    }
    SDL_Window* window = SDL_CreateWindow("texture", 100, 100, Width, Height, SDL_WINDOW_SHOWN);
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, 0);
    SDL_Texture* texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888,
                                                        SDL_TEXTUREACCESS_STREAMING, Width, Height)
                                    : nullptr;
    if (texture == nullptr) {
        state.SkipWithError(SDL_GetError());
    } else {
        for (auto _ : state) {
            SDL_UpdateTexture(texture, nullptr, frame().data(), Width * 4);
            SDL_RenderCopy(renderer, texture, nullptr, nullptr);
            SDL_RenderPresent(renderer);
        }
        SDL_DestroyTexture(texture);
    }
    if (renderer != nullptr)
        SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
}
BENCHMARK(PresentThroughStreamingTexture);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithRatios(
        argc, argv,
        {{"present/frame copy", "PresentThroughWindowSurface", "ReferenceFrameCopy"},
         {"game present/frame copy", "PresentGameChanges", "ReferenceFrameCopy"},
         {"streaming texture/window surface", "PresentThroughStreamingTexture",
          "PresentThroughWindowSurface"}});
}
