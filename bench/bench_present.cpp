// Cost of showing a 640 x 480 frame in a window, as the device's Present does through the
// window layer, against copying the frame once in memory. A second figure times SDL's
// streaming-texture path on the same display, the alternative the layer did not take.
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
            filled[i] = uint32_t(i * 2654435761u);
        return filled;
    }();
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
    const platform_ext::FrameView view{Width,           Height,         Width * 4,
                                       D3DFMT_X8R8G8B8, frame().data(), 1};
    for (auto _ : state)
        platform_internal::windowBridge()->present(window, view);
}
BENCHMARK(PresentThroughWindowSurface);

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
         {"streaming texture/window surface", "PresentThroughStreamingTexture",
          "PresentThroughWindowSurface"}});
}
